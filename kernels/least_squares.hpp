// The least-squares problem as the estimators hand it to a solver: the observations in force as
// a column-major binary128 matrix with the regressors first and the dependent variable last, and
// the solution every solver returns (coefficients, residuals, SSE and the inverse cross-product
// matrix from which the report builds the covariance matrix).
#pragma once

#include "numeric/real.hpp"

#include <cstddef>
#include <vector>

namespace tarvex {

// N rows (observations) by K+1 columns: regressors 0..K-1, the dependent variable in column K.
struct DataMatrix {
    int nobs = 0;
    int ncols = 0;
    std::vector<Real> values; // column-major, nobs * ncols

    DataMatrix() = default;
    DataMatrix(int rows, int cols)
        : nobs(rows), ncols(cols), values(static_cast<std::size_t>(rows) * cols, Real(0)) {}
    int nregs() const { return ncols - 1; }
    Real* column(int col) { return values.data() + static_cast<std::size_t>(col) * nobs; }
    const Real* column(int col) const {
        return values.data() + static_cast<std::size_t>(col) * nobs;
    }
    Real& at(int row, int col) { return column(col)[row]; }
    Real at(int row, int col) const { return column(col)[row]; }
};

// How a solve ended. An expected condition of the data, reported to the user by the caller.
enum class SolveStatus {
    ok,
    too_few_observations, // fewer rows than columns (Gram-Schmidt)
    dependent_column,     // a regressor is a linear combination of the ones before it
    singular,             // the triangular or cross-product factor has a zero pivot
};

// A column is taken as linearly dependent on the columns before it when its sum of squares left
// after removing them is at most this fraction of its sum of squares before.
inline const Real DEPENDENCE_RATIO = 1e-30Q;

struct LeastSquaresFit {
    SolveStatus status = SolveStatus::ok;
    int failed_column = -1; // the dependent or singular regressor (0-based), else -1
    int nobs = 0;
    int nregs = 0;
    std::vector<Real> coef;        // K coefficients
    std::vector<Real> xtx_inverse; // (X'X)^-1, K by K, column-major, both triangles filled
    std::vector<Real> residuals;   // N residuals y - Xb
    Real sse = 0;                  // residual sum of squares

    bool ok() const { return status == SolveStatus::ok; }
    Real inverse_at(int row, int col) const {
        return xtx_inverse[static_cast<std::size_t>(col) * nregs + row];
    }
};

// Shared steps of the solvers.
namespace ls_detail {

// Solves R b = z for the upper-triangular K by K matrix R (column-major).
void back_substitute(const std::vector<Real>& r, int k, const Real* z, Real* b);
// (R'R)^-1 = R^-1 R^-T from an upper-triangular R: the inverse cross-product matrix.
std::vector<Real> inverse_from_triangle(const std::vector<Real>& r, int k);
// Sum of squares of n values, exact and rounded once (no square overflows or underflows).
Real sum_of_squares(const Real* values, int n);
// Records the data's size in `fit`; false (with `too_few_observations`) when N < K.
inline bool start_fit(const DataMatrix& data, LeastSquaresFit& fit) {
    fit.nobs = data.nobs;
    fit.nregs = data.nregs();
    if (fit.nregs < 0 || fit.nobs < fit.nregs) {
        fit.status = SolveStatus::too_few_observations;
        return false;
    }
    return true;
}

} // namespace ls_detail

// The hat-matrix diagonal h_i = x_i' (X'X)^-1 x_i of the rows of an untouched data matrix.
std::vector<Real> hat_diagonal(const DataMatrix& data, const LeastSquaresFit& fit);

} // namespace tarvex
