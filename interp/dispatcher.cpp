// The command loop: writes the banner, then for each statement read by INPUT clears the
// per-command flags, sets the command group's scanner flags, scans, calls the handler from the
// command table and writes the after-command lines, until STOP, end of input or PAR/SIZE.
#include "interp/dispatcher.hpp"

#include "core/error_report.hpp"
#include "core/interpreter_calls.hpp"
#include "core/interrupt.hpp"
#include "interp/command_handlers.hpp"
#include "interp/demonstr_command.hpp"
#include "interp/do_loops.hpp"
#include "interp/entry.hpp"
#include "interp/reader.hpp"
#include "interp/scanner.hpp"
#include "workspace/carry_variables.hpp"
#include "workspace/data_bank.hpp"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <new>

namespace tarvex {

namespace {

void clear_command_flags(Run& run) {
    RunFlags& f = run.flags;
    f.OTNUM = false;
    f.ONEWV = false;
    f.OERR = false;
    f.ODONT = false;
    f.if_false = false;
    f.OPUT = run.sw[OOPUT] && !run.cmd.quiet;
    run.cmd.end_request = END_NONE;
}

void set_group_flags(Run& run, ScanGroup group) {
    if (group == ScanGroup::CREATES) run.flags.ONEWV = true;
    if (group != ScanGroup::PLAIN) run.flags.OTNUM = true;
}

void after_command(Run& run) {
    if (run.sw[OTIM]) write_timing(run);
    if (run.flags.if_false && run.flags.OPUT && run.sw[OWARN])
        write_line(run, " ...WARNING..ABOVE STATEMENT NOT EXECUTED - PREVIOUS IF IS FALSE");
}

// $ERR sequence of a command that the system could not give the memory it asked for.
constexpr int OUT_OF_MEMORY_SEQUENCE = 70;

// Sends the lines a command left in the line buffer without flushing (it stopped half-way
// through a report) and pushes the output unit's own buffer out.
void flush_pending_lines(Run& run) {
    int last = 0;
    for (int k = 1; k <= LINE_BUFFER_LINES; ++k)
        if (!run.buf.line[k].empty()) last = k;
    if (last > 0) {
        run.buf.IVL = last;
        FLUSH_BUFFER(run);
    }
    if (UnitFile* out = unit_file(run, run.L6); out != nullptr && out->fp != nullptr)
        std::fflush(out->fp);
}

// The command ends for lack of memory: as for an exhausted work area, the error ends the
// command and, in a run without TALK, leaves the rest of the run to scanning only.
void end_for_lack_of_memory(Run& run) {
    flush_pending_lines(run);
    report_error(run, " ...ERROR..INSUFFICIENT MEMORY FOR THIS CALCULATION",
                 command_error_number(run, OUT_OF_MEMORY_SEQUENCE), ErrorSeverity::SERIOUS);
}

// Ctrl-C in an interactive run: the command (and any loop or procedure replaying) ends and
// the next statement comes from the prompt.
void end_interrupted(Run& run) {
    clear_interrupt();
    flush_pending_lines(run);
    abandon_replay(run);
    run.IN = run.L55;
    write_line(run, " ...NOTE..INTERRUPTED");
    report_error(run, "");
}

// Runs the handler; an allocation the system refuses or a Ctrl-C ends the command here, with
// whatever the command held released on the way out.
void run_handler(Run& run, const CommandRow& row) {
    try {
        const CommandScope running;
        row.handler(run);
    } catch (const std::bad_alloc&) {
        abandon_replacements(run);
        end_for_lack_of_memory(run);
    } catch (const CommandInterrupted&) {
        abandon_replacements(run);
        end_interrupted(run);
    }
    if (interrupt_pending()) end_interrupted(run); // a transfer or program it stopped
}

// Runs the statement INPUT left in run.cmd.
void dispatch_statement(Run& run) {
    CommandState& cmd = run.cmd;
    clear_command_flags(run);
    if (cmd.IKOD == C_QUIT || cmd.IKOD == C_EXIT) cmd.IKOD = C_STOP;
    if (cmd.IKOD == C_STOP) cmd.stop_word.clear();
    const CommandRow& row = COMMAND_ROWS[cmd.IKOD - 1];
    set_group_flags(run, row.group);

    bool dropped = false;
    if (row.args == Args::SCANNED) {
        SCANIT(run);
        dropped = run.flags.OERR;
    }
    if (!dropped) {
        bool runs = cmd.IKOD == C_DELETE || !(run.flags.ODONT || run.sw[OSCAN]);
        if (runs) run_handler(run, row);
    }
    if (run.flags.endif_hit) { // an ENDIF whose condition held ends the innermost DO loop
        run.flags.endif_hit = false;
        end_loop_early(run);
    }
    after_command(run);
    cmd.LASKOD = cmd.IKOD;
}

void begin_error_number_check(Run& run) {
    run.error_check.error_lines = run.error_check.numbers_stored = 0;
    run.error_check.first_line.clear();
}

// A statement that wrote an error line without storing a number in $ERR is named on standard
// error, where the developers' check of every transcript looks for it.
void end_error_number_check(const Run& run) {
    const ErrorNumberCheck& check = run.error_check;
    if (check.on && check.error_lines > 0 && check.numbers_stored == 0)
        std::fprintf(stderr, "tarvex: error line without $ERR: %s\n", check.first_line.c_str());
}

bool read_statement_for_command(Run& run) {
    return INPUT(run);
}

} // namespace

void install_statement_calls() {
    install_interpreter_calls({read_statement_for_command, hold_statement, SCANIT});
}

void interrupt_between_statements(Run& run) {
    if (run.cmd.replay_depth == 0 && run.IN == run.L55)
        clear_interrupt();
    else
        end_interrupted(run);
}

Statement run_statement(Run& run, std::string text) {
    const Statement kind = classify_statement(run, std::move(text));
    if (kind == Statement::RUNS) dispatch_statement(run);
    return kind;
}

LoopEnd command_loop(Run& run) {
    write_banner(run);
    run.wall_start = std::chrono::steady_clock::now();
    run.cpu_start = std::clock();
    if (run.flags.OPAR) restore_carried_variables(run);
    run.error_check.on = std::getenv("TARVEX_CHECK_ERROR_NUMBERS") != nullptr;
    for (;;) {
        begin_error_number_check(run);
        pause_between_demonstration_steps(run);
        if (!INPUT(run)) {
            // End of input (or the reader gave up after repeated unknown commands): as STOP.
            if (run.sw[ODB]) save_data_bank(run);
            return LoopEnd::Stop;
        }
        if (demonstration_stop(run)) continue; // ends the worked example, not the run
        dispatch_statement(run);
        end_error_number_check(run);
        if (run.cmd.end_request == END_STOP) return LoopEnd::Stop;
        if (run.cmd.end_request == END_REALLOCATE) return LoopEnd::Reallocate;
    }
}

} // namespace tarvex
