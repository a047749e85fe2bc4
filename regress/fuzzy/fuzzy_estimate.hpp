// Fuzzy linear regression with symmetric triangular fuzzy coefficients A_j = (a_j, c_j): centre
// a_j, spread c_j >= 0. The fuzzy output A'x_i has centre a'x_i and spread c'|x_i|; its h-level
// set is the band a'x_i -+ (1-h) c'|x_i|. The estimate is the least total spread
//   sum_i sum_j c_j |x_ij|
// whose band holds every observation:
//   a'x_i + (1-h) c'|x_i| >= y_i   and   a'x_i - (1-h) c'|x_i| <= y_i.
// It is a linear program in (a, c), a free and c >= 0, solved by the exact LP kernel
// (kernels/linear_program.hpp), which certifies the optimal vertex in binary128. The estimator
// writes nothing.
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

// The program of `data` at level h: columns a_1..a_K then c_1..c_K, rows 2i (the band's upper
// edge reaches y_i) and 2i+1 (its lower edge does).
LinearProgram fuzzy_linear_program(const FuzzyData& data, Real h);

// Solves the program; centres, spreads and the band are filled only when it is OPTIMAL.
FuzzyFit fit_fuzzy_regression(const FuzzyData& data, Real h);

} // namespace tarvex
