// Natural logarithm of binary128 values: a short path that returns its result only when it can
// prove that the 192-bit routine (numeric/log_wide.cpp) rounds to the same bits, and that routine
// otherwise (also for subnormal arguments, for z = 0 and for the special values).
//
// The reduction is the 192-bit routine's, exact: x = m * 2**E, z = m*c1*c2 - 1 (|z| < 2**-17.6),
//   log x = A + log(1 + z),   A = E*log 2 - log c1 - log c2 (the same 192-bit table sum).
// Only the series is shorter. With u = |z|, s its sign and y = u*u,
//   log(1 + z) = s*u*(1 + w),   w = y*(1/3 + y/5 + y**2/7) - s*u*(1/2 + y/4 + y**2/6 + y**3/8),
// every part unsigned; the terms left out (y**4/9 and beyond) are below 2**-144.
//
// Error of L = |log(1 + z)| in units U of L's last bit (L's top bit is 125, 126 or 127):
//   w, in units of 2**-144: each product truncated (about one unit), the 64-bit inner terms
//   within 2**-128 (y/5 within 2**-98, times y < 2**-35.4), the terms left out below one unit:
//   within 2**11 units, which L multiplies by at most 2**-17: 2**-6 U; the product u*w truncated:
//   1 + 2**-14 U. So L is within 1.02 U (counted as 2 U below).
// The 192-bit routine's own value lies within its stated bound of the exact logarithm: (L >> 123)
// + 2 U when A = 0, and |z| * 2**-124 + |E| + 5 units of 2**-176 otherwise; this path's sum
// shares A's table error (|E| + 4 units). When the midpoint between the two binary128 neighbours
// lies farther from this path's value than both bounds together, both values round to the same
// side and the two routines return the same bits.
#include "numeric/fast_log.hpp"

#include "numeric/log_reduction.hpp"
#include "numeric/wide_fixed.hpp"

#include <cstdint>
#include <cstring>

namespace tarvex {

namespace log_short {

using namespace fixed192;

constexpr int SUM_SCALE = 176; // fraction bits of the 192-bit sum and of the tables
constexpr int Z_SCALE = 144;   // z in units of 2**-144

constexpr u128 THIRD = ~u128(0) / 3;              // 1/3 in units of 2**-128
constexpr u128 HALF = u128(1) << 127;             // 1/2 in units of 2**-128
constexpr u64 FIFTH = u64((u128(1) << 66) / 5);   // units of 2**-66
constexpr u64 SIXTH = u64((u128(1) << 66) / 6);   // units of 2**-66
constexpr u64 SEVENTH = u64((u128(1) << 66) / 7); // units of 2**-66

// |log(1 + z)| * 2**(144 + shift) for z = (negative ? -1 : 1) * U * 2**-144, U non-zero, where
// shift normalises U to [2**126, 2**127).
__attribute__((always_inline)) inline u128 log1p_magnitude(u128 U, bool negative, int& shift) {
    const u128 y = product_shifted(U, U, 128); // u*u in units of 2**-160, below 2**124.8
    const u64 yt = u64(y >> 64);               // units of 2**-96
    const u64 yy = u64((u128(yt) * yt) >> 64); // y*y in units of 2**-128, below 2**57.2
    // 1/3 + y/5 + y*y/7 and 1/2 + y/4 + y*y*(1/6 + y/8), units of 2**-128.
    const u128 even = THIRD + ((u128(yt) * FIFTH) >> 34) + ((u128(yy) * SEVENTH) >> 66);
    const u64 sixth = SIXTH + (yt >> 33);
    const u128 odd = HALF + (y >> 34) + ((u128(yy) * sixth) >> 66);
    const u128 w_even = product_shifted(y, even, 144); // units of 2**-144
    const u128 w_odd = product_shifted(U, odd, 128);   // units of 2**-144
    // For z > 0, w = w_even - w_odd < 0; for z < 0, w = w_even + w_odd > 0.
    const u128 w = negative ? w_even + w_odd : w_odd - w_even;
    shift = (U >> 64 ? __builtin_clzll(u64(U >> 64)) : 64 + __builtin_clzll(u64(U))) - 1;
    const u128 un = U << shift;
    const u128 uw = product_shifted(un, w, Z_SCALE);
    return negative ? un + uw : un - uw;
}

// The binary128 value nearest to (-1)**negative * window * 2**(top - 127 - scale) with window's
// top bit at 127, unless the midpoint it rounds at lies within `error` units of window: then
// false.
inline bool round_window(bool negative, u128 window, int top, int scale, u64 error, Real& out) {
    const u64 rest = u64(window) & 0x7fff, half = 0x4000;
    const u64 distance = rest > half ? rest - half : half - rest;
    if (distance <= error) return false;
    const u128 significand = (window >> 15) + (rest > half);
    const u128 bits = (u128(negative) << 127) +
                      (u128(top - scale + EXPONENT_BIAS - 1) << SIGNIFICAND_BITS) + significand;
    std::memcpy(&out, &bits, sizeof out);
    return true;
}

} // namespace log_short

namespace {

// The short path; inlined into both entry points.
__attribute__((always_inline)) inline bool short_path(Real x, Real& out) {
    using namespace log_short;
    u128 bits;
    std::memcpy(&bits, &x, sizeof bits);
    const int field = int(bits >> SIGNIFICAND_BITS); // the sign bit included
    if (unsigned(field - 1) >= 0x7ffe) return false; // subnormal, 0, sign, inf, NaN
    const u128 M = (bits & ((u128(1) << SIGNIFICAND_BITS) - 1)) | (u128(1) << SIGNIFICAND_BITS);
    const int E = field - EXPONENT_BIAS;
    const log_reduction::Reduced reduced = log_reduction::reduce(M);
    const i128 Z = reduced.Z;
    if (Z == 0) return false;
    const bool z_negative = Z < 0;
    const u128 U = z_negative ? -u128(Z) : u128(Z);
    int shift;
    const u128 L = log1p_magnitude(U, z_negative, shift);

    const Wide A = log_reduction::table_sum(E, reduced);
    if (is_zero(A)) {
        // The result is log(1 + z) itself, rounded from L; the bounds in units of L's last bit
        // grow by the window's shift.
        const int l_top = 127 - __builtin_clzll(u64(L >> 64)); // 125, 126 or 127
        const u64 error = (2 + u64(L >> 123) + 3) << (127 - l_top);
        return round_window(z_negative, L << (127 - l_top), l_top, Z_SCALE + shift, error, out);
    }
    const Wide part = shifted(L, SUM_SCALE - Z_SCALE - shift);
    const Wide S = add(A, z_negative ? negate(part) : part);
    const bool negative = is_negative(S);
    const Wide magnitude = negative ? negate(S) : S;
    const int top = leading_bit(magnitude);
    if (top < 127) return false;
    // This path's error (2 U, one unit for the shift, A's table error) and the 192-bit routine's
    // bound, in units of 2**-176, then in units of the window (one more for the bits below it).
    const int u_shift = Z_SCALE + shift - SUM_SCALE; // L's last bit: 2**-u_shift units of 2**-176
    const u64 table_error = u64(E < 0 ? -E : E) + 4;
    const u64 mine = (u_shift >= 0 ? 2 : u64(2) << -u_shift) + 1 + table_error;
    const u64 theirs = u64(U >> 92) + 1 + table_error;
    const int window_shift = top - 127;
    const u64 error = (window_shift < 64 ? (mine + theirs) >> window_shift : 0) + 2;
    return round_window(negative, bits_from(magnitude, window_shift), top, SUM_SCALE, error, out);
}

} // namespace

bool fast_log_short(Real x, Real& out) {
    return short_path(x, out);
}

Real fast_log(Real x) {
    Real out;
    return short_path(x, out) ? out : fast_log_wide(x);
}

} // namespace tarvex
