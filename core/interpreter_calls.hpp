// The interpreter's statement reading, for the few commands below it that read statements of
// their own (the TEST and RESTRICT lines of a hypothesis block) or scan their list late
// (DELETE). The interpreter installs its routines when it is linked into the program; the
// layers below call them only through these functions.
#pragma once

namespace tarvex {

struct Run;

struct InterpreterCalls {
    bool (*next_statement)(Run&) = nullptr; // reads the next statement into run.cmd
    void (*hold_statement)(Run&) = nullptr; // keeps the statement just read for the loop to run
    void (*scan_statement)(Run&) = nullptr; // scans run.cmd into the scan block
};

// Installs the interpreter's routines (done once, when the interpreter is linked in).
bool install_interpreter_calls(const InterpreterCalls& calls);

// Reads the next statement; false at the end of input (or with no interpreter installed).
bool read_next_statement(Run& run);
// Hands the statement just read back to the command loop, which runs it next.
void hold_statement_for_loop(Run& run);
// Scans the current statement from run.cmd.col into run.scan.
void scan_statement(Run& run);

} // namespace tarvex
