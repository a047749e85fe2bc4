// The one path by which a command reports an error: the "...ERROR.." line goes through the line
// buffer, the number (when there is one) is stored in $ERR, the current command ends (ODONT), and a
// serious error in a run without TALK switches the rest of the run to scanning only (OSCAN).
#pragma once

#include <string_view>

namespace tarvex {

struct Run;

enum class ErrorSeverity {
    CONTINUES,    // the line and $ERR only: the command goes on (zeros used, values skipped ...)
    ENDS_COMMAND, // the command ends
    SERIOUS,      // the command ends and, without TALK, later statements are only scanned
};

// Writes `line` (unless it is empty), stores `number` in $ERR (unless it is 0) and applies the
// severity. Further lines of the same diagnostic (a NOTE that says what to do) follow through
// write_line.
void report_error(Run& run, std::string_view line, int number = 0,
                  ErrorSeverity severity = ErrorSeverity::ENDS_COMMAND);

// $ERR of a message that several commands give, numbered by the command running it: its slot
// x 1000 plus the message's sequence number (70 out of memory, 80 an output naming an input ...).
int command_error_number(const Run& run, int sequence);

} // namespace tarvex
