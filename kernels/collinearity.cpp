// Condition number and variance inflation factors from the exact cross-product matrix.
#include "kernels/collinearity.hpp"

#include "kernels/exact_gram.hpp"
#include "kernels/symmetric_solve.hpp"
#include "numeric/exact_dot.hpp"
#include "numeric/qmath.hpp"
#include "numeric/symmetric_eigen.hpp"

#include <limits>
#include <quadmath.h>

namespace tarvex {

namespace {

// The sum of squares of a column about its mean over the sum of squares from zero, the share of
// a regressor's variation that the constant leaves to the others. The mean is rounded once; the
// deviations' own sum takes out what that rounding leaves.
Real centred_share(const std::vector<Real>& x, Real raw_squares) {
    if (!(raw_squares > 0)) return 0;
    const std::size_t n = x.size();
    const Real mean = exact_sum(x.data(), n) / Real(n);
    std::vector<Real> d(n);
    for (std::size_t i = 0; i < n; ++i) d[i] = x[i] - mean;
    const Real sum_d = exact_sum(d.data(), n);
    const Real centred = exact_sum_of_squares(d.data(), n) - sum_d * sum_d / Real(n);
    return centred / raw_squares;
}

} // namespace

CollinearityMeasures collinearity_measures(const std::vector<std::vector<Real>>& columns,
                                           std::size_t rows) {
    CollinearityMeasures m;
    const int k = int(columns.size());
    const Real infinity = HUGE_VALQ;
    GramColumns data;
    data.nobs = rows;
    int constant = -1;
    for (int j = 0; j < k; ++j) {
        const std::vector<Real>& c = columns[std::size_t(j)];
        data.columns.push_back(c.empty() ? nullptr : c.data());
        if (c.empty() && constant < 0) constant = j;
    }
    const GramMatrix gram = exact_gram(data);
    // Cross products of the columns scaled to unit length: the shifts of the held entries cancel.
    std::vector<Real> scaled(std::size_t(k) * std::size_t(k), 0);
    bool zero_column = false;
    for (int a = 0; a < k; ++a) {
        const Wide daa = gram.scaled_at(a, a);
        if (!(daa.hi > 0)) zero_column = true;
        for (int b = 0; b <= a && !zero_column; ++b) {
            const Wide dbb = gram.scaled_at(b, b);
            const Wide s = gram.scaled_at(a, b) / wide_sqrt(daa * dbb);
            scaled[std::size_t(a) * std::size_t(k) + std::size_t(b)] = s.hi;
            scaled[std::size_t(b) * std::size_t(k) + std::size_t(a)] = s.hi;
        }
    }
    m.vif.assign(std::size_t(k), infinity);
    if (constant >= 0) m.vif[std::size_t(constant)] = 0;
    if (zero_column || !gram.finite) {
        m.singular = true;
        m.condition = infinity;
        return m;
    }
    for (int a = 0; a < k; ++a) scaled[std::size_t(a) * std::size_t(k) + std::size_t(a)] = 1;
    std::vector<Real> work(scaled);
    // An eigenvalue within the rounding of the scaled entries of zero counts as zero.
    if (!symmetric_eigenvalues(work, k, m.values) || m.values.empty() ||
        !(m.values.front() > Real(64 * k) * FLT128_EPSILON * m.values.back())) {
        m.singular = true;
        m.condition = infinity;
        return m;
    }
    m.condition = qm::sqrt(m.values.back() / m.values.front());
    std::vector<Real> lower;
    int failed = -1;
    if (!cholesky_factor(scaled, k, lower, failed)) {
        m.singular = true;
        m.condition = infinity;
        return m;
    }
    const std::vector<Real> inverse = cholesky_inverse(lower, k);
    for (int j = 0; j < k; ++j) {
        if (j == constant) continue;
        const Real diagonal = inverse[std::size_t(j) * std::size_t(k) + std::size_t(j)];
        const std::vector<Real>& x = columns[std::size_t(j)];
        Real share = 1;
        if (constant >= 0) {
            const Real raw = exact_sum_of_squares(x.data(), rows);
            share = centred_share(x, raw);
        }
        m.vif[std::size_t(j)] = diagonal * share;
    }
    return m;
}

} // namespace tarvex
