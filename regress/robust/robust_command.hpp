// ROBUST: quantile regression (least absolute deviations by default) and Huber or bisquare
// M-estimation of a linear equation.
#pragma once

namespace tarvex {

struct Run;

void cmd_robust(Run& run);

} // namespace tarvex
