// The square root on integer significands. A positive finite x is M * 2^(2k - 112) with M a
// 113- or 114-bit integer (the significand, doubled when the exponent is odd so that the rest is
// an even power), and its root is sqrt(N) * 2^(k - 112) with N = M * 2^112, whose root lies in
// [2^112, 2^113): the result significand is sqrt(N) rounded to an integer.
//
// 1. The reciprocal root z ~ 1/sqrt(a) of a = M / 2^112 in [1, 4) starts from a table indexed by
//    the top nine bits of M and is refined by three Newton steps z += z (1 - a z^2) / 2 in 64-bit
//    fixed point, multiplications only; each step doubles the correct bits, up to about 61.
// 2. s = a z approximates sqrt(a) to about 60 bits; its square is subtracted from a exactly, and
//    one more step s += z (a - s^2) / 2, taken on N's scale and rounded down, gives sqrt(N) less
//    at most 1.1 units (the rounding of the step, less than one unit, and its own error, a few
//    hundredths) and more at most a few hundredths. One unit is added, so that the candidate Y is
//    never below floor(sqrt(N)) and at most two above it (mostly one).
// 3. The candidate is made exact: R = N - Y^2 is formed from the full 226-bit square, and while it
//    is negative Y comes down by one unit; then Y = floor(sqrt(N)) and 0 <= R <= 2Y holds
//    everything below it.
// 4. The root rounds up when sqrt(N) > Y + 1/2, that is when R > Y. It is never exactly halfway
//    (that would make 4N = (2Y + 1)^2 odd), so there is no tie to break; a rounding up past
//    2^113 - 1 carries into the exponent, which is what the packed format wants.
//
// Zeros and +inf are their own roots; NaNs and negative numbers go to the libquadmath routine.
// Subnormal inputs are normalised first; every root of a positive finite number is normal.
#include "numeric/square_root.hpp"

#include "numeric/limb_arithmetic.hpp"

#include <array>
#include <cstdint>
#include <cstring>

namespace tarvex {
namespace {

using namespace limbs; // the integer types and the bit and limb helpers

using s64 = std::int64_t;
using s128 = __int128;

constexpr u128 HIDDEN = HIDDEN_BIT;

// floor(sqrt(v)), bit by bit: for the table only.
constexpr u64 integer_root(u64 v) {
    u64 root = 0;
    for (u64 bit = u64(1) << 62; bit != 0; bit >>= 2) {
        if (v >= root + bit) {
            v -= root + bit;
            root = (root >> 1) + bit;
        } else {
            root >>= 1;
        }
    }
    return root;
}

// Reciprocal roots 2^15 / sqrt(a) at the midpoints a = (2i + 1) / 256 of the intervals
// [i / 128, (i + 1) / 128), i = 128..511, that the top nine bits of M select; each is within
// 2^-9 of the reciprocal root anywhere in its interval.
constexpr int TABLE_FIRST = 128;
constexpr int TABLE_END = 512;
constexpr std::array<std::uint16_t, TABLE_END - TABLE_FIRST> RECIPROCAL_ROOTS = [] {
    std::array<std::uint16_t, TABLE_END - TABLE_FIRST> table{};
    for (int i = TABLE_FIRST; i < TABLE_END; ++i)
        table[i - TABLE_FIRST] =
            static_cast<std::uint16_t>(integer_root((u64(1) << 38) / u64(2 * i + 1)));
    return table;
}();

inline int leading_zeros(u128 v) {
    const u64 high = high64(v);
    return high != 0 ? __builtin_clzll(high) : 64 + __builtin_clzll(low64(v));
}

} // namespace

Real square_root(Real x) {
    const u128 bits = bits_of(x);
    const unsigned field = static_cast<unsigned>(bits >> FRACTION_BITS); // sign and exponent
    u128 m = bits & FRACTION_MASK;
    int exponent; // x = m * 2^(exponent - 112), m in [2^112, 2^113)
    if (field - 1 < EXPONENT_FIELD - 1) [[likely]] {
        m |= HIDDEN;
        exponent = static_cast<int>(field) - EXPONENT_BIAS;
    } else if (field == 0) {
        if (m == 0) return x; // +0
        const int shift = leading_zeros(m) - (127 - FRACTION_BITS);
        m <<= shift;
        exponent = 1 - EXPONENT_BIAS - shift;
    } else if (field == EXPONENT_FIELD && m == 0) {
        return x; // +inf
    } else {
        if ((bits << 1) == 0) return x; // -0
        return sqrtq(x);                // NaN, or negative
    }

    // M = m or 2m, so that x = M * 2^(2k - 112).
    const int odd = exponent & 1;
    const u128 M = m << odd;
    const int half = (exponent - odd) >> 1; // k

    // 1. z ~ 2^63 / sqrt(a) from a64 = a * 2^62.
    const u64 a64 = static_cast<u64>(M >> 50);
    u64 z = u64(RECIPROCAL_ROOTS[static_cast<int>(M >> 105) - TABLE_FIRST]) << 48;
    for (int step = 0; step < 3; ++step) {
        const u64 square = static_cast<u64>((u128(z) * z) >> 63);         // z^2 * 2^63
        const u64 product = static_cast<u64>((u128(a64) * square) >> 62); // a z^2 * 2^63
        const s64 error = static_cast<s64>((u64(1) << 63) - product);     // (1 - a z^2) * 2^63
        z += static_cast<u64>((s128(z) * error) >> 64);                   // z (1 - a z^2) / 2
    }

    // 2. s = a z * 2^62; d = (a - s^2) * 2^124 exactly; the candidate Y = s * 2^50 + D / (2 Y0)
    //    with D = N - (s * 2^50)^2 = d * 2^100 and 1 / (2 Y0) ~ z * 2^-176.
    const u64 s = static_cast<u64>((u128(a64) * z) >> 63);
    const s128 d = s128(M << 12) - s128(u128(s) * s);
    const u128 magnitude = d < 0 ? u128(-d) : u128(d);
    const u128 scaled =
        u128(high64(magnitude)) * z + high64(u128(low64(magnitude)) * z); // |d| z / 2^64
    // The step is rounded down whichever its sign, then the candidate raised by one unit.
    u128 Y = (u128(s) << 50) + 1;
    Y = d < 0 ? Y - ((scaled + 0xfff) >> 12) : Y + (scaled >> 12);

    // 3. R = N - Y^2 from the full square, N = M * 2^112 in four limbs.
    u64 r0 = 0, r1 = low64(M) << 48, r2 = static_cast<u64>(M >> 16), r3 = static_cast<u64>(M >> 80);
    const limbs::Product square = limbs::multiply(low64(Y), high64(Y), low64(Y), high64(Y));
    const u64 negative =
        limbs::signed_sum(r0, r1, r2, r3, square.p0, square.p1, square.p2, square.p3, true);
    const s128 distance = s128((u128(r1) << 64) | r0);
    s128 R = negative ? -distance : distance;
    // A candidate outside the bounds above would be a fault in steps 1 and 2 (never seen): the
    // library routine, within one unit, answers rather than a wrong root or a long walk.
    if ((r2 | r3) != 0 || (r1 >> 62) != 0 || R < -s128(6 * Y)) [[unlikely]]
        return sqrtq(x);
    while (R < 0) { // (Y - 1)^2 = Y^2 - 2Y + 1
        R += s128(2 * Y - 1);
        --Y;
    }
    if (R > s128(2 * Y)) [[unlikely]]
        return sqrtq(x);

    // 4. Round, and pack: the exponent field below the significand, whose implicit bit is taken
    //    off; a carry out of the significand raises the exponent by one.
    Y += R > s128(Y);
    return from_bits((u128(half + EXPONENT_BIAS) << FRACTION_BITS) + (Y - HIDDEN));
}

} // namespace tarvex
