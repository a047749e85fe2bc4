// The interpreter's statement reading, for the few commands below it that read statements of
// their own (the TEST and RESTRICT lines of a hypothesis block, the blocks of NLINEAR and
// SYSTEM) or scan their list late (DELETE, CONFIDEN). The run start installs the interpreter's
// routines before it reads the first statement; the layers below call them only through these
// functions. A call before the installation is a programming error: it stops the process with
// a message on standard error, never passes as "no statement".
#pragma once

namespace tarvex {

struct Run;

struct InterpreterCalls {
    bool (*next_statement)(Run&) = nullptr; // reads the next statement into run.cmd
    void (*hold_statement)(Run&) = nullptr; // keeps the statement just read for the loop to run
    void (*scan_statement)(Run&) = nullptr; // scans run.cmd into the scan block
};

// Installs the interpreter's routines (the run start does, before any statement is read). All
// three must be given: a missing one stops the process as a programming error.
void install_interpreter_calls(const InterpreterCalls& calls);

// Reads the next statement; false at the end of input.
bool read_next_statement(Run& run);
// Hands the statement just read back to the command loop, which runs it next.
void hold_statement_for_loop(Run& run);
// Scans the current statement from run.cmd.col into run.scan.
void scan_statement(Run& run);

} // namespace tarvex
