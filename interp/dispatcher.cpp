// The command loop: writes the banner, then for each statement read by INPUT clears the
// per-command flags, sets the command group's scanner flags, scans, calls the handler from the
// command table and writes the after-command lines, until STOP, end of input or PAR/SIZE.
#include "interp/dispatcher.hpp"

#include "interp/command_handlers.hpp"
#include "interp/entry.hpp"
#include "interp/reader.hpp"
#include "workspace/carry_variables.hpp"
#include "workspace/data_bank.hpp"

#include <chrono>
#include <ctime>

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
        if (runs) row.handler(run);
    }
    after_command(run);
    cmd.LASKOD = cmd.IKOD;
}

} // namespace

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
    for (;;) {
        if (!INPUT(run)) {
            // End of input (or the reader gave up after repeated unknown commands): as STOP.
            if (run.sw[ODB]) save_data_bank(run);
            return LoopEnd::Stop;
        }
        dispatch_statement(run);
        if (run.cmd.end_request == END_STOP) return LoopEnd::Stop;
        if (run.cmd.end_request == END_REALLOCATE) return LoopEnd::Reallocate;
    }
}

} // namespace tarvex
