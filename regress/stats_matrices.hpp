// The matrices of STATS: raw cross products, cross products in deviations, covariances,
// correlations and Spearman rank correlations, each pair over the observations it shares.
#pragma once

#include "numeric/real.hpp"
#include "regress/stats_data.hpp"

#include <vector>

namespace tarvex {

// k x k, row-major (and, being symmetric, column-major too).
struct StatsMatrices {
    std::vector<Real> cprod, cpdev, cov, corr, rank;
    long long n = 0; // fewest observations any pair shares
};

// `divide_by_n`: covariances divide by N instead of N - 1; `ranks`: also the rank correlations.
// A correlation with a constant variable is 0.
StatsMatrices compute_matrices(const StatsData& d, bool divide_by_n, bool ranks);

// Whether every variable is observed at the same observations.
bool same_observations(const StatsData& d);

} // namespace tarvex
