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

constexpr int SIGNIFICAND_BITS = 112; // stored fraction bits
constexpr int EXPONENT_BIAS = 16383;
constexpr int MIN_EXPONENT = -16382;
// The weight of the smallest subnormal, 2^-16494, as an accumulator bit position.
constexpr int SUBNORMAL_POSITION = -16494 + ExactAccumulator::OFFSET;

struct Decoded {
    bool negative;
    int exponent; // of the least significant bit of the significand
    u128 significand;
};

Decoded decode(Real value)
{
    u128 bits;
    std::memcpy(&bits, &value, sizeof bits);
    Decoded d;
    d.negative = (bits >> 127) != 0;
    const int biased = static_cast<int>((bits >> SIGNIFICAND_BITS) & 0x7fff);
    d.significand = bits & ((u128(1) << SIGNIFICAND_BITS) - 1);
    if (biased == 0) {
        d.exponent = MIN_EXPONENT - SIGNIFICAND_BITS;
    } else {
        d.significand |= u128(1) << SIGNIFICAND_BITS;
        d.exponent = biased - EXPONENT_BIAS - SIGNIFICAND_BITS;
    }
    return d;
}

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
    std::memset(limbs_, 0, sizeof limbs_);
    low_ = LIMBS;
    special_ = false;
    special_sum_ = 0;
}

void ExactAccumulator::add_shifted(int position, const u64 (&value)[4], bool negative)
{
    const int index = position / 64;
    const int shift = position % 64;
    u64 part[5];
    if (shift == 0) {
        for (int i = 0; i < 4; ++i)
            part[i] = value[i];
        part[4] = 0;
    } else {
        part[0] = value[0] << shift;
        for (int i = 1; i < 4; ++i)
            part[i] = (value[i] << shift) | (value[i - 1] >> (64 - shift));
        part[4] = value[3] >> (64 - shift);
    }
    if (index < low_)
        low_ = index;
    if (!negative) {
        u64 carry = 0;
        for (int i = 0; i < 5; ++i) {
            const u128 sum = u128(limbs_[index + i]) + part[i] + carry;
            limbs_[index + i] = static_cast<u64>(sum);
            carry = static_cast<u64>(sum >> 64);
        }
        for (int i = index + 5; carry != 0 && i < LIMBS; ++i) {
            limbs_[i] += 1;
            carry = limbs_[i] == 0;
        }
    } else {
        u64 borrow = 0;
        for (int i = 0; i < 5; ++i) {
            const u64 before = limbs_[index + i];
            const u128 take = u128(part[i]) + borrow;
            limbs_[index + i] = before - static_cast<u64>(take);
            borrow = u128(before) < take;
        }
        for (int i = index + 5; borrow != 0 && i < LIMBS; ++i) {
            borrow = limbs_[i] == 0;
            limbs_[i] -= 1;
        }
    }
}

void ExactAccumulator::add_product(Real a, Real b)
{
    if (special_ || isnanq(a) || isnanq(b) || isinfq(a) || isinfq(b)) {
        if (!special_) {
            special_ = true;
            special_sum_ = 0;
        }
        special_sum_ += a * b;
        return;
    }
    const Decoded x = decode(a);
    const Decoded y = decode(b);
    if (x.significand == 0 || y.significand == 0)
        return;
    // 113 x 113 bits in 64-bit halves: (xh 2^64 + xl)(yh 2^64 + yl).
    const u64 xl = static_cast<u64>(x.significand);
    const u64 xh = static_cast<u64>(x.significand >> 64);
    const u64 yl = static_cast<u64>(y.significand);
    const u64 yh = static_cast<u64>(y.significand >> 64);
    const u128 ll = u128(xl) * yl;
    const u128 lh = u128(xl) * yh;
    const u128 hl = u128(xh) * yl;
    const u128 hh = u128(xh) * yh; // below 2^98
    // middle = lh + hl < 2^115, no overflow of 128 bits.
    const u128 middle = lh + hl;
    u64 product[4];
    product[0] = static_cast<u64>(ll);
    const u128 second = (ll >> 64) + static_cast<u64>(middle);
    product[1] = static_cast<u64>(second);
    const u128 third = (second >> 64) + (middle >> 64) + static_cast<u64>(hh);
    product[2] = static_cast<u64>(third);
    product[3] = static_cast<u64>((third >> 64) + (hh >> 64));
    add_shifted(x.exponent + y.exponent + OFFSET, product, x.negative != y.negative);
}

Real ExactAccumulator::result() const
{
    if (special_)
        return special_sum_;
    // Magnitude and sign of the two's complement sum.
    const bool negative = (limbs_[LIMBS - 1] >> 63) != 0;
    u64 magnitude[LIMBS];
    int low = low_ < LIMBS ? low_ : LIMBS - 1;
    if (negative) {
        u64 carry = 1;
        for (int i = 0; i < LIMBS; ++i) {
            const u128 sum = u128(~limbs_[i]) + carry;
            magnitude[i] = static_cast<u64>(sum);
            carry = static_cast<u64>(sum >> 64);
        }
        low = 0;
    } else {
        std::memcpy(magnitude, limbs_, sizeof magnitude);
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
