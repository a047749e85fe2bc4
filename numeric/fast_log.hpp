// The natural logarithm of a binary128 value computed with integer arithmetic: two table
// reductions and a short fixed-point series, about ten times faster than libquadmath's logq and
// within one unit in the last place of the exact logarithm (correctly rounded unless the exact
// value lies within about 2**-12 units of a rounding boundary).
#pragma once

#include "numeric/real.hpp"
#include "numeric/wide_fixed.hpp"

namespace tarvex {

// log(x) for x > 0 (subnormals included); zero, negative, infinite and NaN arguments get
// logq's results. A 128-bit series answers most arguments; it hands the rest to fast_log_wide,
// and returns the same bits as fast_log_wide for every argument.
Real fast_log(Real x);

// The same function with its series in 192-bit fixed point throughout.
Real fast_log_wide(Real x);

// The short path alone: false for the arguments it leaves to fast_log_wide (subnormal, 1, exact
// powers of two and other arguments with z = 0, special values, and those too near a rounding
// boundary to decide), else log(x) in `out`.
bool fast_log_short(Real x, Real& out);

} // namespace tarvex
