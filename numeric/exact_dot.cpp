// Exact dot products. A finite binary128 value is m * 2^(e-112) with an integer significand m
// below 2^113 (implicit bit included; subnormals have e = -16382 and no implicit bit). A product
// is then (ma*mb) * 2^(ea+eb-224), an integer below 2^226 placed at bit ea+eb-224+OFFSET of a
// two's complement accumulator of 64-bit limbs. Rounding reads the top 113 bits (fewer in the
// subnormal range), the next bit and whether anything below it is set.
#include "numeric/exact_dot.hpp"

#include <cstring>

namespace tarvex {
namespace {

using u64 = std::uint64_t;
using u128 = unsigned __int128;

using exact_detail::EXPONENT_BIAS;
using exact_detail::MIN_EXPONENT;
using exact_detail::SIGNIFICAND_BITS;
// The weight of the smallest subnormal, 2^-16494, as an accumulator bit position.
constexpr int SUBNORMAL_POSITION = -16494 + ExactAccumulator::OFFSET;

Real encode(bool negative, int biased, u128 fraction)
{
    const u128 bits = (u128(negative) << 127) | (u128(biased) << SIGNIFICAND_BITS) | fraction;
    Real value;
    std::memcpy(&value, &bits, sizeof value);
    return value;
}

} // namespace

ExactAccumulator::ExactAccumulator() { clear(); }

void ExactAccumulator::clear()
{
    std::memset(positive_, 0, sizeof positive_);
    std::memset(negative_, 0, sizeof negative_);
    low_ = LIMBS;
    special_ = false;
    special_sum_ = 0;
}

Real ExactAccumulator::result() const
{
    if (special_)
        return special_sum_;
    // The two's complement sum: positive terms less negative ones.
    u64 limbs[LIMBS];
    unsigned char borrow = 0;
    for (int i = 0; i < LIMBS; ++i)
        borrow = _subborrow_u64(borrow, positive_[i], negative_[i], reinterpret_cast<unsigned long long*>(limbs + i));
    // Its magnitude and sign.
    const bool negative = (limbs[LIMBS - 1] >> 63) != 0;
    u64 magnitude[LIMBS];
    int low = low_ < LIMBS ? low_ : LIMBS - 1;
    if (negative) {
        u64 carry = 1;
        for (int i = 0; i < LIMBS; ++i) {
            const u128 sum = u128(~limbs[i]) + carry;
            magnitude[i] = static_cast<u64>(sum);
            carry = static_cast<u64>(sum >> 64);
        }
        low = 0;
    } else {
        std::memcpy(magnitude, limbs, sizeof magnitude);
    }
    int top = LIMBS - 1;
    while (top >= low && magnitude[top] == 0)
        --top;
    if (top < low)
        return 0;
    const int highest = top * 64 + 63 - __builtin_clzll(magnitude[top]);
    const auto bit = [&](int position) -> u64 {
        return position < 0 ? 0 : (magnitude[position / 64] >> (position % 64)) & 1;
    };
    // Keep bits lowest..highest: 113 of them, or fewer in the subnormal range.
    int lowest = highest - SIGNIFICAND_BITS;
    if (lowest < SUBNORMAL_POSITION)
        lowest = SUBNORMAL_POSITION;
    u128 kept = 0;
    for (int position = highest; position >= lowest; --position)
        kept = (kept << 1) | bit(position);
    const u64 round = bit(lowest - 1);
    bool sticky = false;
    const int below = lowest - 1; // bits strictly below this position
    if (below > 0) {
        const int limb = below / 64;
        const int offset = below % 64;
        if (offset > 0 && (magnitude[limb] & ((u64(1) << offset) - 1)) != 0)
            sticky = true;
        for (int i = limb - 1; !sticky && i >= low && i >= 0; --i)
            sticky = magnitude[i] != 0;
    }
    if (round && (sticky || (kept & 1)))
        ++kept;
    if (kept >> (SIGNIFICAND_BITS + 1)) { // rounding carried into a 114th bit
        kept >>= 1;
        ++lowest;
    }
    if (kept >> SIGNIFICAND_BITS) {
        const int exponent = lowest - OFFSET + SIGNIFICAND_BITS; // of the leading bit
        const int biased = exponent + EXPONENT_BIAS;
        if (biased >= 0x7fff)
            return negative ? -__builtin_infq() : __builtin_infq();
        return encode(negative, biased, kept & ((u128(1) << SIGNIFICAND_BITS) - 1));
    }
    return encode(negative, 0, kept); // subnormal
}

Real exact_dot(const Real* a, const Real* b, std::size_t n)
{
    ExactAccumulator sum;
    for (std::size_t i = 0; i < n; ++i)
        sum.add_product(a[i], b[i]);
    return sum.result();
}

Real exact_sum_of_squares(const Real* a, std::size_t n) { return exact_dot(a, a, n); }

} // namespace tarvex
