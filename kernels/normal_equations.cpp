// Cross-product least squares. The observations are folded, 256 rows at a time, into the
// triangular factor T of the moment matrix by Householder QR of T stacked on the rows; T'T then
// equals X'X, X'y and y'y bordered together, T's leading K by K block is a Cholesky factor of X'X
// (its diagonal may carry either sign) and its last column holds R^-T X'y and +-sqrt(SSE).
// A ridge constant needs the moment matrix itself: it is formed from T, given k on its diagonal
// (raw form) or scaled to unit diagonal and given 1 + k there (scaled form), and factored by
// Cholesky.
#include "kernels/normal_equations.hpp"

#include "numeric/exact_dot.hpp"
#include "numeric/qmath.hpp"

#include <algorithm>

namespace tarvex {
namespace {

// y - Xb for every observation.
void compute_residuals(const DataMatrix& data, const std::vector<Real>& coef,
                       std::vector<Real>& residuals) {
    const int n = data.nobs;
    const int k = data.nregs();
    const Real* y = data.column(k);
    residuals.assign(y, y + n);
    for (int col = 0; col < k; ++col) {
        const Real* x = data.column(col);
        const Real b = coef[col];
        for (int i = 0; i < n; ++i) residuals[i] -= b * x[i];
    }
}

// Cholesky factor R (upper, K by K) of a symmetric positive matrix; false with the column at
// which a pivot falls to DEPENDENCE_RATIO of its diagonal element or below.
bool cholesky(const std::vector<Real>& c, int k, std::vector<Real>& r, int& failed) {
    const auto at = [k](int row, int col) { return static_cast<std::size_t>(col) * k + row; };
    r.assign(static_cast<std::size_t>(k) * k, Real(0));
    for (int j = 0; j < k; ++j) {
        for (int row = 0; row < j; ++row) {
            Real sum = c[at(row, j)];
            for (int mid = 0; mid < row; ++mid) sum -= r[at(mid, row)] * r[at(mid, j)];
            r[at(row, j)] = sum / r[at(row, row)];
        }
        Real pivot = c[at(j, j)];
        for (int mid = 0; mid < j; ++mid) pivot -= r[at(mid, j)] * r[at(mid, j)];
        if (!(pivot > DEPENDENCE_RATIO * c[at(j, j)])) {
            failed = j;
            return false;
        }
        r[at(j, j)] = qm::sqrt(pivot);
    }
    return true;
}

LeastSquaresFit ridge_solve(const DataMatrix& data, const MomentFactor& factor,
                            const NormalOptions& options, LeastSquaresFit fit) {
    const int k = factor.nregs;
    const auto at = [k](int row, int col) { return static_cast<std::size_t>(col) * k + row; };
    // X'X = T11'T11 and X'y = T11't, then the scaling to unit diagonal.
    std::vector<Real> c(static_cast<std::size_t>(k) * k, Real(0));
    std::vector<Real> xty(static_cast<std::size_t>(k), Real(0));
    for (int col = 0; col < k; ++col) {
        for (int row = 0; row <= col; ++row) {
            Real sum = 0;
            for (int mid = 0; mid <= row; ++mid) sum += factor.at(mid, row) * factor.at(mid, col);
            c[at(row, col)] = sum;
            c[at(col, row)] = sum;
        }
        for (int mid = 0; mid <= col; ++mid) xty[col] += factor.at(mid, col) * factor.at(mid, k);
    }
    if (options.form == RidgeForm::raw)
        for (int j = 0; j < k; ++j) c[at(j, j)] += options.ridge;
    // Scaled to unit diagonal for the factorisation either way.
    std::vector<Real> scale(static_cast<std::size_t>(k));
    for (int j = 0; j < k; ++j) scale[j] = 1 / qm::sqrt(c[at(j, j)]);
    for (int col = 0; col < k; ++col)
        for (int row = 0; row < k; ++row) c[at(row, col)] *= scale[row] * scale[col];
    for (int j = 0; j < k; ++j)
        c[at(j, j)] = options.form == RidgeForm::raw ? 1 : 1 + options.ridge;
    std::vector<Real> r;
    int failed = -1;
    if (!cholesky(c, k, r, failed)) {
        fit.status = SolveStatus::singular;
        fit.failed_column = failed;
        return fit;
    }
    std::vector<Real> inverse = ls_detail::inverse_from_triangle(r, k);
    for (int col = 0; col < k; ++col)
        for (int row = 0; row < k; ++row) inverse[at(row, col)] *= scale[row] * scale[col];
    fit.coef.assign(static_cast<std::size_t>(k), Real(0));
    for (int row = 0; row < k; ++row)
        for (int col = 0; col < k; ++col) fit.coef[row] += inverse[at(row, col)] * xty[col];
    fit.xtx_inverse = std::move(inverse);
    compute_residuals(data, fit.coef, fit.residuals);
    fit.sse = ls_detail::sum_of_squares(fit.residuals.data(), data.nobs);
    return fit;
}

} // namespace

MomentFactor accumulate_moments(const DataMatrix& data) {
    MomentFactor factor;
    const int k = data.nregs();
    const int width = k + 1;
    factor.nregs = k;
    // Work block: the triangle T in its first `width` rows, the next chunk of observations
    // below it. Each chunk is folded into T by a Householder QR of the block.
    constexpr int CHUNK = 256;
    const int rows = width + CHUNK;
    const auto at = [rows](int row, int col) { return static_cast<std::size_t>(col) * rows + row; };
    std::vector<Real> block(static_cast<std::size_t>(rows) * width, Real(0));
    for (int first = 0; first < data.nobs; first += CHUNK) {
        const int count = std::min(CHUNK, data.nobs - first);
        const int used = width + count;
        for (int col = 0; col < width; ++col) {
            const Real* source = data.column(col) + first;
            std::copy(source, source + count, block.begin() + at(width, col));
        }
        for (int j = 0; j < width; ++j) {
            Real* u = block.data() + at(0, j);
            const Real norm =
                qm::sqrt(exact_sum_of_squares(u + j, static_cast<std::size_t>(used - j)));
            if (norm == 0) continue;
            const Real alpha = u[j] < 0 ? norm : -norm;
            u[j] -= alpha;
            const Real tau = 1 / (-alpha * u[j]);
            for (int later = j + 1; later < width; ++later) {
                Real* target = block.data() + at(0, later);
                const Real sum =
                    tau * exact_dot(u + j, target + j, static_cast<std::size_t>(used - j));
                for (int i = j; i < used; ++i) target[i] -= sum * u[i];
            }
            u[j] = alpha;
            std::fill(u + j + 1, u + used, Real(0));
        }
    }
    factor.t.assign(static_cast<std::size_t>(width) * width, Real(0));
    for (int col = 0; col < width; ++col)
        for (int row = 0; row <= col; ++row)
            factor.t[static_cast<std::size_t>(col) * width + row] = block[at(row, col)];
    return factor;
}

LeastSquaresFit normal_equations_solve(const DataMatrix& data, const NormalOptions& options) {
    LeastSquaresFit fit;
    if (!ls_detail::start_fit(data, fit)) return fit;
    const int n = fit.nobs;
    const int k = fit.nregs;
    const MomentFactor factor = accumulate_moments(data);
    for (int j = 0; j < k; ++j) {
        const Real left = factor.at(j, j) * factor.at(j, j);
        if (left == 0 || left <= DEPENDENCE_RATIO * ls_detail::sum_of_squares(data.column(j), n)) {
            fit.status = SolveStatus::singular;
            fit.failed_column = j;
            return fit;
        }
    }
    if (options.ridge != 0) return ridge_solve(data, factor, options, fit);

    std::vector<Real> r(static_cast<std::size_t>(k) * k);
    std::vector<Real> z(static_cast<std::size_t>(k));
    for (int col = 0; col < k; ++col) {
        for (int row = 0; row < k; ++row)
            r[static_cast<std::size_t>(col) * k + row] = factor.at(row, col);
        z[col] = factor.at(col, k);
    }
    fit.coef.assign(static_cast<std::size_t>(k), Real(0));
    ls_detail::back_substitute(r, k, z.data(), fit.coef.data());
    fit.xtx_inverse = ls_detail::inverse_from_triangle(r, k);
    compute_residuals(data, fit.coef, fit.residuals);
    fit.sse = factor.at(k, k) * factor.at(k, k);
    return fit;
}

} // namespace tarvex
