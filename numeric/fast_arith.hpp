// Binary128 addition and multiplication on the integer unit, for the inner loops of the
// derivative generator and the sums of the estimators: the same bits as the library's
// soft-float, correctly rounded to nearest with ties to even, at about half its cost. Normal
// operands with a normal result take the integer path; zeros, subnormals, infinities, NaNs,
// exact cancellation, overflow and underflow are handed to the library. The floating-point
// exception flags are not raised on the integer path.
#pragma once

#include "numeric/limb_arithmetic.hpp"
#include "numeric/real.hpp"

namespace tarvex {

namespace fast_arith_detail {

using limbs::u128;
constexpr limbs::u128 SIGN_BIT = limbs::u128(1) << 127;

__attribute__((always_inline)) inline int leading_zeros(limbs::u128 v) {
    const std::uint64_t high = limbs::high64(v);
    return high != 0 ? __builtin_clzll(high) : 64 + __builtin_clzll(limbs::low64(v));
}

} // namespace fast_arith_detail

// An operand of several products taken apart once (a constant coefficient of a recursion, or a
// value that multiplies several coefficients): its significand with the implicit bit, its biased
// exponent field and sign, and whether the integer path takes it (a normal number).
struct DecodedFactor {
    std::uint64_t low = 0, high = 0; // the 113-bit significand
    std::uint64_t sign = 0;          // the sign, in bit 63
    unsigned field = 0;              // the biased exponent
    bool normal = false;
    Real value = 0;
};

__attribute__((always_inline)) inline DecodedFactor decode_multiplier(Real a) {
    const limbs::u128 x = limbs::bits_of(a);
    DecodedFactor d;
    d.field = limbs::exponent_field(x);
    d.normal = limbs::is_normal(d.field);
    const limbs::u128 m = (x & limbs::FRACTION_MASK) | limbs::HIDDEN_BIT;
    d.low = limbs::low64(m);
    d.high = limbs::high64(m);
    d.sign = limbs::high64(x) & (std::uint64_t(1) << 63);
    d.value = a;
    return d;
}

namespace fast_arith_detail {

// The product of two 113-bit significands (implicit bits included) rounded to 113 bits, to
// nearest with ties to even, in m_low and m_high; returns 1 when the exact product is 2^225 or
// more (its exponent one up), else 0. Rounding up can carry out of the 113 bits only to 2^113,
// whose fraction is zero.
__attribute__((always_inline)) inline unsigned
round_significand_product(std::uint64_t a_low, std::uint64_t a_high, std::uint64_t b_low,
                          std::uint64_t b_high, std::uint64_t& m_low, std::uint64_t& m_high) {
    const limbs::Product p = limbs::multiply(a_low, a_high, b_low, b_high);
    // The product lies in [2^224, 2^226): its top 113 bits are the significand, bits
    // 112 + carry and up. On 64-bit limbs: shifted right by s = 48 + carry across p3 p2 p1, the
    // round bit bit s - 1 of p1, the rest of p1 and p0 sticky.
    const unsigned carry = unsigned(p.p3 >> 33) & 1;
    const unsigned s = 48 + carry;
    m_low = (p.p1 >> s) | (p.p2 << (64 - s));
    m_high = (p.p2 >> s) | (p.p3 << (64 - s));
    const std::uint64_t round = (p.p1 >> (s - 1)) & 1;
    const bool sticky = ((p.p1 << (65 - s)) | p.p0) != 0;
    limbs::add_to_pair(m_low, m_high, round & (std::uint64_t(sticky) | m_low));
    return carry;
}

} // namespace fast_arith_detail

// a * b for operands taken apart, bit for bit as the library computes the product of their
// values.
__attribute__((always_inline)) inline Real fast_multiply(const DecodedFactor& a,
                                                         const DecodedFactor& b) {
    if (!a.normal || !b.normal) return a.value * b.value;
    std::uint64_t m_low, m_high;
    const unsigned carry =
        fast_arith_detail::round_significand_product(a.low, a.high, b.low, b.high, m_low, m_high);
    // A round-up to 2^113: adding the significand less its leading bit to the exponent field
    // moves the exponent up by it.
    const int e = int(a.field) + int(b.field) - limbs::EXPONENT_BIAS + int(carry);
    if (e <= 0 || e >= int(limbs::EXPONENT_FIELD) - 1) return a.value * b.value;
    const std::uint64_t high =
        (a.sign ^ b.sign) | ((std::uint64_t(e) << 48) + (m_high - (std::uint64_t(1) << 48)));
    return limbs::from_bits((limbs::u128(high) << 64) | m_low);
}

// a * b, bit for bit as the library computes it.
__attribute__((always_inline)) inline Real fast_multiply(Real a, Real b) {
    return fast_multiply(decode_multiplier(a), decode_multiplier(b));
}

namespace fast_arith_detail {

// mx + my, or mx - my when `subtract`, for 113-bit significands (implicit bits included) with my's
// leading bit d places below mx's and |my| <= |mx|, rounded to 113 bits, to nearest with ties to
// even, in m; e, the exponent of mx's leading bit (on any bias), moves with the result's.
// False on exact cancellation (m and e unset).
__attribute__((always_inline)) inline bool round_significand_sum(limbs::u128 mx, limbs::u128 my,
                                                                 unsigned d, bool subtract, int& e,
                                                                 limbs::u128& m) {
    // Three more bits below (guard, round, sticky).
    mx <<= 3;
    my <<= 3;
    if (d >= 116) {
        my = 1; // below every bit kept: sticky only
    } else if (d > 0) {
        const bool sticky = (my << (128 - d)) != 0; // the bits shifted out
        my = (my >> d) | limbs::u128(sticky);
    }
    if (!subtract) {
        m = mx + my;
        if (m >> 116 != 0) {
            m = (m >> 1) | (m & 1);
            ++e;
        }
    } else {
        m = mx - my;
        if (m == 0) return false;
        const int up = leading_zeros(m) - 12; // bring the top to bit 115
        m <<= up;
        e -= up;
    }
    const unsigned below = unsigned(m & 7);
    m >>= 3;
    if (below > 4 || (below == 4 && (m & 1) != 0)) {
        if (++m >> 113 != 0) {
            m >>= 1;
            ++e;
        }
    }
    return true;
}

} // namespace fast_arith_detail

// a + b, bit for bit as the library computes it.
__attribute__((always_inline)) inline Real fast_add(Real a, Real b) {
    using fast_arith_detail::SIGN_BIT;
    limbs::u128 x = limbs::bits_of(a), y = limbs::bits_of(b);
    unsigned ex = limbs::exponent_field(x), ey = limbs::exponent_field(y);
    if (!limbs::is_normal(ex) || !limbs::is_normal(ey)) return a + b;
    if ((x & ~SIGN_BIT) < (y & ~SIGN_BIT)) { // x the larger in magnitude
        const limbs::u128 t = x;
        x = y;
        y = t;
        const unsigned s = ex;
        ex = ey;
        ey = s;
    }
    const bool subtract = ((x ^ y) & SIGN_BIT) != 0;
    int e = int(ex);
    limbs::u128 m;
    if (!fast_arith_detail::round_significand_sum((x & limbs::FRACTION_MASK) | limbs::HIDDEN_BIT,
                                                  (y & limbs::FRACTION_MASK) | limbs::HIDDEN_BIT,
                                                  ex - ey, subtract, e, m))
        return a + b; // exact cancellation: the library gives the zero's sign
    if (e <= 0 || e >= int(limbs::EXPONENT_FIELD)) return a + b;
    return limbs::from_bits((x & SIGN_BIT) | (limbs::u128(e) << limbs::FRACTION_BITS) |
                            (m & limbs::FRACTION_MASK));
}

// a - b, bit for bit as the library computes it.
__attribute__((always_inline)) inline Real fast_subtract(Real a, Real b) {
    return fast_add(a, -b);
}

// a == 0 (of either sign), without the library's comparison call.
__attribute__((always_inline)) inline bool fast_is_zero(Real a) {
    return (limbs::bits_of(a) << 1) == 0;
}

// a < b as IEEE orders them (false when either is a NaN; -0 is not below +0), without the
// library's comparison call.
__attribute__((always_inline)) inline bool fast_less(Real a, Real b) {
    using fast_arith_detail::SIGN_BIT;
    const limbs::u128 x = limbs::bits_of(a), y = limbs::bits_of(b);
    const limbs::u128 mx = x & ~SIGN_BIT, my = y & ~SIGN_BIT;
    constexpr limbs::u128 INFINITE = limbs::u128(limbs::EXPONENT_FIELD) << limbs::FRACTION_BITS;
    if (mx > INFINITE || my > INFINITE || (mx == 0 && my == 0)) return false;
    const bool negative_a = (x & SIGN_BIT) != 0, negative_b = (y & SIGN_BIT) != 0;
    if (negative_a != negative_b) return negative_a;
    return negative_a ? mx > my : mx < my;
}

} // namespace tarvex
