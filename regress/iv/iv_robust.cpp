// The residual-weighted instrument products, the sandwich covariance and Hansen's J.
#include "regress/iv/iv_robust.hpp"

#include "kernels/long_run_covariance.hpp"
#include "kernels/sandwich_covariance.hpp"
#include "kernels/symmetric_solve.hpp"
#include "regress/fit/ls_bridge.hpp"
#include "regress/iv/iv_gram.hpp"

namespace tarvex {

std::vector<Real> weighted_instrument_products(const IvData& data, const std::vector<Real>& resid,
                                               int lags) {
    // The scores u_t z_t at the rows' positions (the constant instrument is u_t itself).
    GramColumns scores;
    scores.nobs = data.n;
    scores.row_scale = resid.data();
    scores.rows = data.rows;
    for (int c : data.instruments) scores.columns.push_back(data.columns[c]);
    return long_run_covariance(scores, lags);
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

std::vector<Real> chosen_covariance(const IvData& data, const std::vector<Real>& projection,
                                    const std::vector<Real>& xhx_inv,
                                    const std::vector<Real>& resid, const IvControl& control, int k,
                                    int l) {
    const std::size_t n = data.n;
    auto value = [&data](int column, std::size_t i) {
        const Real* c = data.columns[std::size_t(column)];
        return c != nullptr ? c[data.at(i)] : Real(1);
    };
    // X^ (N x K, column after column) and the residuals of the rows in use.
    std::vector<Real> xhat(n * std::size_t(k), Real(0)), u(n);
    for (std::size_t i = 0; i < n; ++i) {
        u[i] = resid[data.at(i)];
        for (int z = 0; z < l; ++z) {
            const Real zi = value(data.instruments[std::size_t(z)], i);
            for (int a = 0; a < k; ++a)
                xhat[std::size_t(a) * n + i] += zi * projection[std::size_t(z) * k + a];
        }
    }
    const CovarianceChoice& c = control.covariance;
    if (c.clustered()) {
        std::vector<Real> scores(xhat);
        for (int a = 0; a < k; ++a)
            for (std::size_t i = 0; i < n; ++i) scores[std::size_t(a) * n + i] *= u[i];
        const int groups = control.clusters.groups;
        return clustered_covariance(scores, int(n), k, control.clusters.group, groups, xhx_inv,
                                    cluster_factor(c, groups, int(n), k));
    }
    std::vector<Real> hat;
    if (c.type == HeteroskedasticType::HC2 || c.type == HeteroskedasticType::HC3) {
        hat.assign(n, Real(0));
        for (std::size_t i = 0; i < n; ++i)
            for (int a = 0; a < k; ++a) {
                const Real xa = value(data.regressors[std::size_t(a)], i);
                for (int b = 0; b < k; ++b)
                    hat[i] += xa * xhx_inv[std::size_t(a) * k + b] * xhat[std::size_t(b) * n + i];
            }
    }
    return heteroskedastic_covariance(xhat, u, xhx_inv, int(n), k, c.type, hat);
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
