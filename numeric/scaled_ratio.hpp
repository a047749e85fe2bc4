// a^2 / (b c) for sums of squares and cross products whose own squares and products may lie
// beyond the binary128 range (data near 1E+2400 or 1E-2400): each operand is first scaled by a
// power of two, which is exact, so that within the range the result is the same to the bit as
// a * a / (b * c), and beyond it the ratio (a squared correlation, an R-square) is still right.
#pragma once

#include "numeric/real.hpp"

namespace tarvex {

inline Real squared_ratio(Real a, Real b, Real c) {
    if (!(b > 0) || !(c > 0) || a == 0) return a * a / (b * c);
    const int eb = ilogbq(b), ec = ilogbq(c);
    // a^2 2^-(eb+ec) as the product of a scaled by two halves of the exponent.
    const int half = (eb + ec) / 2;
    const Real a1 = scalbnq(a, -half), a2 = scalbnq(a, half - eb - ec);
    return a1 * a2 / (scalbnq(b, -eb) * scalbnq(c, -ec));
}

} // namespace tarvex
