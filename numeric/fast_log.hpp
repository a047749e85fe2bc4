// The natural logarithm of a binary128 value computed with integer arithmetic: two table
// reductions and a short fixed-point series, about ten times faster than libquadmath's logq and
// within one unit in the last place of the exact logarithm (correctly rounded unless the exact
// value lies within about 2**-12 units of a rounding boundary).
#pragma once

#include "numeric/real.hpp"
#include "numeric/wide_fixed.hpp"

namespace tarvex {

// log(x) for x > 0 (subnormals included); zero, negative, infinite and NaN arguments get
// logq's results.
Real fast_log(Real x);

} // namespace tarvex
