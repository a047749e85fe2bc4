// The stored user format: the FORMAT command keeps the text of its statement in the workspace
// as the character string FORMAT$, which PRINT, WRITE and READ apply when asked (FORMAT option
// without a value, or the run switch OFMT).
#pragma once

#include <string>
#include <string_view>

namespace tarvex {

struct Run;

inline constexpr int FORMAT_LIMIT = 248;              // longest usable format text
inline constexpr int STOP_FORMAT_TOO_LONG_PRINT = -4; // fatal stop code from PRINT and WRITE
inline constexpr int STOP_FORMAT_TOO_LONG_READ = -3;  // fatal stop code from READ
inline constexpr int STOP_FORMAT_AT_DISPATCHER = 590; // FORMAT statement reached the dispatcher

// The FORMAT statement as the reader hands it over: `text` is what follows the word FORMAT.
// Stores it as FORMAT$ and reports an I edit descriptor (workspace values are all reals).
void store_format(Run& run, std::string_view text);
// KFMT: the slot of FORMAT$ when a format is stored, else 0 (never above 0 without one).
int KFMT(Run& run);
// The stored format text (trailing blanks removed); false when no format is stored.
bool stored_format(Run& run, std::string& text);
// The stored format for a command about to use it: false after "...ERROR..YOU MUST SPECIFY A
// FORMAT" when none exists; a text over the limit stops the run with `stop_code`.
bool format_for_use(Run& run, int stop_code, std::string& text);
// Handler of the FORMAT row of the command table: the reader consumes FORMAT statements, so
// one that reaches the dispatcher is an internal error that stops the run.
void cmd_format_at_dispatcher(Run& run);

} // namespace tarvex
