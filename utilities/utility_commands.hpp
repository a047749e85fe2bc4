// The data utilities: SORT (order observations by keys), COPY (copy variables or parts of
// them under new names), DISTRIB (densities, distribution functions and quantiles) and TABLES
// (cross-tabulations with tests of independence).
#pragma once

namespace tarvex {

struct Run;

void cmd_sort(Run& run);
void cmd_copy(Run& run);
void cmd_distrib(Run& run);
void cmd_tables(Run& run);

} // namespace tarvex
