// SPREAD at a terminal: the table drawn with ANSI escape sequences, keys read in raw mode (the
// terminal's settings restored on every way out), each change handed to `store`.
#pragma once

#include "spread/spread_table.hpp"

#include <functional>

namespace tarvex {

// Runs the editor on the terminal `in_fd` / `out_fd` until the person quits or input ends.
// False when the terminal could not be put into raw mode (nothing was changed then).
bool run_spread_terminal(SpreadTable& table, int in_fd, int out_fd,
                         const std::function<void(const SpreadEdit&)>& store);

} // namespace tarvex
