// DO loops and procedures below the statement level: index texts and substitution and the
// statement limit after it (its echo, long lines included, is pinned by the do/doecho golden),
// long statements split over the loop file's records, a loop file that cannot be written,
// procedure text in the workspace and loop bodies removed last or as a hole. ENDIF at each loop
// level, bounds from elements, the index scalars of four levels, RESET CLOSE under a loop,
// COMPRESS in a procedure and the sample restored after the last level are pinned by the
// do/loop_levels golden; the index scalars and nested bounds by do/nested; a bad bound while
// replaying, the recursion limit and a procedure defined again by do/fatal_bound,
// proc/recursion and proc/basic.
#include "interp/command_handlers.hpp"
#include "interp/do_loops.hpp"
#include "interp/entry.hpp"
#include "interp/procedure_text.hpp"
#include "test_support.hpp"
#include "workspace/sample.hpp"
#include "workspace/workspace.hpp"
#include "workspace_engine.hpp"

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

using testing::ScriptRun;
using testing::split_lines;

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
    ScriptRun r(script);
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
    ScriptRun r(script);
    EXPECT_EQ(r.starting(" ...ERROR..STATEMENT TOO LONG AFTER DO SUBSTITUTION").size(), 2u);
    EXPECT_EQ(r.starting(" #_TITLE PASS "), (Lines{" #_TITLE PASS 1000", " #_TITLE PASS 1001"}));
    EXPECT_FALSE(r.fatal);
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
        const ScriptRun r(script);
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
    EXPECT_TRUE(
        has(" ...ERROR..DO LOOP NOT RUN: ITS FILE TARV_8 COULD NOT BE WRITTEN (FILE TOO LARGE)"))
        << output;
    EXPECT_TRUE(
        has(" ...NOTE..MAKE ROOM IN THE TEMPORARY DIRECTORY OR NAME ANOTHER WITH FILE TEMP"));
    EXPECT_TRUE(has("    $ERR      13080.00")) << output;
    EXPECT_TRUE(has(" |_TITLE AFTER THE LOOP"));
    EXPECT_EQ(output.find("EXECUTION BEGINNING"), std::string::npos);
    EXPECT_EQ(output.find("INSIDE THE LOOP"), std::string::npos);
}

// ---- Procedures --------------------------------------------------------------------------

TEST(ProcedureText, EightCharactersAnElementAndASeparatorAfterEachCommand) {
    ScriptRun r("SET NOECHO\nPROCEDURE SHOW\nTITLE A\nDISPLAY WARN\nTITLE EXACTLY8\nPROCEND\n");
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

TEST(Procedures, LoopBodiesAreRemovedLastOrAsAHole) {
    // The body is the last variable: its words come back.
    ScriptRun last("SET NOECHO\nSET OLDDO\nDIMENSION A 3\nDO # = 1,2\nTITLE #\nENDO\n");
    EXPECT_EQ(last.run->ws.NVARS, 1);
    EXPECT_EQ(last.run->ws.NDL, 0);
    EXPECT_EQ(VFIND(*last.run, "#"), 0);
    // A variable made inside the loop follows the body: the body leaves a hole.
    ScriptRun hole("SET NOECHO\nSET OLDDO\nDO # = 1,2\nDIMENSION B# 2\nENDO\n");
    EXPECT_EQ(hole.run->ws.NVARS, 3);
    EXPECT_EQ(hole.run->ws.NDL, 1);
    EXPECT_GT(VFIND(*hole.run, "B1"), 0);
    EXPECT_GT(VFIND(*hole.run, "B2"), 0);
    EXPECT_EQ(VFIND(*hole.run, "#"), 0);
}

} // namespace
} // namespace tarvex
