// The "NORMAL" solver: least squares through the cross-product (moment) matrix of the
// regressors and the dependent variable, the path that carries ridge regression and given
// coefficients. The moment matrix is accumulated in factored form, [X y]'[X y] = T'T with T upper
// triangular, a block of observations at a time, which keeps the accuracy of an orthogonal
// factorisation and needs no copy of the data.
#pragma once

#include "kernels/least_squares.hpp"

namespace tarvex {

// Where the ridge constant goes: on the diagonal of X'X itself, or of the cross-product matrix
// of the regressors scaled to unit length (so that k means the same in any units of the data).
enum class RidgeForm { raw, scaled };

struct NormalOptions {
    Real ridge = 0; // ridge constant k; 0 is least squares
    RidgeForm form = RidgeForm::scaled;
};

// The moment matrix in factored form: T is (K+1) by (K+1), upper triangular, column-major, with
// T'T = [X y]'[X y]; its last diagonal element squared is the residual sum of squares.
struct MomentFactor {
    int nregs = 0;
    std::vector<Real> t;
    Real at(int row, int col) const { return t[static_cast<std::size_t>(col) * (nregs + 1) + row]; }
};

// Accumulates the factor of the moment matrix of `data` by orthogonal transformations.
MomentFactor accumulate_moments(const DataMatrix& data);

// Leaves `data` untouched. Stops with `singular` at the first regressor whose remaining sum of
// squares (its diagonal element of T squared) is at most DEPENDENCE_RATIO times its sum of
// squares, and with `too_few_observations` when N < K.
LeastSquaresFit normal_equations_solve(const DataMatrix& data, const NormalOptions& options = {});

} // namespace tarvex
