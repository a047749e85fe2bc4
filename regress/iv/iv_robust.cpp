// The residual-weighted instrument products, the sandwich covariance and Hansen's J.
#include "regress/iv/iv_robust.hpp"

#include "kernels/symmetric_solve.hpp"
#include "regress/fit/ls_bridge.hpp"
#include "regress/iv/iv_gram.hpp"

namespace tarvex {

namespace {

// Instrument column c at position `at` (the constant is 1).
Real value_at(const IvData& data, int c, std::size_t at) {
    const Real* column = data.columns[data.instruments[c]];
    return column == nullptr ? Real(1) : column[at];
}

} // namespace

std::vector<Real> weighted_instrument_products(const IvData& data, const std::vector<Real>& resid,
                                               int lags) {
    const int l = static_cast<int>(data.instruments.size());
    const std::size_t n = data.n;
    // Lag 0 from the exact cross products of the rows scaled by their residuals.
    GramColumns scaled;
    scaled.nobs = n;
    scaled.row_scale = resid.data();
    scaled.rows = data.rows;
    for (int c : data.instruments) scaled.columns.push_back(data.columns[c]);
    const GramMatrix g = exact_gram(scaled);
    std::vector<Real> s(static_cast<std::size_t>(l) * l, Real(0));
    for (int a = 0; a < l; ++a)
        for (int b = 0; b < l; ++b) s[static_cast<std::size_t>(a) * l + b] = wide_value(g.at(a, b));
    std::vector<Real> zt(static_cast<std::size_t>(l)), zs(static_cast<std::size_t>(l));
    for (int j = 1; j <= lags; ++j) {
        const Real weight = 1 - Real(j) / (lags + 1);
        for (std::size_t t = static_cast<std::size_t>(j); t < n; ++t) {
            const std::size_t now = data.at(t), before = data.at(t - j);
            const Real uu = weight * resid[now] * resid[before];
            for (int c = 0; c < l; ++c) {
                zt[c] = value_at(data, c, now);
                zs[c] = value_at(data, c, before);
            }
            for (int a = 0; a < l; ++a)
                for (int b = 0; b < l; ++b)
                    s[static_cast<std::size_t>(a) * l + b] += uu * (zt[a] * zs[b] + zs[a] * zt[b]);
        }
    }
    return s;
}

std::vector<Real> robust_covariance(const std::vector<Real>& xhx_inv,
                                    const std::vector<Real>& projection, const std::vector<Real>& s,
                                    int k, int l) {
    // P'SP, K x K.
    std::vector<Real> sp(static_cast<std::size_t>(l) * k, Real(0));
    for (int a = 0; a < l; ++a)
        for (int m = 0; m < l; ++m) {
            const Real v = s[static_cast<std::size_t>(a) * l + m];
            if (v == 0) continue;
            for (int b = 0; b < k; ++b)
                sp[static_cast<std::size_t>(a) * k + b] +=
                    v * projection[static_cast<std::size_t>(m) * k + b];
        }
    std::vector<Real> meat(static_cast<std::size_t>(k) * k, Real(0));
    for (int a = 0; a < k; ++a)
        for (int b = 0; b < k; ++b) {
            Real sum = 0;
            for (int m = 0; m < l; ++m)
                sum += projection[static_cast<std::size_t>(m) * k + a] *
                       sp[static_cast<std::size_t>(m) * k + b];
            meat[static_cast<std::size_t>(a) * k + b] = sum;
        }
    return sandwich_product(xhx_inv, meat, k);
}

IvStatistic hansen_j(const GramMatrix& gram, const std::vector<int>& x_columns, int l,
                     const std::vector<Real>& s) {
    IvStatistic j;
    const int k = static_cast<int>(x_columns.size());
    const int ycol = gram.size - 1;
    std::vector<Real> lower;
    int failed = -1;
    if (!cholesky_factor(s, l, lower, failed, Real(1e-30Q))) return j;
    // A = Z'X (L x K), c = Z'y; W A and W c by solves with S.
    std::vector<Real> c(static_cast<std::size_t>(l));
    std::vector<std::vector<Real>> a_cols(static_cast<std::size_t>(k), std::vector<Real>(l));
    for (int z = 0; z < l; ++z) {
        c[z] = wide_value(gram.at(z, ycol));
        for (int a = 0; a < k; ++a) a_cols[a][z] = wide_value(gram.at(z, x_columns[a]));
    }
    std::vector<std::vector<Real>> wa(static_cast<std::size_t>(k));
    for (int a = 0; a < k; ++a) wa[a] = cholesky_solve(lower, l, a_cols[a]);
    const std::vector<Real> wc = cholesky_solve(lower, l, c);
    auto dot = [l](const std::vector<Real>& u, const std::vector<Real>& v) {
        Real sum = 0;
        for (int i = 0; i < l; ++i) sum += u[i] * v[i];
        return sum;
    };
    std::vector<Real> m(static_cast<std::size_t>(k) * k), rhs(static_cast<std::size_t>(k));
    for (int a = 0; a < k; ++a) {
        rhs[a] = dot(a_cols[a], wc);
        for (int b = 0; b < k; ++b) m[static_cast<std::size_t>(a) * k + b] = dot(a_cols[a], wa[b]);
    }
    std::vector<Real> m_lower;
    if (!cholesky_factor(m, k, m_lower, failed, Real(1e-30Q))) return j;
    const std::vector<Real> b = cholesky_solve(m_lower, k, rhs);
    // g = c - A b, J = g' W g.
    std::vector<Real> g(c);
    for (int z = 0; z < l; ++z)
        for (int a = 0; a < k; ++a) g[z] -= a_cols[a][z] * b[a];
    j.value = dot(g, cholesky_solve(lower, l, g));
    j.df1 = l - k;
    j.pvalue = chi2_tail(j.value, j.df1);
    j.available = true;
    return j;
}

} // namespace tarvex
