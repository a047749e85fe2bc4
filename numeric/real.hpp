// The engine's one real type: IEEE binary128 through GCC's __float128 and libquadmath.
// Every workspace element, coefficient and statistic is a Real; nothing passes through double.
#pragma once

#include <quadmath.h>

#include <cstring>

namespace tarvex {

using Real = __float128;

// Machine constants of the quadruple-precision run.
inline constexpr int IEXLIM = 4932; // decimal exponent limit
inline const Real EXLIM = 11356.5Q; // largest x with exp(x) finite
inline const Real EPSNEG = 9.62964972193617926527988971292463659e-35Q; // 2**-113

// a == b by the IEEE rules (a NaN equals nothing, -0 equals +0), decided on the bits: for the
// loops over every observation, where the soft-float comparison call would cost more than the
// rest of the work.
inline bool equal_values(Real a, Real b) {
    using Bits = unsigned __int128;
    constexpr Bits MAGNITUDE = ~(Bits(1) << 127);
    constexpr Bits INFINITY_BITS = Bits(0x7fff) << 112;
    Bits x, y;
    std::memcpy(&x, &a, sizeof x);
    std::memcpy(&y, &b, sizeof y);
    if ((x & MAGNITUDE) > INFINITY_BITS || (y & MAGNITUDE) > INFINITY_BITS) return false;
    return x == y || ((x | y) & MAGNITUDE) == 0;
}

} // namespace tarvex
