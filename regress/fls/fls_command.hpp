// FLS depvar indeps / MU=weight [FRONTIER=vector] options: flexible least squares, the path of
// time-varying coefficients.
#pragma once

namespace tarvex {

struct Run;

void cmd_fls(Run& run);

} // namespace tarvex
