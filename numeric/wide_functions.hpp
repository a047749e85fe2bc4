// Elementary functions in double-binary128 (about 226 bits): the working precision in which the
// expression language's binary128 functions (COS, TAN, the error functions, GAMMA, the normal
// distribution function and its quantile ...) are computed before their one final rounding, so
// that the result is within one unit in the last place of binary128.
#pragma once

#include "numeric/double_binary128.hpp"
#include "numeric/real.hpp"

namespace tarvex::wide_fn {

// e^a for a.hi up to about 11356 (beyond: infinity; below -11500: 0). The low part is lost
// where the result is subnormal.
Wide exp(Wide a);
// e^a = m 2^k with m a double-binary128 number near 1 (for a caller that scales once, last).
void exp_parts(Wide a, Wide& m, int& k);
// ln x for a finite x > 0.
Wide log(Real x);
// x = k pi/2 + r with |r| <= pi/4 and q = k mod 4 (0..3); false when |x| >= 2^40, where the
// reduction's table of pi/2 runs out (callers then use libquadmath's reduction).
bool reduce_half_pi(Real x, Wide& r, int& q);
// sin r and cos r for |r| <= pi/4 (a little beyond is harmless), by their Taylor series.
void sin_cos(Wide r, Wide& s, Wide& c);
// sin x and cos x for |x| < 2^40, false beyond.
bool sin_cos_any(Real x, Wide& s, Wide& c);
// The error function and its complement at a double-binary128 argument: the Taylor series for
// |y| < 5, the continued fraction of the tail beyond.
Wide erf(Wide y);
// erfc y times 2^scale, the scaling done before the one rounding a subnormal result gets.
Wide erfc(Wide y, int scale = 0);
// The standard normal distribution function P(Z <= x), accurate far into both tails.
Wide normal_cdf(Real x);
// erf(x / sqrt 2) = 2 P(Z <= x) - 1, accurate relative to itself for a small x.
Wide erf_over_sqrt2(Real x);

} // namespace tarvex::wide_fn
