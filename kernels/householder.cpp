// Householder QR least squares. Reflection j maps column j (rows j..N-1) onto a multiple of the
// first unit vector, alpha = -sign(x_j)·|x|, and is applied at once to the later columns; the
// dependent column becomes Q'y, whose first K elements give the coefficients through R and whose
// remaining N-K elements hold the residuals in the rotated basis (their sum of squares is SSE).
#include "kernels/householder.hpp"

#include "numeric/exact_dot.hpp"
#include "numeric/qmath.hpp"

namespace tarvex {
namespace {

// H v for the reflection of column j: v -= tau (u'v) u over rows j..N-1.
void reflect(const DataMatrix& data, int j, Real tau, Real* v) {
    const Real* u = data.column(j);
    const Real sum = tau * exact_dot(u + j, v + j, static_cast<std::size_t>(data.nobs - j));
    for (int i = j; i < data.nobs; ++i) v[i] -= sum * u[i];
}

} // namespace

HouseholderSolve householder_solve(DataMatrix& data) {
    HouseholderSolve out;
    LeastSquaresFit& fit = out.fit;
    out.factor.nobs = data.nobs;
    out.factor.nregs = data.nregs();
    if (!ls_detail::start_fit(data, fit)) return out;
    const int n = fit.nobs;
    const int k = fit.nregs;
    const auto at = [k](int row, int col) { return static_cast<std::size_t>(col) * k + row; };
    std::vector<Real> r(static_cast<std::size_t>(k) * k, Real(0));
    const Real threshold = qm::sqrt(DEPENDENCE_RATIO);
    out.factor.taus.assign(static_cast<std::size_t>(k), Real(0));
    for (int j = 0; j < k; ++j) {
        Real* u = data.column(j);
        const Real length = qm::sqrt(ls_detail::sum_of_squares(u, n));
        const Real norm = qm::sqrt(ls_detail::sum_of_squares(u + j, n - j));
        if (norm == 0 || norm <= threshold * length) {
            fit.status = SolveStatus::singular;
            fit.failed_column = j;
            return out;
        }
        const Real alpha = u[j] < 0 ? norm : -norm;
        for (int row = 0; row < j; ++row) r[at(row, j)] = u[row];
        r[at(j, j)] = alpha;
        u[j] -= alpha;
        // u'u = 2 |x| (|x| + |x_j|) = -2 alpha u_j, so 2/u'u = 1/(-alpha u_j).
        const Real tau = 1 / (-alpha * u[j]);
        out.factor.taus[j] = tau;
        for (int later = j + 1; later <= k; ++later) reflect(data, j, tau, data.column(later));
    }
    const Real* qty = data.column(k);
    fit.coef.assign(static_cast<std::size_t>(k), Real(0));
    ls_detail::back_substitute(r, k, qty, fit.coef.data());
    fit.xtx_inverse = ls_detail::inverse_from_triangle(r, k);
    fit.sse = ls_detail::sum_of_squares(qty + k, n - k);
    fit.residuals.assign(static_cast<std::size_t>(n), Real(0));
    for (int i = k; i < n; ++i) fit.residuals[i] = qty[i];
    apply_q(data, out.factor, fit.residuals.data());
    return out;
}

void apply_q_transpose(const DataMatrix& data, const HouseholderFactor& factor, Real* v) {
    for (int j = 0; j < factor.nregs; ++j) reflect(data, j, factor.taus[j], v);
}

void apply_q(const DataMatrix& data, const HouseholderFactor& factor, Real* v) {
    for (int j = factor.nregs - 1; j >= 0; --j) reflect(data, j, factor.taus[j], v);
}

} // namespace tarvex
