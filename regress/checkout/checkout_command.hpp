// CHECKOUT [names] [/ options]: checks data series for missing codes, constants, duplicates,
// values outside bounds, lengths and gaps in the sample, and (COLLIN) the regressors of the last
// estimation for collinearity.
#pragma once

namespace tarvex {

struct Run;

void cmd_checkout(Run& run);

} // namespace tarvex
