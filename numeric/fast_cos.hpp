// The cosine of a binary128 value computed with integer arithmetic: a reduction by pi/2 held to
// 188 bits, a table of sin and cos at multiples of 1/64 and two short fixed-point series, about
// four times faster than libquadmath's cosq and correctly rounded unless the exact value lies
// within about 2**-25 units in the last place of a rounding boundary.
#pragma once

#include "numeric/real.hpp"

namespace tarvex {

// cos(x). Arguments of magnitude 8 or more, infinities, NaN, and the few arguments within 2**-50
// of pi/2 or 3*pi/2 (where the result is tiny and its relative precision needs more of pi) get
// cosq's results.
Real fast_cos(Real x);

} // namespace tarvex
