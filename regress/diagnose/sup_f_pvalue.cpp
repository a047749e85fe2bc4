// Hansen's approximation of the sup-F p-value: for the trimming share tau = 1/(1 + sqrt(lambda))
// the tails at the two neighbouring rows of the surface are interpolated linearly; tau = 0.5
// is the chi-square(k) tail itself, tau above 0.49 interpolates towards it and tau at or below
// 0.01 takes the last row.
#include "regress/diagnose/sup_f_pvalue.hpp"

#include "numeric/distributions.hpp"
#include "numeric/qmath.hpp"

namespace tarvex {

namespace {

// The chi-square tail of row `row` (1-based, within the rows of k) at the statistic.
Real sup_f_row_tail(Real stat, int k, int row) {
    const Real* c = SUP_F_RESPONSE_SURFACE[(k - 1) * SUP_F_TAU_ROWS + row - 1];
    Real at = c[0] + c[1] * stat;
    if (at < 0) at = 0;
    return dist::chi_square_upper(at, c[2]);
}

} // namespace

Real sup_f_lambda(int n, int lo, int hi) {
    return (Real(n - lo) * hi) / (Real(lo) * (n - hi));
}

Real sup_f_pvalue(Real stat, int k, Real lambda) {
    const Real tau = lambda < 1 ? lambda : 1 / (1 + qm::sqrt(lambda));
    const Real chi_k = dist::chi_square_upper(stat, k);
    if (tau == 0.5Q) return chi_k;
    if (tau <= 0.01Q) return sup_f_row_tail(stat, k, SUP_F_TAU_ROWS);
    if (tau >= 0.49Q)
        return ((0.5Q - tau) * sup_f_row_tail(stat, k, 1) + (tau - 0.49Q) * chi_k) * 100;
    const Real position = (0.51Q - tau) * 50;
    const int row = int(qm::floor(position));
    return (row + 1 - position) * sup_f_row_tail(stat, k, row) +
           (position - row) * sup_f_row_tail(stat, k, row + 1);
}

} // namespace tarvex
