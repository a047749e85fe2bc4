// DEMONSTR [name]: lists the worked examples with their descriptions, or runs one as if its
// statements were typed, waiting for RETURN between its statements at a terminal.
#pragma once

#include <string>

namespace tarvex {

struct Run;

// The unit a worked example is read from while it runs (one of the run's units 80 to 89).
inline constexpr int DEMONSTRATION_UNIT = 85;

void cmd_demonstr(Run& run);
// Before the command loop reads a statement: at a terminal, waits for RETURN before each
// statement of a running example but its first (end of input stops the waiting).
void pause_between_demonstration_steps(Run& run);
// After the command loop has read a statement: STOP, QUIT or EXIT read from a running example
// ends the example, not the run. True when the statement was such a STOP (it is not run).
bool demonstration_stop(Run& run);
// The example's file has ended (the reader calls it at its end of file): the input and the
// data unit return to what they were, with a note.
void end_demonstration(Run& run);

} // namespace tarvex
