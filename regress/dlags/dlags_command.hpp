// DLAGS: a polynomial (Almon) distributed lag. The first variable after the dependent one enters
// with lags 0 .. LAGS= whose coefficients lie on a polynomial of degree ORDER=, tied to zero
// beyond the near end, the far end or both (NEAR, FAR, BOTH); the other variables enter as
// typed. The equation is the one OLS writes as x(0.LAGS,ORDER,endcon), estimated by OLS's own
// path, whose report lists the lag weights and ends with the table of their sum and mean lag.
#pragma once

namespace tarvex {

struct Run;

void cmd_dlags(Run& run);

} // namespace tarvex
