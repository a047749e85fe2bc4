// STATS over series bound to a file on disk: the table's moments in two passes over blocks of
// rows (exact sums first, then the deviations from the mean), so that every value printed or
// stored is the one STATS gives on the same series in memory. What needs the whole series at
// once (order statistics, matrices, tests, weights) is refused.
#pragma once

namespace tarvex {

struct Run;
struct StatsOptions;
struct StatsResult;

// Whether the statement lists a series bound to a file.
bool stats_lists_bound(const Run& run);
// The table's rows (and SAMPSIZE's sizes) over the listed series; false after an error line.
bool compute_bound_stats(Run& run, const StatsOptions& o, StatsResult& r);

} // namespace tarvex
