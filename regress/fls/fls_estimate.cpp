// FLS's block elimination: forward, S_1 = A_1, S_t = A_t - mu**2 S_{t-1}**-1 with the right
// side z_t = x_t y_t + mu S_{t-1}**-1 z_{t-1}; back, b_T = S_T**-1 z_T and
// b_t = S_t**-1 (z_t + mu b_{t+1}).
#include "regress/fls/fls_estimate.hpp"

#include "kernels/symmetric_solve.hpp"

#include <cstddef>

namespace tarvex {

namespace {

// A pivot below this fraction of its diagonal element is taken for zero.
const Real FLS_PIVOT_FLOOR = 1e-28Q;

} // namespace

FlsPath solve_fls(const FlsData& d, Real mu) {
    FlsPath path;
    const std::size_t t_count = d.y.size(), k = d.x.size();
    const int ki = int(k);
    std::vector<std::vector<Real>> factors(t_count);
    std::vector<std::vector<Real>> z(t_count);
    std::vector<Real> previous_inverse; // S_{t-1}**-1
    for (std::size_t t = 0; t < t_count; ++t) {
        const Real links = (t > 0 ? 1 : 0) + (t + 1 < t_count ? 1 : 0);
        std::vector<Real> s(k * k), rhs(k);
        for (std::size_t r = 0; r < k; ++r) {
            for (std::size_t c = 0; c < k; ++c) s[r * k + c] = d.x[r][t] * d.x[c][t];
            s[r * k + r] += mu * links;
            rhs[r] = d.x[r][t] * d.y[t];
        }
        if (t > 0) {
            for (std::size_t r = 0; r < k; ++r)
                for (std::size_t c = 0; c < k; ++c) {
                    s[r * k + c] -= mu * mu * previous_inverse[r * k + c];
                    rhs[r] += mu * previous_inverse[r * k + c] * z[t - 1][c];
                }
            for (std::size_t r = 0; r < k; ++r) // exact symmetry for the factor
                for (std::size_t c = 0; c < r; ++c)
                    s[r * k + c] = s[c * k + r] = (s[r * k + c] + s[c * k + r]) / 2;
        }
        int failed = -1;
        if (!cholesky_factor(s, ki, factors[t], failed, FLS_PIVOT_FLOOR)) {
            path.identified = false;
            return path;
        }
        z[t] = std::move(rhs);
        if (t + 1 < t_count) previous_inverse = cholesky_inverse(factors[t], ki);
    }
    path.b.assign(t_count * k, Real(0));
    std::vector<Real> next; // b_{t+1}
    for (std::size_t t = t_count; t-- > 0;) {
        std::vector<Real> rhs = z[t];
        if (t + 1 < t_count)
            for (std::size_t c = 0; c < k; ++c) rhs[c] += mu * next[c];
        next = cholesky_solve(factors[t], ki, rhs);
        for (std::size_t c = 0; c < k; ++c) path.b[t * k + c] = next[c];
    }
    path.fitted.assign(t_count, Real(0)), path.residuals.assign(t_count, Real(0));
    for (std::size_t t = 0; t < t_count; ++t) {
        for (std::size_t c = 0; c < k; ++c) path.fitted[t] += d.x[c][t] * path.b[t * k + c];
        path.residuals[t] = d.y[t] - path.fitted[t];
        path.measurement_cost += path.residuals[t] * path.residuals[t];
        if (t + 1 < t_count)
            for (std::size_t c = 0; c < k; ++c) {
                const Real step = path.b[(t + 1) * k + c] - path.b[t * k + c];
                path.dynamic_cost += step * step;
            }
    }
    return path;
}

} // namespace tarvex
