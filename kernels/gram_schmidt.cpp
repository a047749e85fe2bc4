// Modified Gram-Schmidt least squares. Column j is normalised to q_j and at once removed from
// every later column, the dependent variable included, so that the dependent column ends as the
// residual vector and its projections form Q'y. Working on the augmented matrix makes the
// solution backward stable even when Q itself loses orthogonality on nearly collinear data, and
// the projections are exact dot products, rounded once, which keeps the cancellation in them from
// costing digits (and is faster than the plain loop). Each removal a - p*q is a fused update,
// rounded once per element instead of after the product and again after the subtraction. On long
// columns the scaling, the products and the removals each run in two halves on two threads.
#include "kernels/gram_schmidt.hpp"

#include "numeric/exact_dot.hpp"
#include "numeric/fixed_divisor.hpp"
#include "numeric/fused_axpy.hpp"
#include "numeric/qmath.hpp"
#include "numeric/row_split.hpp"

namespace tarvex {

LeastSquaresFit GSREG(DataMatrix& data) {
    LeastSquaresFit fit;
    if (!ls_detail::start_fit(data, fit)) return fit;
    const int n = fit.nobs;
    const int k = fit.nregs;
    std::vector<Real> original(static_cast<std::size_t>(k));
    for (int j = 0; j < k; ++j) original[j] = ls_detail::sum_of_squares(data.column(j), n);

    const auto at = [k](int row, int col) { return static_cast<std::size_t>(col) * k + row; };
    std::vector<Real> r(static_cast<std::size_t>(k) * k, Real(0));
    std::vector<Real> qty(static_cast<std::size_t>(k), Real(0));
    for (int j = 0; j < k; ++j) {
        Real* q = data.column(j);
        const Real left = ls_detail::sum_of_squares(q, n);
        if (left <= DEPENDENCE_RATIO * original[j]) {
            fit.status = SolveStatus::dependent_column;
            fit.failed_column = j;
            return fit;
        }
        const Real norm = qm::sqrt(left);
        const FixedDivisor by_norm(norm);
        split_rows(static_cast<std::size_t>(n), [q, &by_norm](std::size_t begin, std::size_t end) {
            by_norm.divide_in_place(q + begin, end - begin);
        });
        r[at(j, j)] = norm;
        for (int later = j + 1; later <= k; ++later) {
            Real* target = data.column(later);
            const Real projection = exact_dot(q, target, static_cast<std::size_t>(n));
            fused_axpy(target, projection, q, static_cast<std::size_t>(n));
            if (later < k)
                r[at(j, later)] = projection;
            else
                qty[j] = projection;
        }
    }
    fit.coef.assign(static_cast<std::size_t>(k), Real(0));
    ls_detail::back_substitute(r, k, qty.data(), fit.coef.data());
    fit.xtx_inverse = ls_detail::inverse_from_triangle(r, k);
    const Real* residual = data.column(k);
    fit.residuals.assign(residual, residual + n);
    fit.sse = ls_detail::sum_of_squares(residual, n);
    return fit;
}

} // namespace tarvex
