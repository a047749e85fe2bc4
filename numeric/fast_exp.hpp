// The exponential of a binary128 value computed with integer arithmetic: two table reductions and
// a short fixed-point series, several times faster than libquadmath's expq and correctly rounded
// unless the exact value lies within about 2**-25 units in the last place of a rounding boundary.
#pragma once

#include "numeric/real.hpp"

namespace tarvex {

// exp(x). Arguments whose result is not a normal number (|x| > 11355: overflow, underflow and
// subnormal results), tiny arguments (|x| < 2**-64), infinities and NaN get expq's results.
// A 128-bit path answers most arguments; it hands the rest to fast_exp_wide, and returns the
// same bits as fast_exp_wide for every argument.
Real fast_exp(Real x);

// The same function in 192-bit fixed point (within 2**-141 relative before its one rounding).
Real fast_exp_wide(Real x);

// The 128-bit path alone: false for the arguments it leaves to fast_exp_wide (outside
// 2**-64 <= |x| <= 11355, or too near a rounding boundary to decide), else exp(x) in `out`.
bool fast_exp_short(Real x, Real& out);

} // namespace tarvex
