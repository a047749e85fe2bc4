// The matrices of STATS: raw cross products, cross products in deviations, covariances,
// correlations and Spearman rank correlations, each pair over the observations it shares.
#pragma once

#include "kernels/stats_data.hpp"
#include "numeric/real.hpp"

#include <vector>

namespace tarvex {

// k x k, row-major (and, being symmetric, column-major too).
struct StatsMatrices {
    std::vector<Real> cprod, cpdev, cov, corr, rank;
    long long n = 0; // fewest observations any pair shares
};

// `centred`: each variable's own values centred (centre(d.values(i))), used as they are when
// every variable has the same observations; `divide_by_n`: covariances divide by N instead of
// N - 1; `raw`: also the raw cross products (cprod is left zero otherwise); `ranks`: also the
// rank correlations. A correlation with a constant variable is 0.
StatsMatrices compute_matrices(const StatsData& d, const std::vector<CentredValues>& centred,
                               bool divide_by_n, bool raw, bool ranks);

// Whether every variable is observed at the same observations.
bool same_observations(const StatsData& d);

} // namespace tarvex
