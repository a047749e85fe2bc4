// DIAGNOSE: tests of the last linear least-squares estimation (OLS, IMLS or DLAGS), with the
// options of FCAST: RECRESID (on) the recursive residuals with CUSUM and CUSUM of squares,
// CHOWONE= the Chow breakpoint and predictive tests at an observation, CHOWTEST the
// Quandt-Andrews sup-F over the middle 70% of the sample, HETEROSC (MHET= its order) Engle's
// ARCH test of the residuals. The data are read again at the estimation's observations.
#pragma once

namespace tarvex {

struct Run;

void cmd_diagnose(Run& run);

} // namespace tarvex
