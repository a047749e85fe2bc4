// GLS depvar indeps / OMEGA=matrix | VARIANCE=series: generalised least squares with a given
// error covariance.
#pragma once

namespace tarvex {

struct Run;

void cmd_gls(Run& run);

} // namespace tarvex
