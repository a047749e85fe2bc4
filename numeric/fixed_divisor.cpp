// Division by a fixed divisor on the integer significands. With a = A 2^(ea - 112) and
// d = D 2^(ed - 112), A and D of 113 bits, the quotient's significand comes from
// Q = floor(A 2^114 / D), which has 114 or 115 bits: enough for the 113 kept bits and the round
// bit, the rest of the quotient and the remainder A 2^114 - Q D making the sticky bit.
//
// R = floor(2^239 / D) is found once, by long division. Then Q' = floor(A R / 2^125) is Q or
// Q - 1, since A 2^239 / D - A R is below A < 2^113, a 2^-12 part of a unit once divided by
// 2^125. The remainder, below 2D < 2^114, is exact in 128-bit arithmetic taken modulo 2^128,
// and one comparison with D settles Q. Divisors and dividends that are zero, subnormal,
// infinite or NaN, and quotients outside the normal range, go to the soft-float division.
#include "numeric/fixed_divisor.hpp"

#include "numeric/limb_arithmetic.hpp"

namespace tarvex {
namespace {

using namespace limbs; // the integer types and the bit and limb helpers

} // namespace

FixedDivisor::FixedDivisor(Real divisor) : divisor_(divisor) {
    const u128 bits = bits_of(divisor);
    const unsigned field = exponent_field(bits);
    if (!is_normal(field)) return;
    usable_ = true;
    negative_ = (bits >> 127) != 0;
    exponent_ = static_cast<int>(field) - EXPONENT_BIAS;
    significand_ = (bits & FRACTION_MASK) | HIDDEN_BIT;
    // floor(2^239 / D) bit by bit; the running remainder stays below D < 2^113.
    u128 remainder = 0, quotient = 0;
    for (int bit = 239; bit >= 0; --bit) {
        remainder = (remainder << 1) | u128(bit == 239);
        quotient <<= 1;
        if (remainder >= significand_) {
            remainder -= significand_;
            quotient |= 1;
        }
    }
    reciprocal_ = quotient;
}

inline __attribute__((always_inline)) u128 FixedDivisor::quotient_bits(u128 bits) const {
    const unsigned field = exponent_field(bits);
    if (__builtin_expect(!usable_ || !is_normal(field), 0))
        return bits_of(from_bits(bits) / divisor_);
    const u128 significand = (bits & FRACTION_MASK) | HIDDEN_BIT;
    const Product p =
        multiply(low64(significand), high64(significand), low64(reciprocal_), high64(reciprocal_));
    // (A R) >> 125: bits 125 and up of the 240-bit product.
    u128 quotient = (u128((p.p2 >> 61) | (p.p3 << 3)) << 64) | ((p.p1 >> 61) | (p.p2 << 3));
    u128 remainder = (significand << 114) - quotient * significand_; // modulo 2^128, below 2D
    if (remainder >= significand_) {
        ++quotient;
        remainder -= significand_;
    }
    // 115 bits when A >= D, else 114: the kept bits, the round bit and what lies below.
    const bool long_quotient = (quotient >> 114) != 0;
    const int drop = long_quotient ? 2 : 1;
    u128 kept = quotient >> drop;
    const bool round = ((quotient >> (drop - 1)) & 1) != 0;
    const bool sticky = (long_quotient && (quotient & 1) != 0) || remainder != 0;
    int exponent = static_cast<int>(field) - EXPONENT_BIAS - exponent_ - (long_quotient ? 0 : 1);
    kept += u128(round && (sticky || (kept & 1) != 0));
    const int carried = static_cast<int>(kept >> (FRACTION_BITS + 1)); // rounded up to 2^113
    kept >>= carried;
    exponent += carried;
    const int biased = exponent + EXPONENT_BIAS;
    if (__builtin_expect(biased <= 0 || biased >= static_cast<int>(EXPONENT_FIELD), 0))
        return bits_of(from_bits(bits) / divisor_);
    const bool negative = ((bits >> 127) != 0) != negative_;
    return (u128(negative) << 127) | (u128(biased) << FRACTION_BITS) | (kept & FRACTION_MASK);
}

Real FixedDivisor::divide(Real a) const {
    return from_bits(quotient_bits(bits_of(a)));
}

void FixedDivisor::divide_in_place(Real* values, std::size_t n) const {
    for (std::size_t i = 0; i < n; ++i) {
        u64 halves[2];
        std::memcpy(halves, values + i, sizeof halves);
        const u128 result = quotient_bits((u128(halves[1]) << 64) | halves[0]);
        halves[0] = low64(result);
        halves[1] = high64(result);
        std::memcpy(values + i, halves, sizeof halves);
    }
}

} // namespace tarvex
