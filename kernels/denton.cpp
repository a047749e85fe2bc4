// The Denton distribution (proportional first differences) as one direct solve. The smoothing
// system is made positive definite by adding the aggregation rows: H = A + g B'B, with A the
// first-difference matrix D'D and B the aggregation rows weighted by the indicator, which has
// the same solution on the constraints. Then z = H^-1 B' S^-1 Y with S = B H^-1 B': a band
// solve per period and one small Cholesky solve.
#include "kernels/band_cholesky.hpp"
#include "kernels/symmetric_solve.hpp"
#include "kernels/temporal_disaggregation.hpp"

#include <algorithm>

namespace tarvex {

DentonFit denton_distribute(const std::vector<Real>& low, int ratio,
                            const std::vector<Real>& indicator, bool average) {
    DentonFit fit;
    const int periods = int(low.size());
    const int n = periods * ratio;
    if (periods < 1 || ratio < 1) return fit;
    const Real weight = average ? Real(1) / Real(ratio) : Real(1);
    std::vector<Real> b(static_cast<std::size_t>(n));
    Real largest = 0;
    for (int t = 0; t < n; ++t) {
        b[t] = weight * (indicator.empty() ? Real(1) : indicator[std::size_t(t)]);
        largest = std::max(largest, b[t] * b[t]);
    }
    if (!(largest > 0)) return fit;
    const Real g = 1 / largest; // brings g B'B to the size of A

    SymmetricBand h(n, std::max(1, ratio - 1));
    for (int t = 0; t < n; ++t) {
        h.at(t, 0) = Real((t > 0 ? 1 : 0) + (t < n - 1 ? 1 : 0));
        if (t > 0) h.at(t, 1) = -1;
        for (int s = t - t % ratio; s <= t; ++s) h.at(t, t - s) += g * b[t] * b[s];
    }
    if (!band_cholesky(h)) return fit;

    std::vector<std::vector<Real>> columns(static_cast<std::size_t>(periods)); // H^-1 B' e_i
    for (int i = 0; i < periods; ++i) {
        std::vector<Real>& col = columns[std::size_t(i)];
        col.assign(std::size_t(n), Real(0));
        for (int t = i * ratio; t < (i + 1) * ratio; ++t) col[t] = b[t];
        band_cholesky_solve(h, col);
    }
    std::vector<Real> s(std::size_t(periods) * std::size_t(periods));
    for (int i = 0; i < periods; ++i)
        for (int j = 0; j < periods; ++j) {
            Real sum = 0;
            for (int t = i * ratio; t < (i + 1) * ratio; ++t) sum += b[t] * columns[j][t];
            s[std::size_t(i) * periods + j] = sum;
        }
    // S is symmetric in exact arithmetic; its two triangles are made equal before factoring.
    for (int i = 0; i < periods; ++i)
        for (int j = 0; j < i; ++j) {
            const Real mean =
                (s[std::size_t(i) * periods + j] + s[std::size_t(j) * periods + i]) / 2;
            s[std::size_t(i) * periods + j] = s[std::size_t(j) * periods + i] = mean;
        }
    std::vector<Real> lower;
    int failed = -1;
    if (!cholesky_factor(s, periods, lower, failed)) return fit;
    const std::vector<Real> mu = cholesky_solve(lower, periods, low);
    fit.values.assign(std::size_t(n), Real(0));
    for (int t = 0; t < n; ++t) {
        Real z = 0;
        for (int j = 0; j < periods; ++j) z += columns[j][t] * mu[j];
        fit.values[t] = (indicator.empty() ? Real(1) : indicator[std::size_t(t)]) * z;
    }
    fit.ok = true;
    return fit;
}

} // namespace tarvex
