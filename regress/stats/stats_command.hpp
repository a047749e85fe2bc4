// The STATS command: descriptive statistics of a list of variables over the current sample,
// with optional matrices, order statistics, tests and result variables.
#pragma once

namespace tarvex {

struct Run;

// Handler of STATS.
void cmd_stats(Run& run);

} // namespace tarvex
