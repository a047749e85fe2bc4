// DO loops and procedures as a user meets them: index texts and substitution, the loop file
// with long statements split over its records, a loop file that cannot be written, the index
// scalars, the statement limit after substitution, ENDIF's early end, procedure text in the
// workspace, the sample restored after the last level, loop bodies removed, and the
// run-stopping limits. A bad bound met while replaying, the procedure recursion limit and a
// procedure defined again are pinned by the do/fatal_bound, proc/recursion and proc/basic
// goldens.
#include "interp/command_handlers.hpp"
#include "interp/do_loops.hpp"
#include "interp/entry.hpp"
#include "interp/procedure_text.hpp"
#include "workspace/sample.hpp"
#include "workspace_engine.hpp"
#include "workspace/workspace.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <sstream>

#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

namespace tarvex {
namespace {

using Lines = std::vector<std::string>;

Lines split_lines(const std::string& text) {
    Lines out;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) out.push_back(line);
    return out;
}

// A console run of a script whose state stays for inspection after the input ends.
struct KeptRun {
    std::unique_ptr<Run> run = std::make_unique<Run>();
    std::string output;
    bool fatal = false;
    int fatal_code = 0;

    explicit KeptRun(std::string script) {
        std::FILE* in = fmemopen(script.data(), script.size(), "r");
        char* buf = nullptr;
        std::size_t len = 0;
        std::FILE* out = open_memstream(&buf, &len);
        run->streams.in = in;
        run->streams.out = out;
        try {
            start_run(*run, MODE_CONSOLE, 0, 1, 0);
        } catch (const FatalStop& stop) {
            fatal = true;
            fatal_code = stop.code;
        }
        close_unit(*run, run->L5);
        close_unit(*run, run->L6);
        std::fclose(in);
        std::fclose(out);
        output.assign(buf, len);
        std::free(buf);
    }
    Lines lines() const { return split_lines(output); }
    // Lines that begin with `prefix`.
    Lines starting(const std::string& prefix) const {
        Lines out;
        for (const std::string& line : lines())
            if (line.rfind(prefix, 0) == 0) out.push_back(line);
        return out;
    }
    bool has(const std::string& line) const {
        Lines all = lines();
        return std::find(all.begin(), all.end(), line) != all.end();
    }
    Real scalar(int k) const { return run->res[k]; }
};

// ---- Index text and substitution ---------------------------------------------------------

TEST(DoTran, DigitsWithSignAndNothingForALevelWithoutValue) {
    EXPECT_EQ(DOTRAN(0), "0");
    EXPECT_EQ(DOTRAN(7), "7");
    EXPECT_EQ(DOTRAN(-32000), "-32000");
    EXPECT_EQ(DOTRAN(999999999), "999999999");
    EXPECT_EQ(DOTRAN(-1), "-1");
    EXPECT_EQ(DOTRAN(NO_INDEX_VALUE), "");
}

struct SubstitutionEngine : testing::WorkspaceEngine {
    SubstitutionEngine() : WorkspaceEngine(10, 1000) {
        run.loops.replaying = true;
        run.sw[ODECHO] = false;
    }
    std::string sub(std::string text) {
        EXPECT_TRUE(DOSUB(run, text));
        return text;
    }
};

TEST(DoSub, MarkersOfTheActiveLevelsButNeverTheFirstColumn) {
    SubstitutionEngine e;
    e.run.loops.marker[1] = '#';
    e.run.loops.LOOP[1] = -5;
    e.run.res[R_DO + 1] = DO_FINISHED; // no inner loop running: level 1 only
    e.run.loops.marker[2] = '%';
    e.run.loops.LOOP[2] = 4;
    EXPECT_EQ(e.sub("PRINT X#"), "PRINT X-5");
    EXPECT_EQ(e.sub("#X#Y#"), "#X-5Y-5") << "the first column keeps its marker";
    EXPECT_EQ(e.sub("TITLE %#"), "TITLE %-5") << "the inner marker is inactive";
    e.run.res[R_DO + 1] = 4; // the inner loop has a value: both levels apply
    EXPECT_EQ(e.sub("TITLE X#%"), "TITLE X-54");
    e.run.loops.LOOP[2] = NO_INDEX_VALUE;
    EXPECT_EQ(e.sub("TITLE A%B"), "TITLE AB") << "a level without value substitutes nothing";
    e.run.loops.marker[2] = ' ';
    EXPECT_EQ(e.sub("TITLE A B"), "TITLE A B") << "a blank marker never matches";
    EXPECT_TRUE(e.lines().empty());
}

TEST(DoSub, EchoOfTheSubstitutedCommandWithTheInnermostMarker) {
    SubstitutionEngine e;
    e.run.sw[ODECHO] = true;
    e.run.loops.marker[1] = '#';
    e.run.loops.LOOP[1] = 12;
    e.run.res[R_DO + 1] = DO_FINISHED;
    e.sub("TITLE #");
    e.sub("TITLE NONE");
    std::string long_text = "TITLE " + std::string(130, '#');
    std::string done = e.sub(long_text);
    ASSERT_EQ(done.size(), 6u + 260u);
    Lines out = e.lines();
    ASSERT_EQ(out.size(), 5u) << "a command without markers is echoed too";
    EXPECT_EQ(out[0], " #_TITLE 12");
    EXPECT_EQ(out[1], " #_TITLE NONE");
    EXPECT_EQ(out[2], " #_" + done.substr(0, 127));
    EXPECT_EQ(out[3], " # " + done.substr(127, 127));
    EXPECT_EQ(out[4], " # " + done.substr(254));
}

TEST(DoSub, TooLongAfterSubstitutionIsRefused) {
    SubstitutionEngine e;
    e.run.loops.marker[1] = '#';
    e.run.loops.LOOP[1] = 100; // each marker grows by two characters
    e.run.res[R_DO + 1] = DO_FINISHED;
    // 6 + 3n characters after substitution: n = 87379 reaches exactly 262143, one more is over.
    std::string fits = "TITLE " + std::string(87379, '#');
    EXPECT_TRUE(DOSUB(e.run, fits));
    EXPECT_EQ(fits.size(), 262143u);
    std::string over = "TITLE " + std::string(87380, '#');
    const std::string before = over;
    EXPECT_FALSE(DOSUB(e.run, over));
    EXPECT_EQ(over, before) << "a refused command is left as it was";
    EXPECT_EQ(e.lines(), Lines{" ...ERROR..STATEMENT TOO LONG AFTER DO SUBSTITUTION"});
}

// ---- File loops --------------------------------------------------------------------------

TEST(FileLoop, IndexScalarsDuringAndAfterTheLoop) {
    // The inner loop runs $DO times, so its passes count the outer index.
    KeptRun r("SET NOECHO\nDO # = 2,6,2\nDO % = 1,$DO\nTITLE #.%\nENDO\nENDO\n");
    EXPECT_FALSE(r.fatal);
    Lines titles = r.starting(" %_");
    Lines expected;
    for (int outer = 2; outer <= 6; outer += 2)
        for (int inner = 1; inner <= outer; ++inner)
            expected.push_back(" %_TITLE " + std::to_string(outer) + "." + std::to_string(inner));
    EXPECT_EQ(titles, expected);
    EXPECT_EQ(r.scalar(R_DO), Real(DO_FINISHED));
    EXPECT_EQ(r.scalar(R_DO + 1), Real(DO_FINISHED));
    EXPECT_FALSE(r.run->loops.replaying);
    EXPECT_EQ(r.run->IN, r.run->L5);
    EXPECT_EQ(r.run->cmd.record_length, 255);
    EXPECT_EQ(r.run->cmd.replay_depth, 0);
    EXPECT_TRUE(r.has(" EXECUTION FINISHED FOR DO LOOP  #=       8"));
}

// A statement far longer than a record of the loop file comes back whole: the records are
// joined without the blank that a continued input line gets.
TEST(FileLoop, LongStatementsSurviveTheLoopFileRecords) {
    std::string script = "SET NOECHO\nDO # = 1000,1000\nTITLE ";
    std::string statement = "TITLE ";
    for (int line = 0; line < 40; ++line) {
        std::string piece = "A#" + std::string(100, 'B') + "#";
        script += piece + "&\n";
        statement += piece + " ";
    }
    script += "END#\nENDO\nTITLE AFTER\n";
    statement += "END#";
    std::string substituted = statement;
    for (std::size_t at = 1; (at = substituted.find('#', at)) != std::string::npos;)
        substituted.replace(at, 1, "1000");
    KeptRun r(script);
    Lines echo = r.starting(" #");
    std::string joined;
    for (std::size_t k = 0; k < echo.size(); ++k) joined += echo[k].substr(3);
    EXPECT_EQ(joined, substituted);
    EXPECT_EQ(echo.size(), (substituted.size() + 126) / 127);
}

TEST(FileLoop, StatementTooLongAfterSubstitutionIsSkippedAndTheLoopGoesOn) {
    // 1100 lines of 200 markers: 220,000 characters read, 880,000 after substitution.
    std::string script = "SET NOECHO\nDO # = 1000,1001\nTITLE ";
    for (int line = 0; line < 1100; ++line) script += std::string(200, '#') + "&\n";
    script += "X\nTITLE PASS #\nENDO\n";
    KeptRun r(script);
    EXPECT_EQ(r.starting(" ...ERROR..STATEMENT TOO LONG AFTER DO SUBSTITUTION").size(), 2u);
    EXPECT_EQ(r.starting(" #_TITLE PASS "), (Lines{" #_TITLE PASS 1000", " #_TITLE PASS 1001"}));
    EXPECT_FALSE(r.fatal);
}

TEST(FileLoop, InnerBoundsFromElementsAreLookedUpOnEveryPass) {
    // T holds 1, 2, 3, 4; the inner loop runs from T:2 to T:3 on each pass (with the first
    // element in place of T:3 its end would fall below its start and stop the run).
    KeptRun r("SET NOECHO\nSAMPLE 1 4\nTIME 1 1 T\nDO # = 3,4\nDO % = T:2, T:3\n"
              "TITLE #%\nENDO\nENDO\n");
    EXPECT_FALSE(r.fatal);
    EXPECT_EQ(r.starting(" %_TITLE"), (Lines{" %_TITLE 32", " %_TITLE 33", " %_TITLE 42",
                                             " %_TITLE 43"}));
}

TEST(FileLoop, ClosingTheLoopFileUnderTheLoopEndsItQuietly) {
    // RESET CLOSE closes the scratch units: the replay cannot go on, the run can.
    KeptRun r("SET NOECHO\nDO # = 1,3\nTITLE A#\nRESET CLOSE\nTITLE B#\nENDO\nTITLE AFTER #\n");
    EXPECT_FALSE(r.fatal);
    EXPECT_EQ(r.starting(" #_"), (Lines{" #_TITLE A1", " #_RESET CLOSE"}));
    EXPECT_FALSE(r.run->loops.replaying);
    EXPECT_EQ(r.run->cmd.record_length, 255);
    EXPECT_EQ(r.scalar(R_DO), Real(DO_FINISHED));
}

// A loop file the system refuses to write (a full temporary directory; here a file size limit
// in a child process stands for it) is an error: nothing of the loop runs, what follows does.
TEST(FileLoop, ALoopFileThatCannotBeWrittenIsRefused) {
    int channel[2];
    ASSERT_EQ(pipe(channel), 0);
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        close(channel[0]);
        signal(SIGXFSZ, SIG_IGN); // a write past the limit fails instead of ending the process
        const rlimit limit{64, 64};
        setrlimit(RLIMIT_FSIZE, &limit);
        std::string script = "SET NOECHO\nDO # = 1,2\n";
        for (int k = 0; k < 20; ++k) script += "TITLE INSIDE THE LOOP #\n";
        script += "ENDO\nPRINT $ERR\nSET ECHO\nTITLE AFTER THE LOOP\n";
        const KeptRun r(script);
        for (std::size_t at = 0; at < r.output.size();) {
            const ssize_t put = write(channel[1], r.output.data() + at, r.output.size() - at);
            if (put <= 0) _exit(2);
            at += static_cast<std::size_t>(put);
        }
        _exit(r.fatal ? 1 : 0);
    }
    close(channel[1]);
    std::string output;
    char chunk[4096];
    for (ssize_t got; (got = read(channel[0], chunk, sizeof chunk)) > 0;) output.append(chunk, got);
    close(channel[0]);
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0);
    const Lines lines = split_lines(output);
    auto has = [&](const std::string& line) {
        return std::find(lines.begin(), lines.end(), line) != lines.end();
    };
    EXPECT_TRUE(has(" ...ERROR..DO LOOP NOT RUN: ITS FILE TARV_8 COULD NOT BE WRITTEN (FILE TOO LARGE)"))
        << output;
    EXPECT_TRUE(has(" ...NOTE..MAKE ROOM IN THE TEMPORARY DIRECTORY OR NAME ANOTHER WITH FILE TEMP"));
    EXPECT_TRUE(has("    $ERR      13080.00")) << output;
    EXPECT_TRUE(has(" |_TITLE AFTER THE LOOP"));
    EXPECT_EQ(output.find("EXECUTION BEGINNING"), std::string::npos);
    EXPECT_EQ(output.find("INSIDE THE LOOP"), std::string::npos);
}

// ENDIF's condition belongs to the expression executor; here a small driver stands in for the
// dispatcher and ends the loop when the ENDIF statement's (substituted) word is "3".
struct EarlyEndDriver {
    KeptRun kept{"SET NOECHO\n"};
    Run& run = *kept.run;
    char* buf = nullptr;
    std::size_t len = 0;
    Lines dispatched; // every statement handed to a handler (ENDIF included)

    std::string drive(std::string script) {
        std::FILE* in = fmemopen(script.data(), script.size(), "r");
        std::FILE* out = open_memstream(&buf, &len);
        attach_unit(run, run.L5, in);
        attach_unit(run, run.L6, out);
        run.flags.OEOF = false;
        while (INPUT(run)) {
            run.flags.ODONT = false;
            run.flags.OPUT = true;
            dispatched.push_back(run.cmd.text);
            if (run.cmd.IKOD == C_ENDIF) {
                if (argument_word(run, 1) == "3") end_loop_early(run);
                continue;
            }
            handler_for(run.cmd.IKOD)(run);
        }
        close_unit(run, run.L5);
        close_unit(run, run.L6);
        std::fclose(in);
        std::fclose(out);
        std::string text(buf, len);
        std::free(buf);
        buf = nullptr;
        return text;
    }
};

Lines substituted_lines(const std::string& output) {
    Lines out;
    for (const std::string& line : split_lines(output))
        if (line.size() > 2 && line[0] == ' ' && line[2] == '_') out.push_back(line);
    return out;
}

TEST(EarlyEnd, EndifStopsTheFileLoopAndInputReturnsToTheConsole) {
    EarlyEndDriver d;
    std::string out = d.drive("DO # = 1,5\nTITLE A#\nENDIF #\nTITLE B#\nENDO\nTITLE AFTER\n");
    EXPECT_EQ(substituted_lines(out), (Lines{" #_TITLE A1", " #_ENDIF 1", " #_TITLE B1",
                                             " #_TITLE A2", " #_ENDIF 2", " #_TITLE B2",
                                             " #_TITLE A3", " #_ENDIF 3"}));
    EXPECT_NE(out.find(" ...NOTE..DO LOOP ENDED AT #=       3\n"), std::string::npos);
    EXPECT_EQ(d.dispatched.back(), "TITLE AFTER");
    EXPECT_EQ(d.dispatched.size(), 10u) << "DO, three passes of 3 commands but the last cut short";
    EXPECT_EQ(out.find("EXECUTION FINISHED"), std::string::npos);
    EXPECT_FALSE(d.run.loops.replaying);
    EXPECT_EQ(d.run.loops.LOOP[1], NO_INDEX_VALUE);
    EXPECT_EQ(d.run.loops.LOOP[2], NO_INDEX_VALUE);
    EXPECT_EQ(d.run.cmd.record_length, 255);
}

TEST(EarlyEnd, EndifInsideTheInnerLoopEndsBothLevels) {
    EarlyEndDriver d;
    std::string out =
        d.drive("DO # = 1,2\nDO % = 1,4\nENDIF %\nTITLE #%\nENDO\nENDO\nTITLE AFTER\n");
    EXPECT_EQ(substituted_lines(out), (Lines{" %_ENDIF 1", " %_TITLE 11", " %_ENDIF 2",
                                             " %_TITLE 12", " %_ENDIF 3"}));
    EXPECT_NE(out.find(" ...NOTE..DO LOOP ENDED AT #=       1\n"), std::string::npos);
    EXPECT_EQ(d.dispatched.back(), "TITLE AFTER");
}

TEST(EarlyEnd, EndifClosesAProcedureLoopLevel) {
    EarlyEndDriver d;
    d.run.sw[OLDDO] = true;
    const int vars_before = d.run.ws.NVARS;
    std::string out = d.drive("DO # = 1,5\nTITLE A#\nENDIF #\nENDO\nTITLE AFTER\n");
    EXPECT_EQ(substituted_lines(out),
              (Lines{"  _DO # = 1,5", " #_TITLE A1", " #_ENDIF 1", " #_TITLE A2", " #_ENDIF 2",
                     " #_TITLE A3", " #_ENDIF 3"}));
    EXPECT_NE(out.find(" ...NOTE..DO LOOP ENDED AT #=       3\n"), std::string::npos);
    EXPECT_EQ(d.run.loops.levels, 0);
    EXPECT_EQ(d.run.ws.NVARS, vars_before) << "the loop body is removed";
    EXPECT_EQ(d.run.res[R_DO], Real(DO_FINISHED));
}

TEST(EarlyEnd, NothingToEndOutsideALoop) {
    EarlyEndDriver d;
    std::string out = d.drive("ENDIF 3\nTITLE AFTER\n");
    EXPECT_EQ(out.find("DO LOOP ENDED"), std::string::npos);
}

// ---- Procedures --------------------------------------------------------------------------

TEST(ProcedureText, EightCharactersAnElementAndASeparatorAfterEachCommand) {
    KeptRun r("SET NOECHO\nPROCEDURE SHOW\nTITLE A\nDISPLAY WARN\nTITLE EXACTLY8\nPROCEND\n");
    tarvex::Run& run = *r.run;
    int ref = VFIND(run, "SHOW");
    ASSERT_GT(ref, 0);
    VarInfo info;
    ASSERT_TRUE(VINFO(run, ref, info));
    EXPECT_EQ(info.type, TYPE_CHAR_STRING);
    // "TITLE A" 1 + 1, "DISPLAY WARN" 2 + 1, "TITLE EXACTLY8" (14 characters) 2 + 1.
    EXPECT_EQ(info.length, 8);
    long long next = 1;
    std::string command;
    Lines back;
    while (next_procedure_command(run, ref, next, command)) back.push_back(command);
    EXPECT_EQ(back, (Lines{"TITLE A", "DISPLAY WARN", "TITLE EXACTLY8"}));
}

TEST(Procedures, TheSampleOfLevelOneComesBackAfterTheLastLevel) {
    KeptRun r("SET NOECHO\nSAMPLE 1 10\n"
              "PROCEDURE INNER\nSAMPLE 3 4 7 8\nPROCEND\n"
              "PROCEDURE OUTER\nSAMPLE 2 5\nEXECUTE INNER\nPROCEND\n"
              "EXECUTE OUTER\n");
    const tarvex::Run& run = *r.run;
    EXPECT_EQ(run.smpl.IBEG, 1);
    EXPECT_EQ(run.smpl.IEND, 10);
    EXPECT_EQ(run.smpl.NOBS, 10);
    for (int t = 1; t <= 10; ++t) EXPECT_TRUE(obs_in_use(run, t)) << "observation " << t;
    EXPECT_EQ(run.loops.levels, 0);
}

TEST(Procedures, LoopBodiesAreRemovedLastOrAsAHole) {
    // The body is the last variable: its words come back.
    KeptRun last("SET NOECHO\nSET OLDDO\nDIMENSION A 3\nDO # = 1,2\nTITLE #\nENDO\n");
    EXPECT_EQ(last.run->ws.NVARS, 1);
    EXPECT_EQ(last.run->ws.NDL, 0);
    EXPECT_EQ(VFIND(*last.run, "#"), 0);
    // A variable made inside the loop follows the body: the body leaves a hole.
    KeptRun hole("SET NOECHO\nSET OLDDO\nDO # = 1,2\nDIMENSION B# 2\nENDO\n");
    EXPECT_EQ(hole.run->ws.NVARS, 3);
    EXPECT_EQ(hole.run->ws.NDL, 1);
    EXPECT_GT(VFIND(*hole.run, "B1"), 0);
    EXPECT_GT(VFIND(*hole.run, "B2"), 0);
    EXPECT_EQ(VFIND(*hole.run, "#"), 0);
}

TEST(Procedures, DeepestLoopLevelsUseTheirOwnIndexScalars) {
    // Three nested procedure loops: levels 1 to 3 hold $DO, DO2 and DO3.
    KeptRun r("SET NOECHO\nSET OLDDO\nDO # = 1,1\nDO % = 4,4\nDO @ = 7,7\n"
              "DO ! = $DO, $DO2, $DO3\nTITLE !\nENDO\nENDO\nENDO\nENDO\n");
    // The fourth loop runs from $DO = 1 to DO2 = 4 in steps of DO3 = 7: one pass only.
    EXPECT_EQ(r.starting(" !_TITLE "), Lines{" !_TITLE 1"});
    for (int level = 1; level <= 4; ++level)
        EXPECT_EQ(r.scalar(R_DO + level - 1), Real(DO_FINISHED)) << "level " << level;
}

TEST(Procedures, CompressIsRefusedWhileStatementsReplay) {
    KeptRun r("SET NOECHO\nDO # = 1,1\nCOMPRESS\nENDO\nPROCEDURE P\nCOMPRESS\nPROCEND\nEXEC P\n");
    EXPECT_EQ(r.starting(" ...ERROR..COMPRESS NOT ALLOWED IN DO-LOOPS OR PROCS").size(), 2u);
}

} // namespace
} // namespace tarvex
