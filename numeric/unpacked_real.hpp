// A binary128 value taken apart into its significand, exponent and sign, for chains of operations
// that keep a running value so from one step to the next instead of packing and unpacking it at
// each: the fused updates of numeric/fused_axpy and the sums and products of
// numeric/unpacked_arith. Every value, normal or not, packs back to its own bits.
#pragma once

#include "numeric/limb_arithmetic.hpp"

namespace tarvex::limbs {

// A value taken apart: for a normal number the significand with its implicit bit (bit 48 of
// `high`) and the unbiased exponent of its leading bit; for a zero, subnormal, infinity or NaN
// its stored fraction and the exponent field less the bias.
struct Unpacked {
    u64 high = 0, low = 0;
    int exponent = 0;
    bool negative = false;
};

// Takes y (its two 64-bit halves) apart; false when y is not a normal number.
__attribute__((always_inline)) inline bool unpack(u64 ylow, u64 yhigh, Unpacked& y) {
    constexpr u64 hidden = u64(1) << 48;
    const unsigned field = static_cast<unsigned>(yhigh >> 48) & EXPONENT_FIELD;
    y.high = (yhigh & (hidden - 1)) | hidden;
    y.low = ylow;
    y.exponent = static_cast<int>(field) - EXPONENT_BIAS;
    y.negative = (yhigh >> 63) != 0;
    return is_normal(field);
}

__attribute__((always_inline)) inline u128 pack(const Unpacked& y) {
    constexpr u64 fraction_high = (u64(1) << 48) - 1;
    const u64 high = (u64(y.negative) << 63) | (u64(y.exponent + EXPONENT_BIAS) << 48) |
                     (y.high & fraction_high);
    return (u128(high) << 64) | y.low;
}

} // namespace tarvex::limbs
