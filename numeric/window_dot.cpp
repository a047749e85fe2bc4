// The windowed dot product, and why its answer is the correctly rounded one.
//
// A product of decoded factors is m * 2^(ba + bb - C), with m = ma*mb an integer below 2^226
// and C = 2 * (16383 + 112). Let T be the largest ba + bb over the nonzero products and take
// 2^(T - C) as the unit. A product whose ba + bb is T - d is m * 2^-d units: m shifted right by
// d bits, truncated towards zero, is off by less than one unit, and exactly right when d = 0.
// The n terms so placed add into a signed 256-bit integer A (n * 2^226 < 2^255 for n <= 2^20,
// so it cannot overflow), and with t the number of terms shifted (d > 0) the exact sum S, in
// units, satisfies |S - A| < t, or S = A when t = 0.
//
// Let |A| have its leading bit at h >= 113 + 33, g = h - 112, and write
//     |A| = K 2^g + r 2^(g-1) + L,   2^112 <= K < 2^113, r in {0, 1}, 0 <= L < 2^(g-1):
// K the 113 bits kept, r the round bit, L the bits below it. Suppose t < L < 2^(g-1) - t.
// Then A and S have the same sign (|A| > t), and |S| = K 2^g + r 2^(g-1) + L' with
// 0 < L' < 2^(g-1): |S| lies strictly inside (K 2^g, (K+1) 2^g), between two neighbouring
// binary128 significands (K + 1 = 2^113 is the next power of two, also representable), and on
// the same strict side of their midpoint as |A| (below it when r = 0, above when r = 1). Rounding
// to nearest therefore takes |S| to K 2^g when r = 0 and to (K+1) 2^g when r = 1, as it takes
// |A|: no tie can arise. The exponent of the result is h + T - C (one more when K + 1 = 2^113);
// when it lies in the normal range the result is that significand and exponent, and otherwise
// (overflow, subnormal) the exact accumulator decides.
//
// The test t < L < 2^(g-1) - t with t < 2^32 and g - 1 > 32, L = H 2^32 + l (H the bits of L
// from 32 up, l the 32 below): L <= t exactly when H = 0 and l <= t; L >= 2^(g-1) - t exactly
// when H is all ones and l >= 2^32 - t. The window answers when neither holds.
#include "numeric/window_dot.hpp"

#include "numeric/limb_arithmetic.hpp"

#include <climits>
#include <cstdint>
#include <cstring>
#include <x86intrin.h>

namespace tarvex {

namespace {

using u64 = std::uint64_t;
using u128 = unsigned __int128;

constexpr std::size_t WINDOW_MAX_TERMS = std::size_t(1) << 20;
constexpr int WINDOW_FRACTION_BITS = 112;
constexpr int WINDOW_EXPONENT_BIAS = 16383;
// ba + bb - PRODUCT_SCALE is the binary exponent of a product's lowest significand bit.
constexpr int PRODUCT_SCALE = 2 * (WINDOW_EXPONENT_BIAS + WINDOW_FRACTION_BITS);
constexpr int GUARD_BITS = 33; // at least this many bits below the round bit

inline bool factor_is_zero(const ExactAccumulator::Factor& f) {
    return (f.high | f.low) == 0;
}

// The limbs of p >> d for a product p < 2^226 (four limbs, lowest first), 0 <= d < 256, in
// registers and without a branch: the bit shift first, then the limb shift by selection (a
// shift through a buffer in memory would stall on reading back what was just stored).
inline void shift_right(const limbs::Product& p, int d, u64 out[4]) {
    const int bits = d & 63, whole = d >> 6;
    // (x << 1) << (63 - bits) is x << (64 - bits), and 0 when bits = 0.
    const u64 r0 = (p.p0 >> bits) | ((p.p1 << 1) << (63 - bits));
    const u64 r1 = (p.p1 >> bits) | ((p.p2 << 1) << (63 - bits));
    const u64 r2 = (p.p2 >> bits) | ((p.p3 << 1) << (63 - bits));
    const u64 r3 = p.p3 >> bits;
    out[0] = whole == 0 ? r0 : whole == 1 ? r1 : whole == 2 ? r2 : r3;
    out[1] = whole == 0 ? r1 : whole == 1 ? r2 : whole == 2 ? r3 : 0;
    out[2] = whole == 0 ? r2 : whole == 1 ? r3 : 0;
    out[3] = whole == 0 ? r3 : 0;
}

// Whether bits [from, to) of the 256-bit m are all `ones` (all one) or all zero (from < to).
bool bits_uniform(const u64 m[4], int from, int to, bool ones) {
    for (int i = from >> 6; i <= (to - 1) >> 6; ++i) {
        u64 mask = ~u64(0);
        if (i == from >> 6) mask &= ~u64(0) << (from & 63);
        if (i == (to - 1) >> 6) mask &= ~u64(0) >> (63 - ((to - 1) & 63));
        if ((m[i] & mask) != (ones ? mask : 0)) return false;
    }
    return true;
}

// Bit `position` of the 256-bit m.
inline unsigned bit_at(const u64 m[4], int position) {
    return unsigned(m[position >> 6] >> (position & 63)) & 1;
}

// Bits [low, low + 113) of the 256-bit m, low >= 0.
u128 significand_at(const u64 m[4], int low) {
    const int limb = low >> 6, bits = low & 63;
    auto at = [m](int i) -> u64 { return i < 4 ? m[i] : 0; };
    u128 v = (u128(at(limb + 1)) << 64) | at(limb);
    if (bits != 0) v = (v >> bits) | (u128(at(limb + 2)) << (128 - bits));
    return v & ((u128(1) << (WINDOW_FRACTION_BITS + 1)) - 1);
}

} // namespace

bool window_dot(const ExactAccumulator::Factor* a, const ExactAccumulator::Factor* b, std::size_t n,
                Real& rounded) {
    if (n == 0 || n > WINDOW_MAX_TERMS) return false;
    int top = INT_MIN;
    for (std::size_t i = 0; i < n; ++i)
        if (!factor_is_zero(a[i]) && !factor_is_zero(b[i]) && a[i].biased + b[i].biased > top)
            top = a[i].biased + b[i].biased;
    if (top == INT_MIN) return false; // no nonzero product

    // A, two's complement in four limbs; a negative term is added as its complement plus one.
    // No branch depends on the data: a zero product adds zero wherever it is placed, and a shift
    // of 226 bits or more (taken as 255) leaves nothing of a product below 2^226.
    u64 sum[4] = {0, 0, 0, 0};
    u64 shifted = 0; // t (zero products may count too: the bound only grows)
    for (std::size_t i = 0; i < n; ++i) {
        const ExactAccumulator::Factor& x = a[i];
        const ExactAccumulator::Factor& y = b[i];
        const limbs::Product product = limbs::multiply(x.low, x.high, y.low, y.high);
        int d = top - (x.biased + y.biased);
        d = d < 0 ? 0 : d > 255 ? 255 : d;
        shifted += u64(d > 0);
        u64 p[4];
        shift_right(product, d, p);
        const u64 flip = u64(0) - u64(x.negative != y.negative);
        unsigned char carry = static_cast<unsigned char>(flip & 1);
        unsigned long long s0, s1, s2, s3;
        carry = _addcarry_u64(carry, sum[0], p[0] ^ flip, &s0);
        carry = _addcarry_u64(carry, sum[1], p[1] ^ flip, &s1);
        carry = _addcarry_u64(carry, sum[2], p[2] ^ flip, &s2);
        _addcarry_u64(carry, sum[3], p[3] ^ flip, &s3);
        sum[0] = s0;
        sum[1] = s1;
        sum[2] = s2;
        sum[3] = s3;
    }

    // |A| and its sign.
    const bool negative = (sum[3] >> 63) != 0;
    if (negative) {
        unsigned char borrow = 0;
        unsigned long long m0, m1, m2, m3;
        borrow = _subborrow_u64(borrow, 0, sum[0], &m0);
        borrow = _subborrow_u64(borrow, 0, sum[1], &m1);
        borrow = _subborrow_u64(borrow, 0, sum[2], &m2);
        _subborrow_u64(borrow, 0, sum[3], &m3);
        sum[0] = m0;
        sum[1] = m1;
        sum[2] = m2;
        sum[3] = m3;
    }
    int h = -1;
    for (int i = 3; i >= 0 && h < 0; --i)
        if (sum[i] != 0) h = i * 64 + 63 - __builtin_clzll(sum[i]);
    const int g = h - WINDOW_FRACTION_BITS;
    if (g - 1 < GUARD_BITS) return false; // too few bits below the round bit (or A = 0)

    // t < L < 2^(g-1) - t, L the bits below the round bit g - 1.
    const u64 low32 = sum[0] & 0xffffffffu;
    if (bits_uniform(sum, 32, g - 1, false) && low32 <= shifted) return false;
    if (bits_uniform(sum, 32, g - 1, true) && low32 >= (u64(1) << 32) - shifted) return false;

    u128 kept = significand_at(sum, g);
    int exponent = h + top - PRODUCT_SCALE; // of the leading bit
    if (bit_at(sum, g - 1) != 0 && ++kept >> (WINDOW_FRACTION_BITS + 1) != 0) {
        kept >>= 1;
        ++exponent;
    }
    const int biased = exponent + WINDOW_EXPONENT_BIAS;
    if (biased < 1 || biased > 0x7ffe) return false;
    const u128 bits = (u128(negative) << 127) | (u128(biased) << WINDOW_FRACTION_BITS) |
                      (kept & ((u128(1) << WINDOW_FRACTION_BITS) - 1));
    std::memcpy(&rounded, &bits, sizeof rounded);
    return true;
}

} // namespace tarvex
