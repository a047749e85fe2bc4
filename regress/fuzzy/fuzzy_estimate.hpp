// Fuzzy linear regression with symmetric triangular fuzzy coefficients A_j = (a_j, c_j): centre
// a_j, spread c_j >= 0. The fuzzy output A'x_i has centre a'x_i and spread c'|x_i|; its h-level
// set is the band a'x_i -+ (1-h) c'|x_i|. The estimate is the least total spread
//   sum_i sum_j c_j |x_ij|
// whose band holds every observation:
//   a'x_i + (1-h) c'|x_i| >= y_i   and   a'x_i - (1-h) c'|x_i| <= y_i.
// It is a linear program in (a, c), a free and c >= 0, of 2N rows and 2K columns. Its dual has
// 2K rows and 2N columns, u_i and v_i >= 0 for the two edges of observation i:
//   maximise y'(u - v)  subject to  X'(u - v) = 0  and  (1-h)|X|'(u + v) <= |X|'1,
// and the simplex's basis is as small as its rows, so the dual is what is solved, by the exact
// LP kernel (kernels/linear_program.hpp), which certifies its optimal vertex in binary128; the
// centres and spreads are that vertex's dual values, the optimum the total spread. The
// estimator writes nothing.
#pragma once

#include "kernels/linear_program.hpp"
#include "numeric/real.hpp"

#include <vector>

namespace tarvex {

struct FuzzyData {
    std::vector<Real> y;              // N
    std::vector<std::vector<Real>> x; // K columns of N
};

struct FuzzyFit {
    LpStatus status = LpStatus::NO_CERTIFICATE;
    std::vector<Real> centre, spread;       // K
    std::vector<Real> fitted, lower, upper; // N: a'x_i and the h-level band
    Real total_spread = 0;                  // the minimised sum_i c'|x_i|
    long long iterations = 0;               // simplex steps, in double and in binary128
};

// The dual program of `data` at level h: columns u_i, v_i in pairs, rows j (centre a_j) and K + j
// (spread c_j).
LinearProgram fuzzy_dual_program(const FuzzyData& data, Real h);

// Solves the program; centres, spreads and the band are filled only when it is OPTIMAL.
FuzzyFit fit_fuzzy_regression(const FuzzyData& data, Real h);

} // namespace tarvex
