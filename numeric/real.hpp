// The engine's one real type: IEEE binary128 through GCC's __float128 and libquadmath.
// Every workspace element, coefficient and statistic is a Real; nothing passes through double.
#pragma once

#include <quadmath.h>

namespace tarvex {

using Real = __float128;

// Machine constants of the quadruple-precision run.
inline constexpr int IEXLIM = 4932;               // decimal exponent limit
inline const Real EXLIM = 11356.5Q;               // largest x with exp(x) finite
inline const Real EPSNEG = 9.62964972193617926527988971292463659e-35Q; // 2**-113

} // namespace tarvex
