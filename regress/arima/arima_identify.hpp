// The identification statistics of a series: its autocorrelations r_k (about the mean, with the
// 1/n autocovariances) and their standard errors by Bartlett's formula
// sqrt((1 + 2 sum_{j<k} r_j**2) / n); the partial autocorrelations by the Durbin-Levinson
// recursion, standard error 1/sqrt(n); and the Ljung-Box statistics
// Q_k = n (n+2) sum_{j<=k} r_j**2 / (n-j) with their chi-square p-values on k - fitted degrees
// of freedom (no p-value where that is not positive).
#pragma once

#include "numeric/real.hpp"

#include <vector>

namespace tarvex {

struct Correlogram {
    int n = 0;                                             // observations
    std::vector<Real> ac, ac_se, pac, pac_se, q, q_pvalue; // lags 1..nlag
    std::vector<int> q_df;
};

// Lags 1..nlag of x (nlag < x.size()); `fitted` parameters come off the Ljung-Box degrees of
// freedom (0 for a series, p + q + P + Q for the residuals of a fitted model).
Correlogram correlogram(const std::vector<Real>& x, int nlag, int fitted);

// The default number of lags for n observations: 10 log10(n), at most n - 1.
int default_lags(int n);

} // namespace tarvex
