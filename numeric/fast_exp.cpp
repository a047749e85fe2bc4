// Exponential of binary128 values: a short path in 128-bit fixed point that returns its result
// only when it can prove that the 192-bit routine (numeric/exp_wide.cpp) rounds to the same bits,
// and that routine otherwise.
//
// With N = 256 n + j the integer nearest to x * 256 / log 2, r = x - N log 2 / 256, i the
// integer part of r * 2**17 (rounded down) and z = r - i * 2**-17, in [0, 2**-17):
//   exp x = 2**n * 2**(j/256) * exp(i * 2**-17) * (1 + p),   p = exp(z) - 1,
// with the two table factors of numeric/exp_tables.hpp rounded to 128 bits.
//
// Error of the sum S = T + T*p, in units of 2**-126 (S lies in [2**125, 2**127)):
//   r (units of 2**-136): the logarithm step ln 2 * 2**128 is held to 2**-48 of a unit and
//     N < 2**23, and x is truncated (only below 2**-23, where N = 0): within one unit, so
//     exp(r) is within 2**-135 relative, 2**-8 units of S;
//   T = V1 * V2: each table value rounded to nearest (half a unit, relative to values near 1
//     and 2), the product truncated (one unit): within 0.5 * 1.0014 + 0.5 * 2 + 1 = 2.51 units;
//   p: every product truncated to about a unit of 2**-136, and the 64-bit inner terms (z cut
//     to 2**-81, coefficients to 2**-68) within 2**-83.5 of q1 = 1/6 + ..., which p multiplies
//     by z**3 < 2**-51: within 4 units of 2**-136, so T*p is within 2**-7 units of S, and its
//     truncation adds 1 + 2**-7 units;
//   the terms of exp(z) beyond z**7 / 7! are below 2**-150.
// So S is within 3.6 units of exp x * 2**(126 - n). The 192-bit routine's value before its one
// rounding is within 2**-141 relative of exp x, below 2**-14 units. When the rounding boundary
// (the midpoint between two binary128 neighbours) lies more than 4 units from S, both values
// lie on the same side of it and both routines return the same bits; a binade's lower end
// needs no care, as 4 units are far below a quarter of the narrower spacing below it.
#include "numeric/fast_exp.hpp"

#include "numeric/exp_tables.hpp"
#include "numeric/wide_fixed.hpp"

#include <cstdint>
#include <cstring>

namespace tarvex {

namespace exp_short {

using namespace fixed192;

constexpr u128 LARGEST_ARGUMENT = (u128(0x400c62d8) << 96); // 11355, as a bit pattern
constexpr int SMALLEST_EXPONENT = -64;
constexpr int LARGEST_EXPONENT = 13;

// ln 2 * 2**128 (the step log 2 / 256 in units of 2**-136): its integer part and the next 64
// bits, from the table's 176-bit logarithm moved up 16 bits.
constexpr u128 STEP_HIGH = (u128((exp_tables::LN2[2] << 16) | (exp_tables::LN2[1] >> 48)) << 64) |
                           ((exp_tables::LN2[1] << 16) | (exp_tables::LN2[0] >> 48));
constexpr u64 STEP_LOW = exp_tables::LN2[0] << 16;

// Coefficients 1/k! of the series, each in the 64-bit unit that keeps it below 2**64.
constexpr u64 INVERSE_5040 = u64((u128(1) << 76) / 5040); // units of 2**-76
constexpr u64 INVERSE_720 = u64((u128(1) << 73) / 720);   // units of 2**-73
constexpr u64 INVERSE_120 = u64((u128(1) << 70) / 120);   // units of 2**-70
constexpr u64 INVERSE_24 = u64((u128(1) << 68) / 24);     // units of 2**-68
constexpr u128 INVERSE_6 = ~u128(0) / 3 * 2; // floor(2**129 / 3): 1/6 in units of 2**-130
constexpr u128 HALF = u128(1) << 127;        // 1/2 in units of 2**-128

// The distance from S (units of 2**-126) within which the rounding boundary sends the argument
// to the 192-bit routine: 3.6 units of S's error and 2**-14 of that routine's.
constexpr u64 ERROR_BOUND = 4;

// A table value with 190 fraction bits rounded to 128 bits with 126 fraction bits.
inline u128 rounded_value(const u64 (&v)[3]) {
    return ((u128(v[2]) << 64) | v[1]) + (v[0] >> 63);
}

// exp(z) - 1 for z = Z * 2**-136 in [0, 2**-17), in units of 2**-136:
//   z + z*z*(1/2 + z*q1),  q1 = 1/6 + z*(1/24 + z*(1/120 + z*(1/720 + z/5040))),
// the part of q1 after 1/6 in 64-bit fixed point from z's top 64 bits.
inline u128 series(u128 Z) {
    const u64 zt = u64(Z >> 55); // z in units of 2**-81
    u64 q = INVERSE_720 + u64((u128(zt) * INVERSE_5040) >> 84);
    q = INVERSE_120 + u64((u128(zt) * q) >> 84);
    q = INVERSE_24 + u64((u128(zt) * q) >> 83);
    const u128 q1 = INVERSE_6 + ((u128(zt) * q) >> 19); // units of 2**-130
    const u128 q0 = HALF + product_shifted(Z, q1, 138); // units of 2**-128
    const u128 w = product_shifted(Z, q0, 128);         // z * q0, units of 2**-136
    return Z + product_shifted(Z, w, 136);
}

} // namespace exp_short

namespace {

// The short path; inlined into both entry points.
__attribute__((always_inline)) inline bool short_path(Real x, Real& out) {
    using namespace exp_short;
    u128 bits;
    std::memcpy(&bits, &x, sizeof bits);
    const int e = int(bits >> SIGNIFICAND_BITS & 0x7fff) - EXPONENT_BIAS;
    const u128 magnitude_bits = bits & ~(u128(1) << 127);
    if (e < SMALLEST_EXPONENT || magnitude_bits > LARGEST_ARGUMENT) return false;
    const bool negative = (bits >> 127) != 0;
    const u128 M = (bits & ((u128(1) << SIGNIFICAND_BITS) - 1)) | (u128(1) << SIGNIFICAND_BITS);
    // N as in the 192-bit routine: |x| to 48 fraction bits times 256 / log 2 to 55 bits.
    const u64 top = u64((M >> 51) >> (LARGEST_EXPONENT - e));
    const u128 scaled = u128(top) * exp_tables::INVERSE_LOG_STEP;
    const u64 n_abs = u64((scaled + (u128(1) << 102)) >> 103);
    // |r| = |x| - n_abs * log 2 / 256 in units of 2**-136, modulo 2**128: the true value is below
    // 2**127 in magnitude, so the wrapped difference gives it.
    const int shift = e + 24;
    const u128 X = shift >= 0 ? M << shift : M >> -shift;
    const u128 step = n_abs * STEP_HIGH + ((u128(n_abs) * STEP_LOW) >> 64);
    const i128 R = negative ? i128(step - X) : i128(X - step);
    const i128 i = R >> 119; // r * 2**17 rounded down, in [-178, 177]
    const u128 Z = u128(R - (i << 119));
    const long long N = negative ? -static_cast<long long>(n_abs) : static_cast<long long>(n_abs);
    const int n = static_cast<int>(N >> 8);

    const u128 V1 = rounded_value(exp_tables::STAGE1[N & 255].value);
    const u128 V2 = rounded_value(exp_tables::STAGE2[exp_tables::STAGE2_OFFSET + int(i)]);
    u128 high, low;
    multiply(V1, V2, high, low);
    const u128 T = high << 2 | low >> 126; // 2**(j/256) exp(i * 2**-17), units of 2**-126
    const u128 S = T + product_shifted(T, series(Z), 136);

    // S has 14 bits below the significand from 2**126 (1 <= S * 2**-126 < 2), else 13.
    const int below = int(S >> 126) + 13;
    const u64 rest = u64(S) & ((u64(1) << below) - 1), half = u64(1) << (below - 1);
    const u64 distance = rest > half ? rest - half : half - rest;
    if (distance <= ERROR_BOUND) return false;
    const u128 significand = (S >> below) + (rest > half); // 2**113 when rounding carries over
    const int biased = n + EXPONENT_BIAS + below - 14;
    // The significand's leading bit adds one to the exponent field (and its carry one more).
    const u128 result = (u128(biased - 1) << SIGNIFICAND_BITS) + significand;
    std::memcpy(&out, &result, sizeof out);
    return true;
}

} // namespace

bool fast_exp_short(Real x, Real& out) {
    return short_path(x, out);
}

Real fast_exp(Real x) {
    Real out;
    return short_path(x, out) ? out : fast_exp_wide(x);
}

} // namespace tarvex
