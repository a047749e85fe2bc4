// P-values and critical values of Dickey-Fuller-type statistics (the augmented Dickey-Fuller
// and Phillips-Perron tau, Engle-Granger's tau on cointegrating residuals) from MacKinnon's
// response surfaces.
#pragma once

#include "numeric/real.hpp"
#include "regress/coint/unit_root.hpp"

#include <array>

namespace tarvex {

// Whether the surfaces cover this many variables (1 .. 6; without a constant only 1 has
// finite-sample critical values).
bool mackinnon_covers(Deterministic det, int nvars);

// The approximate asymptotic p-value P(tau_N < tau): Phi of a polynomial in tau, the small-p
// branch left of the cut-off tau*, 0 below tau_min and 1 above tau_max.
Real mackinnon_pvalue(Real tau, Deterministic det, int nvars);

// The 1%, 5% and 10% critical values for a regression on `nobs` observations.
std::array<Real, 3> mackinnon_critical_values(Deterministic det, int nvars, int nobs);

} // namespace tarvex
