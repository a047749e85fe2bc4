// GSREG: least squares by modified Gram-Schmidt on the data matrix with the dependent variable
// last, the default method of the regression commands.
#pragma once

#include "kernels/least_squares.hpp"

namespace tarvex {

// Orthogonalises the columns of `data` in place (the matrix is overwritten: column K ends as the
// residual vector). Stops with `dependent_column` at the first regressor whose remaining sum of
// squares is at most DEPENDENCE_RATIO times its sum of squares before its own step, and with
// `too_few_observations` when N < K.
LeastSquaresFit GSREG(DataMatrix& data);

} // namespace tarvex
