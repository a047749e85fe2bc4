// COINTEGR vars / options: unit-root tests of one variable (augmented Dickey-Fuller,
// Phillips-Perron, KPSS) and the Engle-Granger cointegration test of several.
#pragma once

namespace tarvex {

struct Run;

void cmd_cointegr(Run& run);

} // namespace tarvex
