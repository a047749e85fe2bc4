// Fortran edit-descriptor output of binary128 values (Iw, Fw.d, Ew.d, Gw.d, Aw, nX): every
// report line is built from these fields. Values are rounded to nearest (ties to even) from their
// exact binary value, never through double; a value that does not fit fills the field with "*".
#pragma once

#include "numeric/real.hpp"

#include <string>
#include <string_view>

namespace tarvex {

// Iw (and Iw.m with at least m digits).
std::string fmt_I(long long value, int w, int m = -1);
// Fw.d.
std::string fmt_F(Real value, int w, int d);
// Ew.d and Ew.dEe (e = 0: the default exponent form); letter 'D' gives Dw.d.
std::string fmt_E(Real value, int w, int d, int e = 0, char letter = 'E');
// Gw.d and Gw.dEe.
std::string fmt_G(Real value, int w, int d, int e = 0);
// Aw: right-justified when w exceeds the length, else the leftmost w characters.
std::string fmt_A(std::string_view text, int w);
// nX: n blanks.
std::string fmt_X(int n);

} // namespace tarvex
