// The command loop: reads each statement with INPUT, scans it, runs its handler from the
// command table and writes the after-command lines.
#pragma once

#include "core/run.hpp"
#include "interp/reader.hpp"

#include <string>

namespace tarvex {

using CommandHandler = void (*)(Run&);

enum class LoopEnd { Stop, Reallocate };

// Reads one statement into run.cmd and sets IKOD; false at end of input on the primary unit.
// A line that holds only a label runs nothing and is passed over, unless `keep_labels` (DO and
// PROCEDURE storing a block): it is then returned with IKOD 0.
bool INPUT(Run& run, bool keep_labels = false);
// Keeps the statement INPUT has just returned for the next INPUT, so that the command loop runs
// it after the command that read it ahead has ended.
void hold_statement(Run& run);
// The input a GOTO was searching ran out (a procedure's text, a DO loop pass, a command file,
// the end of input) before its label came: the search ends with an error.
void end_goto_search(Run& run);
// Answers a Ctrl-C noticed while INPUT read a statement: at the prompt the line typed so far is
// dropped; replaying a loop, a procedure or a command file, they end with the note INTERRUPTED.
void interrupt_between_statements(Run& run);
// Runs one statement as the command loop runs a statement INPUT has read (without the echo):
// classified, scanned when its command is, and handled unless the scan failed, the command was
// already ended or the run only scans. The outcome of the classification is returned; what the
// statement asked of the loop is left in run.cmd.end_request.
Statement run_statement(Run& run, std::string text);
// Gives the commands below the interpreter that read or scan statements of their own (TEST,
// NLINEAR, SYSTEM, DELETE, CONFIDEN) the reader and the scanner; the run start calls it before
// the first statement is read.
void install_statement_calls();
// Runs statements until STOP, end of input, or a PAR/SIZE reallocation request.
LoopEnd command_loop(Run& run);
// The handler of a command slot 1..120 (nullptr outside that range).
CommandHandler handler_for(int slot);
// Writes the note for a command that this version does not provide.
void not_available(Run& run);
// That note's line for the command word `word` (HELP gives it too).
std::string not_available_line(std::string_view word);

} // namespace tarvex
