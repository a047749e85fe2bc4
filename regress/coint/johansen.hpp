// Johansen's reduced-rank test of the number of cointegrating relations among m series held at
// consecutive observations: the VAR of K lags in levels written as an error-correction model,
// dx(t) = Pi z(t-1) + sum_{j<K} G_j dx(t-j) + deterministic terms + e(t), with the levels and
// the differences concentrated on the lagged differences, the eigenvalues of S10 S00^-1 S01
// relative to S11, the trace and maximum-eigenvalue statistics, the cointegrating vectors
// normalised on the first variable and their loadings. Estimator only: nothing here prints.
#pragma once

#include "numeric/real.hpp"

#include <vector>

namespace tarvex {

// Where the deterministic terms enter.
enum class JohansenTerms {
    NONE,       // no constant anywhere
    CONSTANT,   // a constant outside the cointegrating relations (linear trends in the levels)
    RESTRICTED, // a constant inside the cointegrating relations only
    TREND,      // a trend inside the relations and a constant outside them
};

enum class JohansenStatus {
    ok,
    too_few,     // the concentrating regressions leave fewer than p + 1 degrees of freedom
    dependent,   // a lagged difference (or the constant) depends on the other regressors
    singular_00, // the moment matrix of the differences' residuals is not positive definite
    singular_11, // the moment matrix of the levels' residuals is not positive definite
    no_eigen,    // the symmetric eigen-iteration did not settle
};

struct JohansenFit {
    JohansenStatus status = JohansenStatus::ok;
    int failed_column = -1;        // the dependent regressor when `dependent`: 0-based in the order
                                   // dx1(t-1) .. dxm(t-1), .., dxm(t-K+1), constant
    int n = 0;                     // observations used, T = N - K
    int m = 0;                     // variables
    int p = 0;                     // rows of the relations: m, or m + 1 with a restricted term
    int lags = 0;                  // K
    int nregs = 0;                 // regressors of each concentrating regression
    std::vector<Real> eigenvalues; // p, largest first (the last is 0 when p = m + 1)
    std::vector<Real> trace, max_eigen; // m: H0 r = 0 .. m-1 relations
    std::vector<Real> vectors;  // p x p column-major: column j the j-th relation, first element 1
    std::vector<Real> loadings; // m x p column-major: alpha = S01 V (V' S11 V)^-1
    Real vector_at(int row, int col) const { return vectors[std::size_t(col) * p + row]; }
    Real loading_at(int row, int col) const { return loadings[std::size_t(col) * m + row]; }
};

// `x` holds the m series, each of N values; `lags` is K >= 1 (K = 1: no lagged differences).
JohansenFit johansen(const std::vector<std::vector<Real>>& x, int lags, JohansenTerms terms);

} // namespace tarvex
