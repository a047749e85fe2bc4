// Exact dot products. A finite binary128 value is m * 2^(e-112) with an integer significand m
// below 2^113 (implicit bit included; subnormals have e = -16382 and no implicit bit). A product
// is then (ma*mb) * 2^(ea+eb-224), an integer below 2^226 placed at bit ea+eb-224+OFFSET of an
// accumulator of 64-bit limbs, the positive one or the negative one by the product's sign.
// Rounding takes the difference of the two, reads its top 113 bits (fewer in the subnormal
// range), the next bit and whether anything below it is set.
#include "numeric/exact_dot.hpp"

#include "numeric/limb_arithmetic.hpp"

#include <algorithm>
#include <climits>
#include <cstring>
#include <vector>
#include <x86intrin.h>

namespace tarvex {
namespace {

using u64 = std::uint64_t;
using u128 = unsigned __int128;

constexpr int SIGNIFICAND_BITS = 112; // stored fraction bits
constexpr int EXPONENT_BIAS = 16383;
constexpr int SPECIAL_EXPONENT = 0x7fff; // infinities and NaNs
constexpr u64 HIGH_FRACTION_MASK = (u64(1) << (SIGNIFICAND_BITS - 64)) - 1;
// The weight of the smallest subnormal, 2^-16494, as an accumulator bit position.
constexpr int SUBNORMAL_POSITION = -16494 + ExactAccumulator::OFFSET;
// Accumulator position of a product's lowest bit, less the two biased exponents (taken as 1
// for subnormals): (ba - BIAS - 112) + (bb - BIAS - 112) + OFFSET.
constexpr int POSITION_BASE = ExactAccumulator::OFFSET - 2 * (EXPONENT_BIAS + SIGNIFICAND_BITS);

struct Parts {
    u64 high, low; // significand, implicit bit included
    int biased;    // biased exponent, 1 for subnormals (their scale)
    bool negative;
    bool special;
};

// Reads the value's bits straight from memory as integers (little-endian halves): going
// through a floating-point register would cost a store and a reload per value.
inline Parts split(const Real* value) {
    u64 high;
    Parts p;
    std::memcpy(&p.low, value, sizeof p.low);
    std::memcpy(&high, reinterpret_cast<const char*>(value) + sizeof p.low, sizeof high);
    p.negative = (high >> 63) != 0;
    const int biased = static_cast<int>((high >> (SIGNIFICAND_BITS - 64)) & 0x7fff);
    p.special = biased == SPECIAL_EXPONENT;
    p.high = high & HIGH_FRACTION_MASK;
    if (biased != 0) p.high |= u64(1) << (SIGNIFICAND_BITS - 64);
    p.biased = biased != 0 ? biased : 1;
    return p;
}

Real encode(bool negative, int biased, u128 fraction) {
    const u128 bits = (u128(negative) << 127) | (u128(biased) << SIGNIFICAND_BITS) | fraction;
    // The two halves go straight into a vector register: stored as integers and reloaded as one
    // 16-byte value they would stall the load.
    const __m128i halves =
        _mm_set_epi64x(static_cast<long long>(bits >> 64), static_cast<long long>(bits));
    Real value;
    std::memcpy(&value, &halves, sizeof value);
    return value;
}

} // namespace

ExactAccumulator::ExactAccumulator() {
    clear();
}

ExactAccumulator::ExactAccumulator(const ExactAccumulator& other) {
    *this = other;
}

ExactAccumulator& ExactAccumulator::operator=(const ExactAccumulator& other) {
    if (this == &other) return *this;
    low_ = other.low_;
    high_ = other.high_;
    special_ = other.special_;
    special_sum_ = other.special_sum_;
    if (high_ >= low_) {
        const std::size_t count = std::size_t(high_ - low_ + 1);
        std::memcpy(positive_ + low_, other.positive_ + low_, sizeof(u64) * count);
        std::memcpy(negative_ + low_, other.negative_ + low_, sizeof(u64) * count);
    }
    return *this;
}

void ExactAccumulator::clear() {
    low_ = LIMBS;
    high_ = -1;
    special_ = false;
    special_sum_ = 0;
}

void ExactAccumulator::widen(int first, int last) {
    if (high_ < low_) {
        low_ = first;
        high_ = first - 1;
    }
    if (first < low_) {
        std::memset(positive_ + first, 0, sizeof(u64) * (low_ - first));
        std::memset(negative_ + first, 0, sizeof(u64) * (low_ - first));
        low_ = first;
    }
    if (last > high_) {
        std::memset(positive_ + high_ + 1, 0, sizeof(u64) * (last - high_));
        std::memset(negative_ + high_ + 1, 0, sizeof(u64) * (last - high_));
        high_ = last;
    }
}

void ExactAccumulator::carry_into(u64* limbs, int index) {
    for (; index < LIMBS; ++index) {
        if (index > high_) widen(index, index);
        if (++limbs[index] != 0) return;
    }
}

inline __attribute__((always_inline)) void ExactAccumulator::accumulate(const Real* a,
                                                                        const Real* b) {
    const Parts x = split(a);
    const Parts y = split(b);
    if (special_ || x.special || y.special) {
        if (!special_) {
            special_ = true;
            special_sum_ = 0;
        }
        special_sum_ += *a * *b;
        return;
    }
    if ((x.high | x.low) == 0 || (y.high | y.low) == 0) return;
    // 113 x 113 bits in 64-bit halves: (xh 2^64 + xl)(yh 2^64 + yl) < 2^226, four limbs.
    const limbs::Product p = limbs::multiply(x.low, x.high, y.low, y.high);
    add_shifted(p, x.biased + y.biased + POSITION_BASE, x.negative != y.negative);
}

inline __attribute__((always_inline)) void
ExactAccumulator::add_shifted(const limbs::Product& p, int position, bool negative) {
    const int index = position >> 6;
    if (index < low_ || index + 4 > high_) widen(index, index + 4);
    u64* limbs = (negative ? negative_ : positive_) + index;
    if (limbs::add_shifted_into_five(limbs, p, position & 63)) carry_into(limbs - index, index + 5);
}

void ExactAccumulator::add_product(Real a, Real b) {
    accumulate(&a, &b);
}

void ExactAccumulator::add_limbs(u64* limbs, const u64* other, int low, int high) {
    unsigned char carry = 0;
    for (int i = low; i <= high; ++i) {
        unsigned long long sum;
        carry = _addcarry_u64(carry, limbs[i], other[i], &sum);
        limbs[i] = sum;
    }
    if (carry != 0) carry_into(limbs, high + 1);
}

void ExactAccumulator::add_exact(const ExactAccumulator& other) {
    if (other.high_ < other.low_) return; // nothing added there yet
    widen(other.low_, other.high_);
    add_limbs(positive_, other.positive_, other.low_, other.high_);
    add_limbs(negative_, other.negative_, other.low_, other.high_);
}

void ExactAccumulator::assign_limbs(int low, int high, const u64* positive, const u64* negative,
                                    bool special, Real special_sum) {
    clear();
    if (low <= high) {
        std::memcpy(positive_ + low, positive, sizeof(u64) * (high - low + 1));
        std::memcpy(negative_ + low, negative, sizeof(u64) * (high - low + 1));
        low_ = low;
        high_ = high;
    }
    special_ = special;
    special_sum_ = special ? special_sum : 0;
}

bool ExactAccumulator::decode(Real value, Factor& out) {
    const Parts p = split(&value);
    out = {p.low, p.high, p.biased, p.negative};
    return !p.special;
}

void ExactAccumulator::add_decoded_products(const Factor* a, const Factor* b, std::size_t n) {
    for (std::size_t i = 0; i < n; ++i) {
        if ((a[i].high | a[i].low) == 0 || (b[i].high | b[i].low) == 0) continue;
        add_shifted(limbs::multiply(a[i].low, a[i].high, b[i].low, b[i].high),
                    a[i].biased + b[i].biased + POSITION_BASE, a[i].negative != b[i].negative);
    }
}

void ExactAccumulator::add_products(const Real* a, const Real* b, std::size_t n) {
    for (std::size_t i = 0; i < n; ++i) accumulate(a + i, b + i);
}

void ExactAccumulator::add_scaled(Real a, int scale) {
    const Parts x = split(&a);
    if (special_ || x.special) {
        const Real one = 1;
        accumulate(&a, &one);
        return;
    }
    if ((x.high | x.low) != 0)
        add_shifted({0, x.low << 48, (x.high << 48) | (x.low >> 16), x.high >> 16},
                    x.biased + EXPONENT_BIAS + POSITION_BASE + scale, x.negative);
}

void ExactAccumulator::add_five_limbs(const u64* value, int weight, bool negative) {
    if (special_) return; // the IEEE sum decides; these terms are finite
    const int position = weight + OFFSET;
    if ((value[0] | value[1] | value[2] | value[3]) != 0)
        add_shifted({value[0], value[1], value[2], value[3]}, position, negative);
    if (value[4] != 0) add_shifted({value[4], 0, 0, 0}, position + 256, negative);
}

void ExactAccumulator::add_values(const Real* a, std::size_t n) {
    const Real one = 1;
    for (std::size_t i = 0; i < n; ++i) {
        const Parts x = split(a + i);
        if (special_ || x.special) {
            accumulate(a + i, &one);
            continue;
        }
        // The value as the product x * 1: its significand times 2^112, at the same position.
        if ((x.high | x.low) != 0)
            add_shifted({0, x.low << 48, (x.high << 48) | (x.low >> 16), x.high >> 16},
                        x.biased + EXPONENT_BIAS + POSITION_BASE, x.negative);
    }
}

Real ExactAccumulator::dot(const Real* a, const Real* b, std::size_t n) {
    clear();
    add_products(a, b, n);
    return result();
}

Real ExactAccumulator::result_scaled(int scale) const {
    // Bit position p of the accumulator weighs 2^(p - OFFSET); scaled, 2^(p - origin).
    const int origin = OFFSET - scale;
    if (special_) return special_sum_;
    // The larger of the two sums decides the sign; the magnitude is their difference.
    int top = high_;
    while (top >= low_ && positive_[top] == negative_[top]) --top;
    if (top < low_) return 0;
    const bool negative = negative_[top] > positive_[top];
    const u64* larger = negative ? negative_ : positive_;
    const u64* smaller = negative ? positive_ : negative_;
    // The difference over limbs low_ .. top, held from index 0; a short sum (the usual case)
    // needs no more than the small buffer.
    const int low = low_;
    constexpr int SMALL_LIMBS = 32;
    u64 small_buffer[SMALL_LIMBS];
    std::vector<u64> large_buffer;
    u64* difference = small_buffer;
    if (top - low + 1 > SMALL_LIMBS) {
        large_buffer.resize(std::size_t(top - low + 1));
        difference = large_buffer.data();
    }
    unsigned char borrow = 0;
    for (int i = low; i <= top; ++i) {
        unsigned long long d;
        borrow = _subborrow_u64(borrow, larger[i], smaller[i], &d);
        difference[i - low] = d;
    }
    while (difference[top - low] == 0) --top;
    // Limb i of the magnitude (positions are offset to be non-negative), 0 outside low..top.
    const auto limb = [&](int i) -> u64 { return i >= low && i <= top ? difference[i - low] : 0; };
    const int highest = top * 64 + 63 - __builtin_clzll(difference[top - low]);
    // Keep bits lowest..highest: 113 of them, or fewer in the subnormal range.
    int lowest = highest - SIGNIFICAND_BITS;
    const int subnormal_position = SUBNORMAL_POSITION - scale;
    if (lowest < subnormal_position) lowest = subnormal_position;
    if (lowest < 1) {
        // Scaled far up, the sum has fewer than 113 bits above position 0 and none is lost: the
        // integer they make, times the weight of position 0.
        u128 bits = 0;
        for (int position = highest; position >= 0; --position)
            bits = (bits << 1) | ((limb(position >> 6) >> (position & 63)) & 1);
        const Real magnitude = scalbnq(static_cast<Real>(bits), -origin);
        return negative ? -magnitude : magnitude;
    }
    // The round bit and the kept bits above it, read from the three limbs from the round bit's
    // up: 114 bits at most, from an offset below 64.
    const int below =
        lowest - 1; // the round bit's position (never below 0); bits under it are sticky
    const int first = below >> 6;
    const int offset = below & 63;
    const u64 base = limb(first);
    u128 window = ((u128(limb(first + 1)) << 64) | base) >> offset;
    if (offset > 0) window |= u128(limb(first + 2)) << (128 - offset);
    const u64 round = u64(window & 1);
    const int count = highest - lowest + 1; // at most 113
    u128 kept = count > 0 ? (window >> 1) & ((u128(1) << count) - 1) : 0;
    bool sticky = offset > 0 && (base & ((u64(1) << offset) - 1)) != 0;
    // Below the round bit's limb (which may lie above the sum's top limb when the sum falls
    // under the subnormal range): any bit set is sticky.
    for (int i = std::min(first - 1, top); !sticky && i >= low; --i)
        sticky = difference[i - low] != 0;
    if (round && (sticky || (kept & 1))) ++kept;
    if (kept >> (SIGNIFICAND_BITS + 1)) { // rounding carried into a 114th bit
        kept >>= 1;
        ++lowest;
    }
    if (kept >> SIGNIFICAND_BITS) {
        const int exponent = lowest - origin + SIGNIFICAND_BITS; // of the leading bit
        const int biased = exponent + EXPONENT_BIAS;
        if (biased >= SPECIAL_EXPONENT) return negative ? -__builtin_infq() : __builtin_infq();
        return encode(negative, biased, kept & ((u128(1) << SIGNIFICAND_BITS) - 1));
    }
    return encode(negative, 0, kept); // subnormal
}

int ExactAccumulator::exponent() const {
    if (special_) return special_sum_ == 0 ? INT_MIN : ilogbq(special_sum_);
    int top = high_;
    while (top >= low_ && positive_[top] == negative_[top]) --top;
    if (top < low_) return INT_MIN;
    const bool negative = negative_[top] > positive_[top];
    const u64* larger = negative ? negative_ : positive_;
    const u64* smaller = negative ? positive_ : negative_;
    // The difference's leading limb is limb top less a borrow, or, when that is 0, lower down:
    // the first limb from the top where the difference is not zero.
    unsigned char borrow = 0;
    std::vector<u64> difference(std::size_t(top - low_ + 1));
    for (int i = low_; i <= top; ++i) {
        unsigned long long d;
        borrow = _subborrow_u64(borrow, larger[i], smaller[i], &d);
        difference[i - low_] = d;
    }
    while (difference[top - low_] == 0) --top;
    return top * 64 + 63 - __builtin_clzll(difference[top - low_]) - OFFSET;
}

namespace {

// The correctly rounded sum of the terms add(accumulator, begin, end) puts in for [0, n).
template <class AddTerms>
Real split_sum(std::size_t n, AddTerms add) {
    ExactAccumulator sum;
    split_accumulate(n, sum, add);
    return sum.result();
}

} // namespace

Real exact_dot(const Real* a, const Real* b, std::size_t n) {
    return split_sum(n, [a, b](ExactAccumulator& sum, std::size_t begin, std::size_t end) {
        sum.add_products(a + begin, b + begin, end - begin);
    });
}

Real exact_sum(const Real* a, std::size_t n) {
    return split_sum(n, [a](ExactAccumulator& sum, std::size_t begin, std::size_t end) {
        sum.add_values(a + begin, end - begin);
    });
}

Real exact_sum_of_squares(const Real* a, std::size_t n) {
    return exact_dot(a, a, n);
}

} // namespace tarvex
