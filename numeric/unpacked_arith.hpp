// Binary128 sums and products whose operands and results stay taken apart (limbs::Unpacked), for
// recursions that feed each step's result into the next: the value is packed only where it is
// stored, and a product enters a sum without being packed and taken apart again. The bits are
// the library's (the rounding of numeric/fast_arith's fast_add and fast_multiply); the
// operands and results the integer path does not take go to the library.
#pragma once

#include "numeric/fast_arith.hpp"
#include "numeric/unpacked_real.hpp"

#include <cstddef>

namespace tarvex {

using limbs::Unpacked;

// Any value taken apart, and back.
__attribute__((always_inline)) inline Unpacked unpack_real(Real a) {
    const limbs::u128 bits = limbs::bits_of(a);
    Unpacked u;
    limbs::unpack(limbs::low64(bits), limbs::high64(bits), u);
    return u;
}
__attribute__((always_inline)) inline Real pack_real(const Unpacked& a) {
    return limbs::from_bits(limbs::pack(a));
}

__attribute__((always_inline)) inline bool unpacked_normal(const Unpacked& a) {
    return limbs::is_normal(unsigned(a.exponent + limbs::EXPONENT_BIAS));
}
// a == 0, of either sign.
__attribute__((always_inline)) inline bool unpacked_zero(const Unpacked& a) {
    return a.exponent == -limbs::EXPONENT_BIAS && ((a.high << 16) | a.low) == 0;
}
__attribute__((always_inline)) inline Unpacked unpacked_negate(Unpacked a) {
    a.negative = !a.negative;
    return a;
}

namespace unpacked_detail {

// The library's a + b and a * b, for the operands and results the integer path leaves.
__attribute__((noinline, cold)) inline Unpacked library_sum(Unpacked a, Unpacked b) {
    return unpack_real(pack_real(a) + pack_real(b));
}
__attribute__((noinline, cold)) inline Unpacked library_product(Unpacked a, Unpacked b) {
    return unpack_real(pack_real(a) * pack_real(b));
}

} // namespace unpacked_detail

// a * b, bit for bit as the library computes it.
__attribute__((always_inline)) inline Unpacked unpacked_multiply(const Unpacked& a,
                                                                 const Unpacked& b) {
    if (__builtin_expect(!unpacked_normal(a) || !unpacked_normal(b), 0))
        return unpacked_detail::library_product(a, b);
    Unpacked out;
    const unsigned carry = fast_arith_detail::round_significand_product(a.low, a.high, b.low,
                                                                        b.high, out.low, out.high);
    // The exponent before rounding, from 1 to below the largest field (whose round-up would
    // overflow), else the library's; a round-up to 2^113 is 2^112 one binade up (its low half is
    // then zero).
    const int biased = a.exponent + b.exponent + int(carry) + limbs::EXPONENT_BIAS;
    if (__builtin_expect(unsigned(biased - 1) >= limbs::EXPONENT_FIELD - 2, 0))
        return unpacked_detail::library_product(a, b);
    const unsigned over = unsigned(out.high >> 49);
    out.high >>= over;
    out.exponent = biased - limbs::EXPONENT_BIAS + int(over);
    out.negative = a.negative != b.negative;
    return out;
}

// a + b, bit for bit as the library computes it, except that a zero added to a nonzero value
// leaves that value as it is (the library's bits too, but for a NaN's payload).
__attribute__((always_inline)) inline Unpacked unpacked_sum(const Unpacked& a, const Unpacked& b) {
    if (__builtin_expect(unpacked_normal(a) && unpacked_normal(b), 1)) {
        // x the larger in magnitude, y the other, chosen field by field (no operand's address).
        const bool swap = a.exponent < b.exponent ||
                          (a.exponent == b.exponent && ((limbs::u128(a.high) << 64) | a.low) <
                                                           ((limbs::u128(b.high) << 64) | b.low));
        const std::uint64_t x_high = swap ? b.high : a.high, x_low = swap ? b.low : a.low;
        const std::uint64_t y_high = swap ? a.high : b.high, y_low = swap ? a.low : b.low;
        const int x_exponent = swap ? b.exponent : a.exponent;
        const int y_exponent = swap ? a.exponent : b.exponent;
        const bool x_negative = swap ? b.negative : a.negative;
        Unpacked out;
        int e = x_exponent;
        limbs::u128 m;
        if (__builtin_expect(fast_arith_detail::round_significand_sum(
                                 (limbs::u128(x_high) << 64) | x_low,
                                 (limbs::u128(y_high) << 64) | y_low,
                                 unsigned(x_exponent - y_exponent), a.negative != b.negative, e, m),
                             1)) {
            out.high = limbs::high64(m);
            out.low = limbs::low64(m);
            out.exponent = e;
            out.negative = x_negative;
            if (__builtin_expect(unpacked_normal(out), 1)) return out;
        }
        return unpacked_detail::library_sum(a, b);
    }
    const bool a_zero = unpacked_zero(a), b_zero = unpacked_zero(b);
    if (b_zero && !a_zero) return a;
    if (a_zero && !b_zero) return b;
    return unpacked_detail::library_sum(a, b);
}

// r - c[0] x(0) - c[1] x(1) - ... - c[k-1] x(k-1), each product and then each difference rounded
// as the library rounds them, in that order: the bits of the loop
// r = fast_subtract(r, fast_multiply(c[j], x(j))), with the running value and the coefficients
// (taken apart once by the caller) never packed between steps.
template <class Column>
__attribute__((always_inline)) inline Unpacked subtract_products(Unpacked r, const Unpacked* c,
                                                                 std::size_t k, Column x) {
    for (std::size_t j = 0; j < k; ++j)
        r = unpacked_sum(r, unpacked_negate(unpacked_multiply(c[j], unpack_real(x(j)))));
    return r;
}

} // namespace tarvex
