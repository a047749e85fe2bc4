// Binary128 division on the integer unit: a / b correctly rounded to nearest with ties to even,
// the same bits as the library's soft-float divide at about half its cost. Both significands
// are moved up to fill 128 bits; the quotient A * 2^128 / B is taken by long division in two
// 64-bit digits, each estimated by the processor's 128-by-64 divide from the divisor's upper limb
// and corrected against its lower limb (with a two-limb divisor that correction makes the digit
// exact), so the quotient's 128 or 129 bits and whether a remainder is left are both exact, and
// the one rounding uses them. Zeros, subnormals, infinities, NaNs and results outside the normal
// range are handed to the library. The floating-point exception flags are not raised on the
// integer path.
#pragma once

#include "numeric/limb_arithmetic.hpp"
#include "numeric/real.hpp"

namespace tarvex {

namespace fast_divide_detail {

using limbs::u128;
using limbs::u64;

// (high 2^64 + low) / d for high < d: the quotient digit and the remainder.
__attribute__((always_inline)) inline u64 divide_digit(u64 high, u64 low, u64 d, u64& remainder) {
#if defined(__x86_64__)
    u64 quotient;
    asm("divq %[d]" : "=a"(quotient), "=d"(remainder) : "a"(low), "d"(high), [d] "r"(d) : "cc");
    return quotient;
#else
    const u128 n = (u128(high) << 64) | low;
    remainder = u64(n % d);
    return u64(n / d);
#endif
}

// The next quotient digit of (u1 2^128 + u0 2^64) / (v1 2^64 + v0) for u below v, v1's top bit
// set; (u1, u0) becomes the remainder. The estimate from the upper limbs alone is never too small
// and, after the test against v0, exact: a divisor of two limbs leaves no third limb to make it
// too large.
__attribute__((always_inline)) inline u64 next_digit(u64& u1, u64& u0, u64 v1, u64 v0) {
    u64 q, r;             // the estimate and u1 2^64 + u0 - q v1, while that is below 2^64
    bool r_large = false; // the remainder over v1 is 2^64 or more: q v0 cannot exceed it
    if (__builtin_expect(u1 >= v1, 0)) { // u1 == v1: the digit is at most 2^64 - 1
        q = ~u64(0);
        r = u0 + v1;
        r_large = r < u0;
    } else {
        q = divide_digit(u1, u0, v1, r);
    }
    // q is one too large while q v0 > r 2^64, at most twice.
    u128 qv0 = u128(q) * v0;
    if (!r_large && qv0 > (u128(r) << 64)) {
        --q;
        qv0 -= v0;
        const u64 next = r + v1;
        if (next >= r && qv0 > (u128(next) << 64)) {
            --q;
            qv0 -= v0;
            r = next + v1;
        } else {
            r = next;
        }
    }
    // The remainder r 2^64 - q v0 is below the divisor: its lower 128 bits are it.
    const u128 remainder = (u128(r) << 64) - qv0;
    u1 = limbs::high64(remainder);
    u0 = limbs::low64(remainder);
    return q;
}

} // namespace fast_divide_detail

// a / b, bit for bit as the library computes it.
__attribute__((always_inline)) inline Real fast_divide(Real a, Real b) {
    using fast_divide_detail::u128;
    using fast_divide_detail::u64;
    const u128 x = limbs::bits_of(a), y = limbs::bits_of(b);
    const u64 xh = limbs::high64(x), xl = limbs::low64(x);
    const u64 yh = limbs::high64(y), yl = limbs::low64(y);
    const unsigned ex = unsigned(xh >> 48) & limbs::EXPONENT_FIELD;
    const unsigned ey = unsigned(yh >> 48) & limbs::EXPONENT_FIELD;
    if (!limbs::is_normal(ex) || !limbs::is_normal(ey)) return a / b;
    // The significands moved up 15 bits, leading bits at 127.
    constexpr u64 TOP = u64(1) << 63;
    u64 u1 = (xh << 15) | (xl >> 49) | TOP, u0 = xl << 15;
    const u64 v1 = (yh << 15) | (yl >> 49) | TOP, v0 = yl << 15;
    // The quotient u 2^128 / v lies in (2^127, 2^129): its top bit first.
    const u128 u = (u128(u1) << 64) | u0, v = (u128(v1) << 64) | v0;
    const bool top = u >= v;
    const u128 below = top ? u - v : u;
    u1 = limbs::high64(below);
    u0 = limbs::low64(below);
    const u64 q1 = fast_divide_detail::next_digit(u1, u0, v1, v0);
    const u64 q0 = fast_divide_detail::next_digit(u1, u0, v1, v0);
    // Keep 113 bits: bits 128..16 of the quotient when its top bit is set, else 127..15; the
    // bits below and the remainder decide the rounding.
    const int shift = 15 + int(top);
    u64 m_low = (q1 << (64 - shift)) | (q0 >> shift);
    u64 m_high = (q1 >> shift) | (u64(top) << 48);
    const u64 round = (q0 >> (shift - 1)) & 1;
    const bool sticky = (q0 << (65 - shift)) != 0 || (u1 | u0) != 0;
    limbs::add_to_pair(m_low, m_high, round & (u64(sticky) | m_low));
    const int e = int(ex) - int(ey) + limbs::EXPONENT_BIAS - 1 + int(top);
    if (e <= 0 || e >= int(limbs::EXPONENT_FIELD) - 1) return a / b;
    // A carry out of the 113 bits leaves 2^113, whose fraction is zero: adding the significand
    // less its leading bit to the exponent field moves the exponent up by that carry.
    const u64 high = ((xh ^ yh) & TOP) | ((u64(e) << 48) + (m_high - (u64(1) << 48)));
    return limbs::from_bits((u128(high) << 64) | m_low);
}

} // namespace tarvex
