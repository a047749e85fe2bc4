// Report fields that never lose a number. A fixed Fortran field fills with "*" when its value
// does not fit; where a report's layout is the system's own choice, these fields give the value
// the room it needs instead: an integer field widens, a fixed-point field first gives up
// decimals and then switches to exponent form in the same width.
#pragma once

#include "numeric/real.hpp"

#include <string>

namespace tarvex {

// Iw, widened to the digits (and sign) of `value` when they need more than w columns.
std::string fmt_I_fitted(long long value, int w);
// Fw.d when the value fits; else Fw.d' with the most decimals d' < d that fit; else Ew.d'' with
// the most significant digits that fit in w columns.
std::string fmt_F_fitted(Real value, int w, int d);

} // namespace tarvex
