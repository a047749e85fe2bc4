// 2SLS depvar regressors ; instruments / options (and INSTRUME, the same estimator): two-stage
// least squares for one equation.
#pragma once

namespace tarvex {

struct Run;

void cmd_2sls(Run& run);

} // namespace tarvex
