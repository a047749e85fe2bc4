// The square root of a binary128 value, correctly rounded, computed on the integer significand.
#pragma once

#include "numeric/real.hpp"

namespace tarvex {

// sqrt(x) rounded to nearest, bit for bit the IEEE result: -0 for -0, +inf for +inf, NaN for a
// NaN or a negative number (those go to the library routine, so the NaN bits and the invalid
// flag are its own).
Real square_root(Real x);

} // namespace tarvex
