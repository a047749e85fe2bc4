// The weighted GMM estimate from the moments, its criterion and its sandwich covariance.
#include "regress/iv/gmm_algebra.hpp"

#include "kernels/exact_gram_sums.hpp"
#include "kernels/gram_cholesky.hpp"
#include "kernels/least_squares.hpp"
#include "kernels/long_run_covariance.hpp"
#include "kernels/symmetric_solve.hpp"
#include "regress/iv/iv_gram.hpp"

namespace tarvex {

namespace {

std::size_t gmm_at(int row, int col, int cols) {
    return static_cast<std::size_t>(row) * static_cast<std::size_t>(cols) +
           static_cast<std::size_t>(col);
}

// The estimate once WA and Wc are known: b = (A'WA)**-1 A'Wc, g = c - Ab and g'Wg = g'(Wc -
// WA b) (W symmetric).
GmmSolution gmm_finish_solution(const GmmMoments& m, std::vector<Real> wa,
                                const std::vector<Real>& wc) {
    GmmSolution s;
    const int l = m.l, k = m.k;
    std::vector<Real> awa(static_cast<std::size_t>(k) * k, Real(0)), rhs(k, Real(0));
    for (int a = 0; a < k; ++a) {
        for (int z = 0; z < l; ++z) rhs[a] += m.a[gmm_at(z, a, k)] * wc[z];
        for (int b = 0; b < k; ++b) {
            Real sum = 0;
            for (int z = 0; z < l; ++z) sum += m.a[gmm_at(z, a, k)] * wa[gmm_at(z, b, k)];
            awa[gmm_at(a, b, k)] = sum;
        }
    }
    std::vector<Real> lower;
    int failed = -1;
    if (!cholesky_factor(awa, k, lower, failed, Real(1e-30Q))) return s;
    s.coef = cholesky_solve(lower, k, rhs);
    s.bread = cholesky_inverse(lower, k);
    for (int z = 0; z < l; ++z) {
        Real g = m.c[z], wg = wc[z];
        for (int a = 0; a < k; ++a) {
            g -= m.a[gmm_at(z, a, k)] * s.coef[a];
            wg -= wa[gmm_at(z, a, k)] * s.coef[a];
        }
        s.criterion += g * wg;
    }
    s.wa = std::move(wa);
    s.ok = true;
    return s;
}

} // namespace

GmmMoments gmm_moments(const GramMatrix& gram, const std::vector<int>& x_columns, int l) {
    GmmMoments m;
    m.l = l;
    m.k = static_cast<int>(x_columns.size());
    const int ycol = gram.size - 1;
    m.a.resize(static_cast<std::size_t>(l) * m.k);
    m.c.resize(static_cast<std::size_t>(l));
    m.a_wide.resize(m.a.size());
    m.c_wide.resize(m.c.size());
    for (int z = 0; z < l; ++z) {
        m.c_wide[z] = gram.at(z, ycol);
        m.c[z] = wide_value(m.c_wide[z]);
        for (int a = 0; a < m.k; ++a) {
            m.a_wide[gmm_at(z, a, m.k)] = gram.at(z, x_columns[a]);
            m.a[gmm_at(z, a, m.k)] = wide_value(m.a_wide[gmm_at(z, a, m.k)]);
        }
    }
    return m;
}

std::vector<Real> instrument_products(const GramMatrix& gram, int l) {
    std::vector<Real> zz(static_cast<std::size_t>(l) * l);
    for (int a = 0; a < l; ++a)
        for (int b = 0; b < l; ++b) zz[gmm_at(a, b, l)] = wide_value(gram.at(a, b));
    return zz;
}

namespace {

// The least-squares fit of `target` (L values) on the columns of A: the exact cross products of
// [A target], each double-binary128 element taken as the exact sum of its two parts, solved by
// the double-binary128 Cholesky factor.
GramFit gmm_fit_on_moments(const GmmMoments& m, const std::vector<Wide>& target) {
    const int l = m.l, k = m.k, p = k + 1;
    const bool held_wide = !m.a_wide.empty();
    const auto element = [&](int z, int col) {
        if (col == k) return target[std::size_t(z)];
        return held_wide ? m.a_wide[gmm_at(z, col, k)] : wide(m.a[gmm_at(z, col, k)]);
    };
    std::vector<ExactAccumulator> sums(static_cast<std::size_t>(p) * (p + 1) / 2);
    std::size_t pair = 0;
    for (int b = 0; b < p; ++b)
        for (int a = 0; a <= b; ++a, ++pair)
            for (int z = 0; z < l; ++z) {
                const Wide u = element(z, a), v = element(z, b);
                sums[pair].add_product(u.hi, v.hi);
                sums[pair].add_product(u.hi, v.lo);
                sums[pair].add_product(u.lo, v.hi);
                sums[pair].add_product(u.lo, v.lo);
            }
    for (const ExactAccumulator& sum : sums)
        if (sum.has_special()) {
            GramFit failed;
            failed.status = GramStatus::non_finite;
            return failed;
        }
    return gram_cholesky_solve(gram_from_exact_sums(sums, p), l, DEPENDENCE_RATIO);
}

} // namespace

GmmSolution gmm_identity_solution(const GmmMoments& m) {
    // c on A gives b, (A'A)**-1 and the criterion g'g as its residual sum of squares; each unit
    // vector e_z on A gives row z of A (A'A)**-1.
    const int l = m.l, k = m.k;
    std::vector<Wide> target(static_cast<std::size_t>(l));
    for (int z = 0; z < l; ++z)
        target[z] = m.c_wide.empty() ? wide(m.c[z]) : m.c_wide[std::size_t(z)];
    const GramFit fit = gmm_fit_on_moments(m, target);
    if (!fit.ok()) return {};
    GmmSolution s;
    s.coef = fit.coef;
    s.bread.resize(static_cast<std::size_t>(k) * k);
    for (int a = 0; a < k; ++a)
        for (int b = 0; b < k; ++b) s.bread[gmm_at(a, b, k)] = fit.inverse_at(a, b);
    s.criterion = fit.sse;
    s.pseudo.resize(static_cast<std::size_t>(l) * k);
    for (int z = 0; z < l; ++z) {
        target.assign(static_cast<std::size_t>(l), Wide{});
        target[std::size_t(z)] = wide(1);
        const GramFit row = gmm_fit_on_moments(m, target);
        if (!row.ok()) return {};
        for (int a = 0; a < k; ++a) s.pseudo[gmm_at(z, a, k)] = row.coef[a];
    }
    s.wa = m.a;
    s.ok = true;
    return s;
}

GmmSolution gmm_inverse_solution(const GmmMoments& m, const std::vector<Real>& s) {
    const int l = m.l, k = m.k;
    std::vector<Real> lower;
    int failed = -1;
    if (!cholesky_factor(s, l, lower, failed, Real(1e-30Q))) return {};
    std::vector<Real> wa(static_cast<std::size_t>(l) * k), column(l);
    for (int a = 0; a < k; ++a) {
        for (int z = 0; z < l; ++z) column[z] = m.a[gmm_at(z, a, k)];
        const std::vector<Real> solved = cholesky_solve(lower, l, column);
        for (int z = 0; z < l; ++z) wa[gmm_at(z, a, k)] = solved[z];
    }
    return gmm_finish_solution(m, std::move(wa), cholesky_solve(lower, l, m.c));
}

std::vector<Real> gmm_sandwich(const GmmSolution& solution, const std::vector<Real>& s, int l,
                               int k) {
    const bool pseudo = !solution.pseudo.empty();
    const std::vector<Real>& h = pseudo ? solution.pseudo : solution.wa;
    std::vector<Real> sh(static_cast<std::size_t>(l) * k, Real(0));
    for (int a = 0; a < l; ++a)
        for (int b = 0; b < l; ++b) {
            const Real v = s[gmm_at(a, b, l)];
            if (v == 0) continue;
            for (int c = 0; c < k; ++c) sh[gmm_at(a, c, k)] += v * h[gmm_at(b, c, k)];
        }
    std::vector<Real> meat(static_cast<std::size_t>(k) * k, Real(0));
    for (int a = 0; a < k; ++a)
        for (int b = 0; b < k; ++b) {
            Real sum = 0;
            for (int z = 0; z < l; ++z) sum += h[gmm_at(z, a, k)] * sh[gmm_at(z, b, k)];
            meat[gmm_at(a, b, k)] = sum;
        }
    return pseudo ? meat : sandwich_product(solution.bread, meat, k);
}

} // namespace tarvex
