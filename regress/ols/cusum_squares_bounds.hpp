// The significance bounds of the CUSUM of squares of r recursive residuals: s_j lies, under a
// stable regression, within j/r +/- c0, with c0 Durbin's (1969) critical value for the
// two-sided level asked (1, 2, 5, 10 or 20 percent), as approximated by Edgerton and Wells (1994).
#pragma once

#include "numeric/real.hpp"

#include <vector>

namespace tarvex {

struct RecursiveTests;

// Fewest recursive residuals for which the approximation gives a usable c0.
constexpr int CUSUM_SQUARES_FEWEST = 5;

// True when the two-sided level (percent) is one of the tabulated ones.
bool cusum_squares_level_tabulated(int level_percent);

// c0 for r recursive residuals at a tabulated level: with m = r/2 - 1,
// c0 = a/sqrt(m) + b/m + c/m**1.5, the coefficients a, b, c of the level's column.
Real cusum_squares_critical(int r, int level_percent);

struct CusumSquaresBounds {
    bool done = false; // at least CUSUM_SQUARES_FEWEST residuals
    int level = 5;
    Real c0 = 0;
    std::vector<Real> lower, upper; // j/r - c0 and j/r + c0, one per recursive residual
    int first_crossing = -1;        // index of the first CUSUM of squares outside, or -1
};

// The bounds of the CUSUM-of-squares path of `t` at a tabulated level.
CusumSquaresBounds cusum_squares_bounds(const RecursiveTests& t, int level_percent);

// Whether the j-th (0-based) value of the path lies outside its bounds.
bool cusum_squares_outside(const RecursiveTests& t, const CusumSquaresBounds& b, int j);

} // namespace tarvex
