// Impulse responses, variance decomposition and the causality tests of a fitted VAR.
#include "regress/var/var_dynamics.hpp"

#include "kernels/symmetric_solve.hpp"
#include "numeric/distributions.hpp"

namespace tarvex {

namespace {

// C = A B, all k x k row-major.
std::vector<Real> var_product(const std::vector<Real>& a, const std::vector<Real>& b, int k) {
    std::vector<Real> c(std::size_t(k) * k, 0);
    for (int i = 0; i < k; ++i)
        for (int l = 0; l < k; ++l) {
            const Real x = a[std::size_t(i) * k + l];
            if (x == 0) continue;
            for (int j = 0; j < k; ++j) c[std::size_t(i) * k + j] += x * b[std::size_t(l) * k + j];
        }
    return c;
}

// b' V^-1 b for a positive definite V (n x n row-major); false when V is not.
bool var_quadratic_form(const std::vector<Real>& v, const std::vector<Real>& b, Real& out) {
    const int n = int(b.size());
    std::vector<Real> lower;
    int failed = -1;
    if (!cholesky_factor(v, n, lower, failed, 1e-28Q)) return false;
    const std::vector<Real> x = cholesky_solve(lower, n, b);
    out = 0;
    for (int i = 0; i < n; ++i) out += b[std::size_t(i)] * x[std::size_t(i)];
    return true;
}

} // namespace

LagMatrices var_lag_matrices(const std::vector<Real>& coef, int k, int lags) {
    LagMatrices a(std::size_t(lags), std::vector<Real>(std::size_t(k) * k));
    for (int l = 0; l < lags; ++l)
        for (int i = 0; i < k; ++i)     // equation
            for (int j = 0; j < k; ++j) // regressor: series j at lag l + 1
                a[std::size_t(l)][std::size_t(i) * k + j] = coef[std::size_t(l * k + j) * k + i];
    return a;
}

std::vector<std::vector<Real>> impulse_responses(const LagMatrices& a, int k, int horizon,
                                                 const std::vector<Real>& factor) {
    std::vector<std::vector<Real>> phi;
    std::vector<Real> identity(std::size_t(k) * k, 0);
    for (int i = 0; i < k; ++i) identity[std::size_t(i) * k + i] = 1;
    phi.push_back(identity);
    for (int h = 1; h <= horizon; ++h) {
        std::vector<Real> next(std::size_t(k) * k, 0);
        for (int l = 1; l <= h && l <= int(a.size()); ++l) {
            const std::vector<Real> term =
                var_product(a[std::size_t(l - 1)], phi[std::size_t(h - l)], k);
            for (std::size_t i = 0; i < next.size(); ++i) next[i] += term[i];
        }
        phi.push_back(std::move(next));
    }
    if (!factor.empty())
        for (std::vector<Real>& m : phi) m = var_product(m, factor, k);
    return phi;
}

std::vector<std::vector<Real>> variance_decomposition(const std::vector<std::vector<Real>>& orth,
                                                      int k) {
    std::vector<std::vector<Real>> out;
    std::vector<Real> cumulative(std::size_t(k) * k, 0);
    for (const std::vector<Real>& theta : orth) {
        for (std::size_t i = 0; i < cumulative.size(); ++i) cumulative[i] += theta[i] * theta[i];
        std::vector<Real> share(cumulative.size());
        for (int i = 0; i < k; ++i) {
            Real total = 0;
            for (int j = 0; j < k; ++j) total += cumulative[std::size_t(i) * k + j];
            for (int j = 0; j < k; ++j)
                share[std::size_t(i) * k + j] = cumulative[std::size_t(i) * k + j] / total;
        }
        out.push_back(std::move(share));
    }
    return out;
}

WaldTest granger_test(const std::vector<Real>& coef, const std::vector<Real>& xtx_inv,
                      const std::vector<Real>& sigma, int k, int m, int lags, int t, int causing,
                      const std::vector<int>& caused) {
    // The restricted coefficients: series `causing` at every lag, in every caused equation.
    std::vector<std::pair<int, int>> cells; // (regressor, equation)
    for (int l = 0; l < lags; ++l)
        for (int e : caused) cells.push_back({l * k + causing, e});
    const int n = int(cells.size());
    std::vector<Real> b(static_cast<std::size_t>(n));
    std::vector<Real> v(static_cast<std::size_t>(n) * std::size_t(n));
    for (int i = 0; i < n; ++i) {
        const auto [r, e] = cells[std::size_t(i)];
        b[std::size_t(i)] = coef[std::size_t(r) * k + e];
        for (int j = 0; j < n; ++j) {
            const auto [r2, e2] = cells[std::size_t(j)];
            v[std::size_t(i) * n + j] =
                xtx_inv[std::size_t(r) * m + r2] * sigma[std::size_t(e) * k + e2];
        }
    }
    WaldTest w;
    if (n == 0 || !var_quadratic_form(v, b, w.statistic)) return w;
    w.df1 = n;
    w.df2 = Real(k) * (t - m);
    w.statistic /= n;
    w.pvalue = dist::f_upper(w.statistic, w.df1, w.df2);
    w.ok = true;
    return w;
}

WaldTest instantaneous_test(const std::vector<Real>& sigma, int k, int t, int causing,
                            const std::vector<int>& caused) {
    const int n = int(caused.size());
    auto s = [&](int a, int b) { return sigma[std::size_t(a) * k + b]; };
    std::vector<Real> b(static_cast<std::size_t>(n));
    std::vector<Real> v(static_cast<std::size_t>(n) * std::size_t(n));
    const int a = causing;
    for (int i = 0; i < n; ++i) {
        const int c = caused[std::size_t(i)];
        b[std::size_t(i)] = s(a, c);
        for (int j = 0; j < n; ++j) {
            const int d = caused[std::size_t(j)];
            v[std::size_t(i) * n + j] = s(a, a) * s(c, d) + s(a, d) * s(c, a);
        }
    }
    WaldTest w;
    if (n == 0 || !var_quadratic_form(v, b, w.statistic)) return w;
    w.statistic *= t;
    w.df1 = n;
    w.pvalue = dist::chi_square_upper(w.statistic, n);
    w.ok = true;
    return w;
}

} // namespace tarvex
