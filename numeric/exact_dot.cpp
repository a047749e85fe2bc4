// Exact dot products. A finite binary128 value is m * 2^(e-112) with an integer significand m
// below 2^113 (implicit bit included; subnormals have e = -16382 and no implicit bit). A product
// is then (ma*mb) * 2^(ea+eb-224), an integer below 2^226 added at bit ea+eb-224+OFFSET of the
// fixed-point sum of its sign: positive and negative products are kept as two magnitudes, which
// only ever grow, so a carry stops within a limb or two and only the limbs a product touches
// are written. Rounding takes their difference, reads its top 113 bits (fewer in the subnormal
// range), the next bit and whether anything below it is set.
#include "numeric/exact_dot.hpp"

#include <algorithm>
#include <cstring>
#include <x86intrin.h>

namespace tarvex {
namespace {

using u64 = std::uint64_t;
using u128 = unsigned __int128;

constexpr int SIGNIFICAND_BITS = 112; // stored fraction bits
constexpr int EXPONENT_BIAS = 16383;
constexpr int SPECIAL_EXPONENT = 0x7fff; // infinities and NaNs
constexpr u128 FRACTION_MASK = (u128(1) << SIGNIFICAND_BITS) - 1;
// The weight of the smallest subnormal, 2^-16494, as an accumulator bit position.
constexpr int SUBNORMAL_POSITION = -16494 + ExactAccumulator::OFFSET;
// Accumulator position of the product of two least significant significand bits, less the
// two biased exponents (a subnormal counts as biased exponent 1).
constexpr int PRODUCT_POSITION = ExactAccumulator::OFFSET - 2 * (EXPONENT_BIAS + SIGNIFICAND_BITS);

Real encode(bool negative, int biased, u128 fraction)
{
    const u128 bits = (u128(negative) << 127) | (u128(biased) << SIGNIFICAND_BITS) | fraction;
    Real value;
    std::memcpy(&value, &bits, sizeof value);
    return value;
}

// Adds the 256-bit value shifted left by `position` bits into limbs; returns the highest limb
// written.
inline __attribute__((always_inline)) int add_shifted(u64* limbs, int position,
                                                      const u64 (&value)[4])
{
    const int index = position >> 6;
    const int shift = position & 63;
    // (x >> 1) >> (63 - shift) is x >> (64 - shift), and 0 when shift is 0.
    const u64 part[5] = {
        value[0] << shift,
        (value[1] << shift) | ((value[0] >> 1) >> (63 - shift)),
        (value[2] << shift) | ((value[1] >> 1) >> (63 - shift)),
        (value[3] << shift) | ((value[2] >> 1) >> (63 - shift)),
        (value[3] >> 1) >> (63 - shift),
    };
    u64* at = limbs + index;
    unsigned char carry = _addcarry_u64(0, at[0], part[0], reinterpret_cast<unsigned long long*>(at));
    carry = _addcarry_u64(carry, at[1], part[1], reinterpret_cast<unsigned long long*>(at + 1));
    carry = _addcarry_u64(carry, at[2], part[2], reinterpret_cast<unsigned long long*>(at + 2));
    carry = _addcarry_u64(carry, at[3], part[3], reinterpret_cast<unsigned long long*>(at + 3));
    carry = _addcarry_u64(carry, at[4], part[4], reinterpret_cast<unsigned long long*>(at + 4));
    int top = index + 4;
    if (carry != 0) {
        ++top;
        while (++limbs[top] == 0)
            ++top;
    }
    return top;
}

} // namespace

ExactAccumulator::ExactAccumulator()
{
    std::memset(positive_, 0, sizeof positive_);
    std::memset(negative_, 0, sizeof negative_);
}

void ExactAccumulator::clear()
{
    if (high_ >= low_) {
        const std::size_t bytes = static_cast<std::size_t>(high_ - low_ + 1) * sizeof(u64);
        std::memset(positive_ + low_, 0, bytes);
        std::memset(negative_ + low_, 0, bytes);
    }
    low_ = LIMBS;
    high_ = -1;
    special_ = false;
    special_sum_ = 0;
}

inline __attribute__((always_inline)) void ExactAccumulator::accumulate(const Real* a, const Real* b)
{
    // Each value as its two 64-bit halves, read straight from memory.
    u64 x[2], y[2];
    std::memcpy(x, a, sizeof x);
    std::memcpy(y, b, sizeof y);
    constexpr int HIGH_FRACTION_BITS = SIGNIFICAND_BITS - 64;
    const int x_biased = static_cast<int>(x[1] >> HIGH_FRACTION_BITS) & SPECIAL_EXPONENT;
    const int y_biased = static_cast<int>(y[1] >> HIGH_FRACTION_BITS) & SPECIAL_EXPONENT;
    if (__builtin_expect(special_ || x_biased == SPECIAL_EXPONENT || y_biased == SPECIAL_EXPONENT, 0)) {
        if (!special_) {
            special_ = true;
            special_sum_ = 0;
        }
        special_sum_ += *a * *b;
        return;
    }
    constexpr u64 HIGH_FRACTION_MASK = (u64(1) << HIGH_FRACTION_BITS) - 1;
    const u64 xl = x[0];
    const u64 xh = (x[1] & HIGH_FRACTION_MASK) | (u64(x_biased != 0) << HIGH_FRACTION_BITS);
    const u64 yl = y[0];
    const u64 yh = (y[1] & HIGH_FRACTION_MASK) | (u64(y_biased != 0) << HIGH_FRACTION_BITS);
    if ((xl | xh) == 0 || (yl | yh) == 0)
        return;
    // 113 x 113 bits in 64-bit halves: (xh 2^64 + xl)(yh 2^64 + yl).
    const u128 ll = u128(xl) * yl;
    const u128 middle = u128(xl) * yh + u128(xh) * yl; // below 2^115, no overflow
    const u128 hh = u128(xh) * yh;                     // below 2^98
    u64 product[4];
    product[0] = static_cast<u64>(ll);
    const u128 second = (ll >> 64) + static_cast<u64>(middle);
    product[1] = static_cast<u64>(second);
    const u128 third = (second >> 64) + (middle >> 64) + static_cast<u64>(hh);
    product[2] = static_cast<u64>(third);
    product[3] = static_cast<u64>((third >> 64) + (hh >> 64));
    const int position = std::max(x_biased, 1) + std::max(y_biased, 1) + PRODUCT_POSITION;
    const bool negative = ((x[1] ^ y[1]) >> 63) != 0;
    const int top = add_shifted(negative ? negative_ : positive_, position, product);
    low_ = std::min(low_, position >> 6);
    high_ = std::max(high_, top);
}

void ExactAccumulator::add_product(Real a, Real b) { accumulate(&a, &b); }

Real ExactAccumulator::result() const
{
    if (special_)
        return special_sum_;
    if (high_ < low_)
        return 0;
    const int low = low_;
    const int high = high_;
    // Magnitude and sign of positive - negative over the limbs in use.
    u64 magnitude[LIMBS];
    u64 borrow = 0;
    for (int i = low; i <= high; ++i) {
        const u128 difference = u128(positive_[i]) - negative_[i] - borrow;
        magnitude[i] = static_cast<u64>(difference);
        borrow = static_cast<u64>(difference >> 64) & 1;
    }
    const bool negative = borrow != 0;
    if (negative) {
        u64 carry = 1;
        for (int i = low; i <= high; ++i) {
            const u128 sum = u128(~magnitude[i]) + carry;
            magnitude[i] = static_cast<u64>(sum);
            carry = static_cast<u64>(sum >> 64);
        }
    }
    int top = high;
    while (top >= low && magnitude[top] == 0)
        --top;
    if (top < low)
        return 0;
    const auto limb = [&](int i) -> u64 { return i >= low && i <= top ? magnitude[i] : 0; };
    const auto bit = [&](int position) -> u64 { return (limb(position >> 6) >> (position & 63)) & 1; };
    const int highest = top * 64 + 63 - __builtin_clzll(magnitude[top]);
    // Keep bits lowest..highest: 113 of them, or fewer in the subnormal range.
    int lowest = std::max(highest - SIGNIFICAND_BITS, SUBNORMAL_POSITION);
    u128 kept = 0;
    if (highest >= lowest) {
        const int index = lowest >> 6;
        const int shift = lowest & 63;
        const u64 low_word = (limb(index) >> shift) | ((limb(index + 1) << 1) << (63 - shift));
        const u64 high_word = (limb(index + 1) >> shift) | ((limb(index + 2) << 1) << (63 - shift));
        const int width = highest - lowest + 1;
        kept = ((u128(high_word) << 64) | low_word) & ((u128(1) << width) - 1);
    }
    const u64 round = bit(lowest - 1);
    // Anything set strictly below the round bit.
    const int below = lowest - 1;
    const int below_limb = below >> 6;
    bool sticky = (limb(below_limb) & ((u64(1) << (below & 63)) - 1)) != 0;
    for (int i = std::min(below_limb - 1, top); !sticky && i >= low; --i)
        sticky = magnitude[i] != 0;
    if (round && (sticky || (kept & 1)))
        ++kept;
    if (kept >> (SIGNIFICAND_BITS + 1)) { // rounding carried into a 114th bit
        kept >>= 1;
        ++lowest;
    }
    if (kept >> SIGNIFICAND_BITS) {
        const int exponent = lowest - OFFSET + SIGNIFICAND_BITS; // of the leading bit
        const int biased = exponent + EXPONENT_BIAS;
        if (biased >= SPECIAL_EXPONENT)
            return negative ? -__builtin_infq() : __builtin_infq();
        return encode(negative, biased, kept & FRACTION_MASK);
    }
    return encode(negative, 0, kept); // subnormal
}

Real ExactAccumulator::dot(const Real* a, const Real* b, std::size_t n)
{
    clear();
    for (std::size_t i = 0; i < n; ++i)
        accumulate(a + i, b + i);
    return result();
}

Real exact_dot(const Real* a, const Real* b, std::size_t n)
{
    ExactAccumulator sum;
    return sum.dot(a, b, n);
}

Real exact_sum_of_squares(const Real* a, std::size_t n) { return exact_dot(a, a, n); }

} // namespace tarvex
