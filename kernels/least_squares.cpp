// Steps shared by the least-squares solvers: triangular back-substitution, the inverse
// cross-product matrix from a triangular factor, exact sums of squares, and hat values.
#include "kernels/least_squares.hpp"

#include "numeric/exact_dot.hpp"
#include "numeric/qmath.hpp"

namespace tarvex {
namespace ls_detail {

void back_substitute(const std::vector<Real>& r, int k, const Real* z, Real* b) {
    for (int row = k - 1; row >= 0; --row) {
        Real sum = z[row];
        for (int col = row + 1; col < k; ++col)
            sum -= r[static_cast<std::size_t>(col) * k + row] * b[col];
        b[row] = sum / r[static_cast<std::size_t>(row) * k + row];
    }
}

std::vector<Real> inverse_from_triangle(const std::vector<Real>& r, int k) {
    const auto at = [k](int row, int col) { return static_cast<std::size_t>(col) * k + row; };
    // T = R^-1, upper triangular, column by column.
    std::vector<Real> t(static_cast<std::size_t>(k) * k, Real(0));
    for (int col = 0; col < k; ++col) {
        t[at(col, col)] = 1 / r[at(col, col)];
        for (int row = col - 1; row >= 0; --row) {
            Real sum = 0;
            for (int mid = row + 1; mid <= col; ++mid) sum += r[at(row, mid)] * t[at(mid, col)];
            t[at(row, col)] = -sum / r[at(row, row)];
        }
    }
    // (X'X)^-1 = T T'.
    std::vector<Real> inverse(static_cast<std::size_t>(k) * k, Real(0));
    for (int col = 0; col < k; ++col)
        for (int row = 0; row <= col; ++row) {
            Real sum = 0;
            for (int mid = col; mid < k; ++mid) sum += t[at(row, mid)] * t[at(col, mid)];
            inverse[at(row, col)] = sum;
            inverse[at(col, row)] = sum;
        }
    return inverse;
}

Real sum_of_squares(const Real* values, int n) {
    return exact_sum_of_squares(values, static_cast<std::size_t>(n < 0 ? 0 : n));
}

} // namespace ls_detail

std::vector<Real> hat_diagonal(const DataMatrix& data, const LeastSquaresFit& fit) {
    const int k = fit.nregs;
    std::vector<Real> hat(static_cast<std::size_t>(data.nobs), Real(0));
    std::vector<Real> row(static_cast<std::size_t>(k));
    for (int obs = 0; obs < data.nobs; ++obs) {
        for (int col = 0; col < k; ++col) row[col] = data.at(obs, col);
        Real h = 0;
        for (int col = 0; col < k; ++col) {
            Real sum = 0;
            for (int mid = 0; mid < k; ++mid) sum += fit.inverse_at(col, mid) * row[mid];
            h += row[col] * sum;
        }
        hat[obs] = h;
    }
    return hat;
}

} // namespace tarvex
