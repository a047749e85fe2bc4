// 2SLS and INSTRUME over series bound to a file on disk (READ ... / BIND), with whole data series
// of the work area beside them: the exact cross products of [Z X_endogenous y] added block by
// block, the fit solved from them as in memory, and a second pass over the blocks for the
// structural residuals' sum of squares, so that the report and the stored values are those of
// the same series in memory. What needs every residual at once is refused before anything is
// read.
#pragma once

#include <string>

namespace tarvex {

struct Run;
struct IvOptions;

// Whether the statement lists a bound series.
bool iv_lists_bound_series(const Run& run);

// The estimate over the bound series (`command` 2SLS or INSTRUME): checks, refusals, the passes
// over the blocks, the report and the stored result.
void iv_over_bound_series(Run& run, const IvOptions& o, const std::string& command);

} // namespace tarvex
