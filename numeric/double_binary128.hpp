// Double-binary128 arithmetic: a value held as the unevaluated sum hi + lo of two binary128
// numbers with |lo| at most half a unit in the last place of hi, about 226 bits of significand
// over the binary128 exponent range. The small dense steps of the cross-product solver (Cholesky
// factor, triangular solves, inverse) run in it, so that the digits an ill-conditioned moment
// matrix costs come out of 226 bits rather than 113; the expression language's elementary and
// special functions are computed in it before their final rounding. The error-free steps are the
// classical two-sum and Dekker's split product (split at 2^57 + 1, exact in binary for the odd
// precision 113); no fused multiply-add is used, libquadmath's being far too slow.
#pragma once

#include "numeric/real.hpp"

namespace tarvex {

struct Wide {
    Real hi = 0;
    Real lo = 0;
};

inline Wide wide(Real value) {
    return {value, 0};
}

Wide operator+(Wide a, Wide b);
Wide operator-(Wide a, Wide b);
Wide operator*(Wide a, Wide b);
Wide operator/(Wide a, Wide b);
inline Wide operator-(Wide a) {
    return {-a.hi, -a.lo};
}
// The square root (0 for a value that is not positive).
Wide wide_sqrt(Wide a);
// a * 2^e, exact unless a part falls into the subnormal range.
inline Wide wide_scaled(Wide a, int e) {
    return {scalbnq(a.hi, e), scalbnq(a.lo, e)};
}
// a <= b on the pair values.
bool wide_less_equal(Wide a, Wide b);

} // namespace tarvex
