// TOBIT over series bound to a file on disk (READ ... / BIND), with whole data series of the work
// area beside them.
#pragma once

namespace tarvex {

struct Run;
struct ChoiceOptions;

// TOBIT over the bound series the statement lists: the statement's checks, the options that need
// every row at once refused, the checks of the data in one pass over the blocks, then the fit
// over blocks, its report and its result, as for the same series in memory.
void tobit_over_bound_series(Run& run, const ChoiceOptions& o);

} // namespace tarvex
