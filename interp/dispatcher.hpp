// The command loop: reads each statement with INPUT, scans it, runs its handler from the
// command table and writes the after-command lines.
#pragma once

#include "interp/run.hpp"

namespace tarvex {

using CommandHandler = void (*)(Run&);

enum class LoopEnd { Stop, Reallocate };

// Reads one statement into run.cmd and sets IKOD; false at end of input on the primary unit.
bool INPUT(Run& run);
// Answers a Ctrl-C noticed while INPUT read a statement: at the prompt the line typed so far is
// dropped; replaying a loop, a procedure or a command file, they end with the note INTERRUPTED.
void interrupt_between_statements(Run& run);
// Runs statements until STOP, end of input, or a PAR/SIZE reallocation request.
LoopEnd command_loop(Run& run);
// The handler of a command slot 1..120 (nullptr outside that range).
CommandHandler handler_for(int slot);
// Writes the note for a command that this version does not provide.
void not_available(Run& run);

} // namespace tarvex
