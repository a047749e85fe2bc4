// The p-value of the sup-F (Quandt-Andrews) statistic under Andrews' asymptotic distribution,
// by Hansen's (1997) response-surface approximation: a chi-square tail at a linear function of
// the statistic, interpolated over the trimming of the breaks.
#pragma once

#include "numeric/real.hpp"

namespace tarvex {

inline constexpr int SUP_F_MAX_K = 40;    // the surface is published for 1 .. 40 regressors
inline constexpr int SUP_F_TAU_ROWS = 25; // rows per K
extern const Real SUP_F_RESPONSE_SURFACE[SUP_F_MAX_K * SUP_F_TAU_ROWS][3];

// lambda = ((n - lo) hi) / (lo (n - hi)) for breaks after rows lo .. hi of n.
Real sup_f_lambda(int n, int lo, int hi);

// The p-value of `stat` with k regressors tested (1 .. SUP_F_MAX_K) and trimming `lambda`;
// lambda = 1 (a single break) gives the chi-square(k) tail.
Real sup_f_pvalue(Real stat, int k, Real lambda);

} // namespace tarvex
