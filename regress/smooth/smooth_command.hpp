// SMOOTH series / METHOD=...: exponential smoothing (simple, Holt, Holt-Winters) or the
// Hodrick-Prescott filter of one series.
#pragma once

namespace tarvex {

struct Run;

void cmd_smooth(Run& run);

} // namespace tarvex
