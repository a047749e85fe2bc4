// Block products on a common scale per column (see exact_block_products.hpp).
#include "numeric/exact_block_products.hpp"

#include "numeric/limb_arithmetic.hpp"

#include <algorithm>

namespace tarvex {

namespace {

using u64 = std::uint64_t;

constexpr unsigned char NEGATIVE = 1;
constexpr unsigned char OFF_SCALE = 2;
// Bits of room above the largest significand (113 bits) in the 128-bit magnitudes.
constexpr int ROOM = 128 - 113;
// The scale is used for columns whose largest value lies within 2^+-8000: the block's sums, at
// most 2^265 times its scale, then lie well inside the accumulator's range.
constexpr int SCALE_LIMIT = 8000;

// Adds (a_high 2^64 + a_low) * (b_high 2^64 + b_low) to the five limbs at `sum`: the product
// formed in registers and added in one carry chain.
__attribute__((always_inline)) inline void add_product_into_five(u64* sum, u64 a_low, u64 a_high,
                                                                 u64 b_low, u64 b_high) {
#if defined(__x86_64__)
    u64 p0, p1, p2, p3;
    asm volatile(
        "movq %[al], %%rax\n\t"
        "mulq %[bl]\n\t"
        "movq %%rax, %[p0]\n\t"
        "movq %%rdx, %[p1]\n\t"
        "movq %[al], %%rax\n\t"
        "mulq %[bh]\n\t"
        "xorl %k[p3], %k[p3]\n\t"
        "addq %%rax, %[p1]\n\t"
        "movq %%rdx, %[p2]\n\t"
        "adcq $0, %[p2]\n\t"
        "movq %[ah], %%rax\n\t"
        "mulq %[bl]\n\t"
        "addq %%rax, %[p1]\n\t"
        "adcq %%rdx, %[p2]\n\t"
        "adcq $0, %[p3]\n\t"
        "movq %[ah], %%rax\n\t"
        "mulq %[bh]\n\t"
        "addq %%rax, %[p2]\n\t"
        "adcq %%rdx, %[p3]\n\t"
        "addq %[p0], (%[s])\n\t"
        "adcq %[p1], 8(%[s])\n\t"
        "adcq %[p2], 16(%[s])\n\t"
        "adcq %[p3], 24(%[s])\n\t"
        "adcq $0, 32(%[s])"
        : [p0] "=&r"(p0), [p1] "=&r"(p1), [p2] "=&r"(p2), [p3] "=&r"(p3)
        : [al] "r"(a_low), [ah] "r"(a_high), [bl] "r"(b_low), [bh] "r"(b_high), [s] "r"(sum)
        : "rax", "rdx", "cc", "memory");
#else
    limbs::add_into_five(sum, limbs::multiply(a_low, a_high, b_low, b_high));
#endif
}

} // namespace

void ScaledBlock::assign(const ExactAccumulator::Factor* values, std::size_t n) {
    low_.resize(n);
    high_.resize(n);
    flags_.resize(n);
    off_scale_.clear();
    int largest = 0;
    for (std::size_t i = 0; i < n; ++i)
        if ((values[i].high | values[i].low) != 0) largest = std::max(largest, values[i].biased);
    const bool usable = largest >= limbs::EXPONENT_BIAS - SCALE_LIMIT &&
                        largest <= limbs::EXPONENT_BIAS + SCALE_LIMIT;
    // A value m * 2^(biased - BIAS - 112) is (m << (biased - largest + ROOM)) * 2^weight_.
    weight_ = largest - ROOM - limbs::EXPONENT_BIAS - limbs::FRACTION_BITS;
    for (std::size_t i = 0; i < n; ++i) {
        const ExactAccumulator::Factor& v = values[i];
        unsigned char flags = v.negative ? NEGATIVE : 0;
        u64 low = 0, high = 0;
        if ((v.high | v.low) != 0) {
            const int shift = v.biased - largest + ROOM;
            if (!usable || shift < 0) {
                flags |= OFF_SCALE;
                off_scale_.push_back(i);
            } else if (shift == 0) {
                low = v.low, high = v.high;
            } else {
                low = v.low << shift;
                high = (v.high << shift) | (v.low >> (64 - shift));
            }
        }
        low_[i] = low;
        high_[i] = high;
        flags_[i] = flags;
    }
}

void ScaledBlock::add_products(const ScaledBlock& a, std::size_t ai, const ScaledBlock& b,
                               std::size_t bi, std::size_t n, const ExactAccumulator::Factor* fa,
                               const ExactAccumulator::Factor* fb, ExactAccumulator& sum) {
    // The positive and the negative products apart; each under 2^256, so that a sum of up to
    // 2^64 of them fits five limbs.
    u64 sums[2][5] = {};
    const u64 *al = a.low_.data() + ai, *ah = a.high_.data() + ai;
    const u64 *bl = b.low_.data() + bi, *bh = b.high_.data() + bi;
    const unsigned char *af = a.flags_.data() + ai, *bf = b.flags_.data() + bi;
    for (std::size_t i = 0; i < n; ++i)
        add_product_into_five(sums[(af[i] ^ bf[i]) & NEGATIVE], al[i], ah[i], bl[i], bh[i]);
    // The products with a value off the scale (held there as 0), each once.
    for (const std::size_t at : a.off_scale_)
        if (at >= ai && at - ai < n) sum.add_decoded_products(fa + (at - ai), fb + (at - ai), 1);
    for (const std::size_t at : b.off_scale_)
        if (at >= bi && at - bi < n && (af[at - bi] & OFF_SCALE) == 0)
            sum.add_decoded_products(fa + (at - bi), fb + (at - bi), 1);
    const int weight = a.weight_ + b.weight_;
    sum.add_five_limbs(sums[0], weight, false);
    sum.add_five_limbs(sums[1], weight, true);
}

} // namespace tarvex
