// Forming and combining the cross-products of a regression with AR(1) or AR(2) errors.
#include "kernels/ar_moments.hpp"

#include "numeric/qmath.hpp"

namespace tarvex {

namespace {

// (-b, 1): the weights that make a row of [X y] its residual.
std::vector<Wide> residual_weights(const std::vector<Real>& b, int m) {
    std::vector<Wide> g(std::size_t(m), wide(1));
    for (int a = 0; a + 1 < m; ++a) g[std::size_t(a)] = wide(-b[std::size_t(a)]);
    return g;
}

} // namespace

ArMoments ar_moments(const std::vector<const Real*>& columns, std::size_t n, int order) {
    ArMoments a;
    a.m = static_cast<int>(columns.size());
    a.order = order;
    a.n = n;
    const std::size_t p = std::size_t(order);
    GramColumns g;
    g.nobs = n > p ? n - p : 0;
    for (std::size_t i = 0; i <= p; ++i)
        for (const Real* c : columns) g.columns.push_back(c == nullptr ? nullptr : c + (p - i));
    a.lags = exact_gram(g);
    for (std::size_t r = 0; r < p && r < n; ++r)
        for (const Real* c : columns) a.head.push_back(c == nullptr ? Real(1) : c[r]);
    return a;
}

std::vector<Real> transform_first_values(const std::vector<Real>& rho, const Real* values) {
    if (rho.size() == 1) return {qm::sqrt(1 - rho[0] * rho[0]) * values[0]};
    const Real r1 = rho[0], r2 = rho[1];
    const Real c1 = qm::sqrt((1 + r2) * ((1 - r2) * (1 - r2) - r1 * r1) / (1 - r2));
    const Real c2 = qm::sqrt(1 - r2 * r2), r = r1 / (1 - r2);
    return {c1 * values[0], c2 * (values[1] - r * values[0])};
}

std::vector<Real> transformed_head(const ArMoments& moments, const std::vector<Real>& rho) {
    const std::size_t m = std::size_t(moments.m), p = std::size_t(moments.order);
    std::vector<Real> rows(moments.head.size(), Real(0));
    if (moments.head.size() < m * p) return rows;
    for (std::size_t a = 0; a < m; ++a) {
        Real column[2] = {moments.head[a], p == 2 ? moments.head[m + a] : Real(0)};
        const std::vector<Real> t = transform_first_values(rho, column);
        for (std::size_t r = 0; r < p; ++r) rows[r * m + a] = t[r];
    }
    return rows;
}

GramMatrix transformed_gram(const ArMoments& moments, const std::vector<Real>& rho,
                            bool keep_first) {
    const int m = moments.m, p = moments.order;
    std::vector<Wide> weight(std::size_t(p) + 1);
    weight[0] = wide(1);
    for (int i = 1; i <= p; ++i) weight[std::size_t(i)] = wide(-rho[std::size_t(i - 1)]);
    GramMatrix out;
    out.size = m;
    out.finite = moments.finite();
    out.entries.assign(std::size_t(m) * (m + 1) / 2, wide(0));
    const std::vector<Real> head =
        keep_first ? transformed_head(moments, rho) : std::vector<Real>{};
    for (int b = 0; b < m; ++b)
        for (int a = 0; a <= b; ++a) {
            Wide sum = wide(0);
            for (int i = 0; i <= p; ++i)
                for (int j = 0; j <= p; ++j)
                    sum = sum + weight[std::size_t(i)] * weight[std::size_t(j)] *
                                    moments.lag_entry(i, j, a, b);
            for (std::size_t r = 0; r < head.size() / std::size_t(m); ++r)
                sum = sum + wide(head[r * m + std::size_t(a)]) * wide(head[r * m + std::size_t(b)]);
            out.entries[std::size_t(b) * (b + 1) / 2 + std::size_t(a)] = sum;
        }
    return out;
}

Real transformed_sse(const ArMoments& moments, const std::vector<Real>& rho, bool keep_first,
                     const std::vector<Real>& b) {
    const GramMatrix matrix = transformed_gram(moments, rho, keep_first);
    const int m = moments.m;
    const std::vector<Wide> g = residual_weights(b, m);
    Wide sum = wide(0);
    for (int a = 0; a < m; ++a)
        for (int c = 0; c < m; ++c)
            sum = sum + g[std::size_t(a)] * matrix.at(a, c) * g[std::size_t(c)];
    return sum.hi;
}

std::vector<Real> residual_lag_products(const ArMoments& moments, const std::vector<Real>& b) {
    const int m = moments.m, p = moments.order;
    const std::vector<Wide> g = residual_weights(b, m);
    std::vector<Real> out(std::size_t(p + 1) * std::size_t(p + 1));
    for (int i = 0; i <= p; ++i)
        for (int j = 0; j <= p; ++j) {
            Wide sum = wide(0);
            for (int a = 0; a < m; ++a)
                for (int c = 0; c < m; ++c)
                    sum =
                        sum + g[std::size_t(a)] * moments.lag_entry(i, j, a, c) * g[std::size_t(c)];
            out[std::size_t(i) * (p + 1) + std::size_t(j)] = sum.hi;
        }
    return out;
}

bool ar_stationary(const std::vector<Real>& rho) {
    if (rho.size() == 1) return qm::abs(rho[0]) < 1;
    return rho[1] < 1 - qm::abs(rho[0]) && rho[1] > -1;
}

Real ar_log_det(const std::vector<Real>& rho) {
    if (rho.size() == 1) return qm::log(1 - rho[0] * rho[0]) / 2;
    const Real r1 = rho[0], r2 = rho[1];
    return qm::log(1 + r2) + qm::log((1 - r2) * (1 - r2) - r1 * r1) / 2;
}

} // namespace tarvex
