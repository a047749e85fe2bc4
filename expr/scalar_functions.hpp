// The numerical functions of the expression language on binary128 values: the exponential
// with the EXLIM split, integer and real powers, the normal distribution function accurate in
// the far tails, and the remainder.
#pragma once

#include "numeric/real.hpp"

namespace tarvex::expr {

// Whole exponents up to this size are carried out by repeated multiplication.
inline const Real LARGEST_MULTIPLIED_EXPONENT = 1024;

// e**x. Arguments above EXLIM are split into a multiple of EXLIM and a remainder; `overflow`
// is set when the result is not a finite binary128 number.
Real exp_split(Real x, bool& overflow);
// a**b: an integer-valued b by repeated multiplication (squaring), others through powq.
// `illegal` is set for a negative a with a non-integer b and for 0 to a negative power.
Real power(Real a, Real b, bool& illegal);
// a**n for n >= 0 by repeated squaring, the multiplications power() performs for an integer b.
inline Real integer_power(Real a, long long n) {
    Real base = a;
    Real result = 1;
    while (n > 0) {
        if (n & 1) result *= base;
        n >>= 1;
        if (n > 0) base *= base;
    }
    return result;
}
// Standard normal distribution function, to full precision far into both tails.
Real ncdf(Real x);
// One of the functions added after the original table (COS .. LOG10, see operations.hpp) at a.
// False, with `value` unset, when a is outside the function's domain or the result overflows:
// the caller then treats it as the illegal argument it is, as LOG and SQRT do.
bool more_function(int op, Real a, Real& value);
// Exact product a*b = hi + lo (hi the rounded product), by splitting both significands.
void two_product(Real a, Real b, Real& hi, Real& lo);

} // namespace tarvex::expr
