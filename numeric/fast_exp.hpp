// The exponential of a binary128 value computed with integer arithmetic: two table reductions and
// a short fixed-point series, several times faster than libquadmath's expq and correctly rounded
// unless the exact value lies within about 2**-25 units in the last place of a rounding boundary.
#pragma once

#include "numeric/real.hpp"

namespace tarvex {

// exp(x). Arguments whose result is not a normal number (|x| > 11355: overflow, underflow and
// subnormal results), tiny arguments (|x| < 2**-64), infinities and NaN get expq's results.
Real fast_exp(Real x);

} // namespace tarvex
