// Eigenvalues of a real symmetric matrix in binary128: Householder reduction to tridiagonal form
// followed by the implicit QL iteration with Wilkinson-type shifts.
#pragma once

#include "numeric/real.hpp"

#include <vector>

namespace tarvex {

// Eigenvalues of the n by n symmetric matrix `a` (column-major; only the lower triangle is read,
// the matrix is overwritten), in ascending order. Returns false if the iteration did not settle
// (more than 60 sweeps on one eigenvalue), which does not happen for finite input.
bool symmetric_eigenvalues(std::vector<Real>& a, int n, std::vector<Real>& values);

} // namespace tarvex
