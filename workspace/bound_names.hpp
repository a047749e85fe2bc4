// Names bound to a file on disk (READ ... / BIND) as the rest of the run sees them: looking a
// name up in the registry, which commands take bound series, and the one message every other
// command gives for a bound name.
#pragma once

#include "core/bound_series.hpp"

#include <string>

namespace tarvex {

struct Run;

// $ERR sequence (command slot x 1000 + this) of " ...ERROR..X IS BOUND TO FILE f ON DISK: THIS
// COMMAND NEEDS IT IN MEMORY (PAR n)".
inline constexpr int BOUND_NEEDS_MEMORY_SEQUENCE = 78;
// $ERR sequence of a pass over bound series that failed (a file changed, a bad field, rows
// that differ).
inline constexpr int BOUND_PASS_FAILED_SEQUENCE = 77;

// The binding of `name` as the statement gives it (SET LCASE decides the case as for
// variables), or null when the name is not bound.
const BoundSeries* find_bound_series(const Run& run, const std::string& name);
// The registry key of a name as the statement gives it: its VNAME form.
std::string bound_key(const Run& run, const std::string& name);
// Removes the binding of the name (as the statement gives it), if any.
void unbind_series(Run& run, const std::string& name);
// Whether `command` (its command slot) reads bound series a block at a time. The statement
// scanner lets bound names through for these commands only (see interp/scanner.hpp); every
// other command refuses a bound name with bound_in_memory_message.
bool takes_bound_series(int command);
// Work-area kilobytes (the PAR size) that reading the bound series into memory would need.
long long par_to_load(const Run& run, const BoundSeries& series);
// " ...ERROR..X IS BOUND TO FILE f ON DISK: THIS COMMAND NEEDS IT IN MEMORY (PAR n)".
std::string bound_in_memory_message(const Run& run, const std::string& name,
                                    const BoundSeries& series);

} // namespace tarvex
