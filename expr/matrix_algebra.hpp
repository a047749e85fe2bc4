// The linear algebra of MATRIX in binary128: inverse, determinant with its power of ten,
// eigenvalues and eigenvectors (symmetric and general), Cholesky factor, generalized inverse and
// rank through the singular value decomposition, and the factor F F' of a symmetric matrix.
// Every routine takes finite elements; the caller checks shapes and missing values first.
#pragma once

#include "expr/matrix_value.hpp"

namespace tarvex::expr::linalg {

// Relative level below which an LU pivot or a singular value counts as zero: 16 n ulps of the
// largest one.
Real zero_level(long long n);

// Inverse of a square matrix by LU with full pivoting; false when it is singular.
bool invert(const Matrix& a, Matrix& inverse);

// Determinant as mantissa * 10**power10. power10 is 0 when the value fits binary128 (the
// mantissa is then the value); beyond that range 1 <= |mantissa| < 10. A singular matrix (same test
// as invert) gives 0.
struct ScaledValue {
    Real mantissa = 0;
    long long power10 = 0;
};
ScaledValue determinant(const Matrix& a);

// Eigenvalues, largest (real part) first, and optionally the unit eigenvectors in the same
// order, each with its component of largest size positive. An exactly symmetric matrix uses the
// symmetric methods. `complex` is set when some eigenvalue has a nonzero imaginary part; only
// real parts are returned then. `ok` is false when the iteration failed.
struct EigenResult {
    bool ok = true;
    bool complex = false;
    Matrix values;  // n by 1 (real parts)
    Matrix vectors; // n by n (real parts), when asked for
};
EigenResult eigen(const Matrix& a, bool want_vectors);

// Lower triangle L with L L' = a (a's lower triangle is read); false when a is not positive
// definite.
bool cholesky(const Matrix& a, Matrix& lower);

// Moore-Penrose inverse V S+ U' and rank, singular values below zero_level(max(m, n)) times the
// largest counting as zero.
Matrix generalized_inverse(const Matrix& a);
long long rank(const Matrix& a);

// F = V diag(sqrt(lambda)) with F F' = a for a symmetric a (lower triangle read), eigenvalues
// largest first; false when an eigenvalue is negative beyond the rounding level.
bool factor(const Matrix& a, Matrix& f);

} // namespace tarvex::expr::linalg
