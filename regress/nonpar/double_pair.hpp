// Pairs of doubles for the inner loops of the grid density: a value held as the unevaluated sum
// hi + lo of two doubles (|lo| at most half a unit in the last place of hi), about 106 bits of
// significand over double's exponent range, at a few nanoseconds a step instead of the tens a
// binary128 step costs. Nothing here is correctly rounded: each product or sum is within a few
// units of 2^-106 of the sum of the magnitudes it combines, and the callers bound what that costs
// them. The error-free steps are the classical two-sum and Dekker's split product (split at
// 2^27 + 1); a fused multiply-add is used instead where the target has one.
#pragma once

#include "numeric/real.hpp"

namespace tarvex {

struct DoublePair {
    double hi = 0, lo = 0;
};

// a + b exactly as a pair, given |a| >= |b| (or a = 0).
inline DoublePair pair_quick_sum(double a, double b) {
    const double s = a + b;
    return {s, b - (s - a)};
}

// a + b exactly as a pair, for any a and b.
inline DoublePair pair_two_sum(double a, double b) {
    const double s = a + b;
    const double b_part = s - a;
    return {s, (a - (s - b_part)) + (b - b_part)};
}

// a b exactly as a pair (barring underflow and overflow).
inline DoublePair pair_two_product(double a, double b) {
    const double p = a * b;
#ifdef __FMA__
    return {p, __builtin_fma(a, b, -p)};
#else
    constexpr double SPLIT = 134217729.0; // 2^27 + 1
    const double ta = SPLIT * a, tb = SPLIT * b;
    const double a_hi = ta - (ta - a), a_lo = a - a_hi;
    const double b_hi = tb - (tb - b), b_lo = b - b_hi;
    return {p, ((a_hi * b_hi - p) + a_hi * b_lo + a_lo * b_hi) + a_lo * b_lo};
#endif
}

inline DoublePair operator+(DoublePair a, DoublePair b) {
    DoublePair s = pair_two_sum(a.hi, b.hi);
    s.lo += a.lo + b.lo;
    return pair_quick_sum(s.hi, s.lo);
}

inline DoublePair operator-(DoublePair a) {
    return {-a.hi, -a.lo};
}

inline DoublePair operator*(DoublePair a, DoublePair b) {
    DoublePair p = pair_two_product(a.hi, b.hi);
    p.lo += a.hi * b.lo + a.lo * b.hi;
    return pair_quick_sum(p.hi, p.lo);
}

// The binary128 value to within 2^-106 of itself (a normal double range assumed).
inline DoublePair to_pair(Real x) {
    const double hi = double(x);
    return {hi, double(x - Real(hi))};
}

// hi + lo, rounded once to binary128 when the parts lie more than 60 binades apart.
inline Real to_real(DoublePair a) {
    return Real(a.hi) + Real(a.lo);
}

} // namespace tarvex
