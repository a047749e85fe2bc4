// Procedures: PROCEDURE ... PROCEND stores a block of commands as text in the workspace, EXECUTE
// runs it as a new level (loading it from a procedure file when it is not defined yet), EXECS
// hands the reader one command after another, and the end of a level restores the sample. DO
// loops under SET OLDDO run through the same levels: the loop's block is stored under its
// marker, its first command is the DO header that sets the level's index, and each time the
// text runs out the index advances and the text starts again after the header.
#include "interp/do_loops.hpp"

#include "core/command_table.hpp"
#include "core/error_report.hpp"
#include "core/fatal_stop.hpp"
#include "interp/command_handlers.hpp"
#include "interp/dispatcher.hpp"
#include "interp/do_parts.hpp"
#include "interp/entry.hpp"
#include "interp/interp_errors.hpp"
#include "interp/procedure_text.hpp"
#include "interp/reader.hpp"
#include "io/afile.hpp"
#include "numeric/fortran_format.hpp"
#include "numeric/text.hpp"
#include "workspace/maintenance.hpp"
#include "workspace/sample.hpp"
#include "workspace/workspace.hpp"

#include <filesystem>

namespace tarvex {

namespace {

constexpr int FATAL_PROCEDURE = 16; // fatal stop code of the procedure machinery
constexpr int MAX_UNKNOWN_PROCEDURES = 5;

bool is_loop_body_name(std::string_view name) {
    return NAMCHK(name) != 1;
}

// ---- The sample saved when level 1 begins ------------------------------------------------

void save_sample(Run& run) {
    SavedSample& saved = run.loops.saved_sample;
    saved = SavedSample{};
    saved.held = true;
    saved.IBEG = run.smpl.IBEG;
    saved.IEND = run.smpl.IEND;
    saved.NOBS = run.smpl.NOBS;
    SkipCodes skip = skip_codes(run);
    if (skip) {
        saved.had_skip = true;
        saved.skip_codes.assign(skip.codes + 1, skip.codes + 1 + skip.length);
    }
}

void restore_sample(Run& run) {
    SavedSample& saved = run.loops.saved_sample;
    if (!saved.held) return;
    run.smpl.IBEG = saved.IBEG;
    run.smpl.IEND = saved.IEND;
    run.smpl.NOBS = saved.NOBS;
    if (saved.had_skip) {
        if (make_skip_variable(run, static_cast<long long>(saved.skip_codes.size()))) {
            SkipCodes skip = skip_codes(run);
            for (long long t = 1; t <= skip.length; ++t)
                skip.codes[t] = t <= static_cast<long long>(saved.skip_codes.size())
                                    ? saved.skip_codes[t - 1]
                                    : Real(SKIP_IN_USE);
        }
    } else if (SkipCodes skip = skip_codes(run)) {
        // No range was in force before: observations left out by ranges come back.
        for (long long t = 1; t <= skip.length; ++t) {
            const Real code = skip.codes[t];
            if (code != SKIP_MISSING && code > SKIP_BY_SKIPIF)
                skip.codes[t] = code - SKIP_OUTSIDE_RANGES;
        }
    }
    saved = SavedSample{};
}

// ---- Levels ------------------------------------------------------------------------------

// Enters a new level running the text `ref`; the run stops above 18 levels.
void push_level(Run& run, int ref, const std::string& name) {
    LoopState& L = run.loops;
    if (L.levels + 1 > MAX_PROC_LEVELS) {
        // The fatal stop ends the run: nothing is left for a severity to end.
        report_error(run, " ...ERROR..MORE THAN 18 PROC LEVELS", EXECUTE_TOO_DEEP,
                     ErrorSeverity::CONTINUES);
        XXIT(run, FATAL_PROCEDURE);
    }
    if (L.levels == 0) save_sample(run);
    ++L.levels;
    ProcLevel& level = L.proc[L.levels];
    level = ProcLevel{};
    level.ref = ref;
    level.name = name;
    level.displaced_marker = L.marker[L.levels];
    level.displaced_index = L.LOOP[L.levels];
    level.displaced_scalar = index_scalar(run, L.levels);
    L.marker[L.levels] = ' ';
    L.LOOP[L.levels] = NO_INDEX_VALUE;
    sync_replay_depth(run);
}

// Closes the top level: its loop body goes, its slot of the marker table (and, for a loop, its
// index scalar) gets back what it held before the level began, so that a file loop that ran
// EXECUTE goes on with its own marker and index; the sample of level 1 comes back when no
// level is left.
void close_level(Run& run, bool report_finish) {
    LoopState& L = run.loops;
    const int at = L.levels;
    ProcLevel level = L.proc[at];
    // Only a file loop still replaying has a claim on the slot (ENDIF may have ended it).
    const bool give_back = L.replaying && level.displaced_index != NO_INDEX_VALUE;
    if (level.loop) {
        if (report_finish && run.flags.OPUT) write_loop_finished(run, L.marker[at], level.index);
        if (give_back)
            restore_index_scalar(run, at, level.displaced_scalar);
        else
            set_index_scalar(run, at, DO_FINISHED);
    }
    L.marker[at] = give_back ? level.displaced_marker : ' ';
    L.LOOP[at] = give_back ? level.displaced_index : NO_INDEX_VALUE;
    L.proc[at] = ProcLevel{};
    --L.levels;
    if (is_loop_body_name(level.name) && level.ref > 0 && level.ref <= run.ws.NVARS &&
        trim_trailing_blanks(run.ws.VNAME[level.ref]) == level.name)
        remove_procedure_text(run, level.ref);
    if (L.levels == 0) restore_sample(run);
    sync_replay_depth(run);
}

// DOEND for a level whose text has run out: a loop starts its next pass, anything else ends.
void end_of_text(Run& run) {
    LoopState& L = run.loops;
    ProcLevel& level = L.proc[L.levels];
    if (level.loop) {
        level.index += level.step;
        L.LOOP[L.levels] = level.index;
        if (index_within(level.index, level.end, level.step)) {
            set_index_scalar(run, L.levels, level.index);
            level.next = level.body;
            level.exhausted = false;
            return;
        }
    }
    close_level(run, true);
}

// ---- Definitions -------------------------------------------------------------------------

// The name a PROCEDURE statement defines: the procedure's name, or the marker of a DO.
std::string defined_name(Run& run, bool as_do) {
    if (!as_do) return argument_word(run, 1);
    std::vector<std::string> words =
        do_statement_words(run.cmd.text, static_cast<std::size_t>(run.cmd.col));
    return words.empty() ? std::string() : words.front();
}

// The DO header as the first command of a running loop body: sets the level's bounds and index.
void start_loop_level(Run& run) {
    LoopState& L = run.loops;
    DoStatement statement;
    DoParse parsed =
        parse_do_statement(run, run.cmd.text, std::size_t(run.cmd.col), false, statement);
    if (parsed != DoParse::OK) {
        do_statement_error(run, parsed);
        close_level(run, false);
        return;
    }
    ProcLevel& level = L.proc[L.levels];
    level.loop = true;
    level.start = statement.bound[0].value;
    level.end = statement.bound[1].value;
    level.step = statement.bound[2].value;
    level.index = level.start;
    level.body = level.next;
    L.marker[L.levels] = statement.marker;
    L.LOOP[L.levels] = level.index;
    if (run.flags.OPUT) write_loop_beginning(run, statement.marker, level.start);
    set_index_scalar(run, L.levels, level.index);
}

// Whether `marker` belongs to a level already running.
bool marker_in_use(const Run& run, char marker) {
    for (int k = 1; k <= run.loops.levels; ++k)
        if (run.loops.marker[k] == marker) return true;
    return false;
}

} // namespace

void cmd_procedure(Run& run) {
    LoopState& L = run.loops;
    std::string typed = run.cmd.word.substr(0, run.cmd.word.find(' '));
    const bool as_do = match_command(typed, run.sw[OLONG]) == C_DO;
    const std::string name = defined_name(run, as_do);

    if (as_do) {
        // The header of a loop body that has just begun running.
        if (L.levels > 0 && L.proc[L.levels].name == name && !L.proc[L.levels].loop &&
            L.proc[L.levels].next > 1) {
            start_loop_level(run);
            return;
        }
        DoStatement check;
        DoParse parsed =
            parse_do_statement(run, run.cmd.text, std::size_t(run.cmd.col), true, check, true);
        if (parsed == DoParse::OK && marker_in_use(run, check.marker)) parsed = DoParse::SYNTAX;
        if (parsed != DoParse::OK) {
            do_statement_error(run, parsed);
            return;
        }
    } else if (name.empty() || NAMCHK(name) != 1) {
        report_error(run, " ...ERROR..PROCEDURE NAME MISSING OR INVALID: " + name,
                     PROCEDURE_NAME_INVALID);
        return;
    }

    // Store every command up to the matching PROCEND; nested definitions travel along.
    std::vector<std::string> commands;
    if (as_do) commands.push_back(run.cmd.text);
    const bool put = run.flags.OPUT;
    int depth = 0;
    for (;;) {
        if (!INPUT(run, true)) {
            do_syntax_error(run, "NO ENDO COMMAND FOUND IN DO LOOP", DO_NO_ENDO);
            return;
        }
        if (run.cmd.IKOD == C_PROCEDUR) {
            ++depth;
        } else if (run.cmd.IKOD == C_PROCEND) {
            if (depth == 0) break;
            --depth;
        }
        commands.push_back(run.cmd.text);
    }
    run.cmd.IKOD = C_PROCEDUR;
    run.flags.OPUT = put;
    const int ref = store_procedure_text(run, name, commands);
    if (ref <= 0) {
        report_error(run, ""); // the store has said why
        return;
    }
    if (as_do) {
        push_level(run, ref, name);
    } else if (!L.pending_execute.empty() && L.pending_execute == name) {
        L.pending_execute.clear();
        push_level(run, ref, name);
    }
}

void cmd_procend(Run& run) {
    // Under SET OLDDO the typed word may be ENDO.
    std::string typed = run.cmd.word.substr(0, run.cmd.word.find(' '));
    if (match_command(typed, run.sw[OLONG]) == C_ENDO)
        report_error(run, " ...ERROR..ENDO WITHOUT A MATCHING DO", ENDO_WITHOUT_DO);
    else
        report_error(run, " ...ERROR..PROCEND WITHOUT A MATCHING PROCEDURE",
                     PROCEND_WITHOUT_PROCEDURE);
}

std::string procedure_directory(const Run& run) {
    return run.files.PROCPATH.empty() ? run.host.VPROC : run.files.PROCPATH;
}

// As FILE PROC: the file is bound to the procedure unit, which supplies commands and data.
bool start_procedure_file(Run& run, const std::string& path) {
    if (!AFILE(run, run.loops.L82, path)) return false;
    run.IN = run.loops.L82;
    run.vals.READUNIT = run.loops.L82;
    return true;
}

void cmd_execute(Run& run) {
    LoopState& L = run.loops;
    const std::string name = argument_word(run, 1);
    if (name.empty()) {
        report_error(run, " ...ERROR..EXECUTE NEEDS A PROCEDURE NAME", EXECUTE_NO_NAME);
        return;
    }
    int ref = VFIND(run, name);
    if (ref > 0 && is_procedure_text(run, ref)) {
        push_level(run, ref, name);
        return;
    }
    std::string dir = procedure_directory(run);
    if (!dir.empty() && dir.back() != '/') dir += '/';
    std::string path = dir + name;
    if (ref == 0 && NAMCHK(name) == 1) {
        // A procedure file: the name, then the name with ".PRC" (and, since file names are
        // case-sensitive here, the same in lower case).
        std::string lower = name;
        for (char& c : lower) c = (c >= 'A' && c <= 'Z') ? char(c - 'A' + 'a') : c;
        std::error_code ec;
        for (const std::string& candidate :
             {dir + name, dir + name + ".PRC", dir + lower, dir + lower + ".prc"}) {
            if (!std::filesystem::is_regular_file(candidate, ec)) continue;
            // Both errors are fatal stops: the run ends with them.
            if (L.levels + 1 > MAX_PROC_LEVELS) {
                report_error(run, " ...ERROR..MORE THAN 18 PROC LEVELS", EXECUTE_TOO_DEEP,
                             ErrorSeverity::CONTINUES);
                XXIT(run, FATAL_PROCEDURE);
            }
            if (L.levels > 0) {
                report_error(
                    run, " ...ERROR..YOU NEED TO PRELOAD THE " + name + " PROC WITH THE COMMAND:",
                    EXECUTE_NOT_LOADED, ErrorSeverity::CONTINUES);
                write_line(run, "    FILE PROC " + candidate);
                XXIT(run, FATAL_PROCEDURE);
            }
            if (!start_procedure_file(run, candidate)) break;
            L.pending_execute = name;
            return;
        }
    }
    report_error(run, " ...ERROR.." + name + " IS INVALID VARIABLE FOR EXEC " + path,
                 EXECUTE_UNKNOWN);
    if (++L.unknown_procedures > MAX_UNKNOWN_PROCEDURES) XXIT(run, FATAL_PROCEDURE);
}

bool procedure_running(const Run& run) {
    const LoopState& L = run.loops;
    return L.levels > (L.replaying ? L.loop_base_levels : 0);
}

bool EXECS(Run& run, std::string& command) {
    LoopState& L = run.loops;
    while (procedure_running(run)) {
        ProcLevel& level = L.proc[L.levels];
        if (!level.exhausted) {
            if (next_procedure_command(run, level.ref, level.next, command)) return true;
            level.exhausted = true;
            end_goto_search(run); // a GOTO searches only the rest of this level's text
        }
        end_of_text(run);
    }
    return false;
}

bool end_loop_early(Run& run) {
    LoopState& L = run.loops;
    if (L.replaying && run.IN == L.L8 && !procedure_running(run)) return end_file_loop_early(run);
    int at = L.levels;
    while (at > 0 && !L.proc[at].loop) --at;
    if (at == 0) return end_file_loop_early(run);
    if (run.flags.OPUT)
        write_line(run, std::string(" ...NOTE..DO LOOP ENDED AT ") + L.marker[at] + "=" +
                            fmt_I(L.proc[at].index, 8));
    while (L.levels >= at) close_level(run, false);
    return true;
}

void abandon_replay(Run& run) {
    while (run.loops.levels > 0) close_level(run, false);
    end_file_loop_early(run);
}

} // namespace tarvex
