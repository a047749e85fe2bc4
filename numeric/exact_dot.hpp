// The exact dot product of binary128 vectors: every product is formed exactly (226 bits) and
// added into a fixed-point accumulator that spans the whole range of such products, and the sum
// is rounded once, to nearest with ties to even. The result is the correctly rounded value of
// the exact sum, however much the terms cancel, and is independent of their order.
#pragma once

#include "numeric/real.hpp"

#include <cstddef>
#include <cstdint>
#include <immintrin.h>

namespace tarvex {

class ExactAccumulator {
public:
    ExactAccumulator();
    void clear();
    // Adds a*b exactly. NaN or infinite terms make the result follow IEEE rules instead.
    // Inline: it is the inner step of every exact sum.
    inline void add_product(Real a, Real b);
    void add(Real a) { add_product(a, 1); }
    // The correctly rounded sum so far (+inf or -inf when it exceeds the binary128 range).
    Real result() const;

    // Bits of the accumulator: products reach from 2^-32988 to below 2^32770; 64 bits spare
    // keep the two's complement sum of up to 2^60 terms from overflowing.
    static constexpr int OFFSET = 32988;
    static constexpr int LIMBS = (OFFSET + 32770 + 64) / 64 + 1;

private:
    inline void add_shifted(int position, const std::uint64_t (&value)[4], bool negative);
    // Positive and negative products go to separate unsigned sums (the sign picks the array,
    // no unpredictable branch); the result is their difference.
    std::uint64_t positive_[LIMBS];
    std::uint64_t negative_[LIMBS];
    int low_ = LIMBS; // lowest limb written since clear()
    bool special_ = false;
    Real special_sum_ = 0; // IEEE sum of the terms once a NaN or infinity appeared
};


// ---- the inner step, inline ----

namespace exact_detail {

using u64 = std::uint64_t;
using u128 = unsigned __int128;

constexpr int SIGNIFICAND_BITS = 112; // stored fraction bits
constexpr int EXPONENT_BIAS = 16383;
constexpr int MIN_EXPONENT = -16382;

struct Decoded {
    bool negative;
    int exponent; // of the least significant bit of the significand
    unsigned __int128 significand;
};

inline Decoded decode(Real value)
{
    unsigned __int128 bits;
    __builtin_memcpy(&bits, &value, sizeof bits);
    Decoded d;
    d.negative = (bits >> 127) != 0;
    const int biased = static_cast<int>((bits >> SIGNIFICAND_BITS) & 0x7fff);
    d.significand = bits & ((static_cast<unsigned __int128>(1) << SIGNIFICAND_BITS) - 1);
    if (biased == 0) {
        d.exponent = MIN_EXPONENT - SIGNIFICAND_BITS;
    } else {
        d.significand |= static_cast<unsigned __int128>(1) << SIGNIFICAND_BITS;
        d.exponent = biased - EXPONENT_BIAS - SIGNIFICAND_BITS;
    }
    return d;
}

} // namespace exact_detail

__attribute__((always_inline)) inline void ExactAccumulator::add_shifted(int position, const exact_detail::u64 (&value)[4], bool negative)
{
    // position is never negative: the smallest product, of two smallest subnormals, sits at 0.
    const int index = position >> 6;
    const int shift = position & 63;
    // (v >> 1) >> (63 - shift) is v >> (64 - shift), and 0 for a shift of 0, without a branch.
    const int back = 63 - shift;
    exact_detail::u64 part[5];
    part[0] = value[0] << shift;
    part[1] = (value[1] << shift) | ((value[0] >> 1) >> back);
    part[2] = (value[2] << shift) | ((value[1] >> 1) >> back);
    part[3] = (value[3] << shift) | ((value[2] >> 1) >> back);
    part[4] = (value[3] >> 1) >> back;
    if (index < low_)
        low_ = index;
    exact_detail::u64* const sum = negative ? negative_ : positive_;
    exact_detail::u64* limb = sum + index;
    unsigned char carry = _addcarry_u64(0, limb[0], part[0], reinterpret_cast<unsigned long long*>(limb));
    carry = _addcarry_u64(carry, limb[1], part[1], reinterpret_cast<unsigned long long*>(limb + 1));
    carry = _addcarry_u64(carry, limb[2], part[2], reinterpret_cast<unsigned long long*>(limb + 2));
    carry = _addcarry_u64(carry, limb[3], part[3], reinterpret_cast<unsigned long long*>(limb + 3));
    carry = _addcarry_u64(carry, limb[4], part[4], reinterpret_cast<unsigned long long*>(limb + 4));
    for (int i = index + 5; carry != 0 && i < LIMBS; ++i)
        carry = ++sum[i] == 0;
}

__attribute__((always_inline)) inline void ExactAccumulator::add_product(Real a, Real b)
{
    exact_detail::u128 abits, bbits;
    __builtin_memcpy(&abits, &a, sizeof abits);
    __builtin_memcpy(&bbits, &b, sizeof bbits);
    const unsigned aexp = static_cast<unsigned>(abits >> exact_detail::SIGNIFICAND_BITS) & 0x7fff;
    const unsigned bexp = static_cast<unsigned>(bbits >> exact_detail::SIGNIFICAND_BITS) & 0x7fff;
    // An all-ones exponent field is an infinity or a NaN.
    if (__builtin_expect(special_ || aexp == 0x7fff || bexp == 0x7fff, 0)) {
        if (!special_) {
            special_ = true;
            special_sum_ = 0;
        }
        special_sum_ += a * b;
        return;
    }
    const exact_detail::Decoded x = exact_detail::decode(a);
    const exact_detail::Decoded y = exact_detail::decode(b);
    if (x.significand == 0 || y.significand == 0)
        return;
    // 113 x 113 bits in 64-bit halves: (xh 2^64 + xl)(yh 2^64 + yl).
    const exact_detail::u64 xl = static_cast<exact_detail::u64>(x.significand);
    const exact_detail::u64 xh = static_cast<exact_detail::u64>(x.significand >> 64);
    const exact_detail::u64 yl = static_cast<exact_detail::u64>(y.significand);
    const exact_detail::u64 yh = static_cast<exact_detail::u64>(y.significand >> 64);
    const exact_detail::u128 ll = exact_detail::u128(xl) * yl;
    const exact_detail::u128 lh = exact_detail::u128(xl) * yh;
    const exact_detail::u128 hl = exact_detail::u128(xh) * yl;
    const exact_detail::u128 hh = exact_detail::u128(xh) * yh; // below 2^98
    // middle = lh + hl < 2^115, no overflow of 128 bits.
    const exact_detail::u128 middle = lh + hl;
    exact_detail::u64 product[4];
    product[0] = static_cast<exact_detail::u64>(ll);
    const exact_detail::u128 second = (ll >> 64) + static_cast<exact_detail::u64>(middle);
    product[1] = static_cast<exact_detail::u64>(second);
    const exact_detail::u128 third = (second >> 64) + (middle >> 64) + static_cast<exact_detail::u64>(hh);
    product[2] = static_cast<exact_detail::u64>(third);
    product[3] = static_cast<exact_detail::u64>((third >> 64) + (hh >> 64));
    add_shifted(x.exponent + y.exponent + OFFSET, product, x.negative != y.negative);
}

// sum a[i]*b[i], correctly rounded.
Real exact_dot(const Real* a, const Real* b, std::size_t n);
// sum a[i]^2, correctly rounded (no overflow or underflow in between).
Real exact_sum_of_squares(const Real* a, std::size_t n);

} // namespace tarvex
