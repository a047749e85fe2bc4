// SYSTEM / options, followed by its block of EQ, ENDOGENO, EXOGENOU, LAGGED and IDENTITY lines
// up to END: seemingly unrelated regressions (iterated on request) or three-stage least squares.
#pragma once

namespace tarvex {

struct Run;

void cmd_system(Run& run);

} // namespace tarvex
