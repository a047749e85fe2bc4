// Decimal digits of binary128 values generated exactly with integer arithmetic: the leading
// significant digits correctly rounded (ties to even), whether that many digits read back to
// the identical value, and the "%.<n>Qg" general form built from them without libquadmath.
#pragma once

#include "numeric/real.hpp"

#include <string>

namespace tarvex {

// The first `digits` (1..36) significant digits of a finite non-zero |value|: D with
// 10**(digits-1) <= D < 10**digits and |value| ~ D * 10**(exponent - digits + 1).
struct DecimalDigits {
    unsigned __int128 D = 0;
    int exponent = 0;
    bool reads_back = false; // the decimal value D * 10**(...) rounds to exactly `value`
};

// False (out untouched) when the value is zero, infinite, NaN or outside the range handled
// here (about 1e-64 to 1e33 in magnitude); the caller then takes the library's route.
bool decimal_digits(Real value, int digits, DecimalDigits& out);

// The text "%.<digits>Qg" gives for `value` (digits 1..36).
std::string general_text(Real value, int digits);

// The general-form text with 33 significant digits when it reads back to exactly `value`,
// otherwise with 36 (which always does); empty when the value is infinite, NaN, subnormal or
// outside the range decimal_digits handles.
std::string round_trip_text(Real value);

} // namespace tarvex
