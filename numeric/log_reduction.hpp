// The exact argument reduction both binary128 logarithms share (the short path in
// numeric/fast_log.cpp and the wide routine in numeric/log_wide.cpp): for x = m * 2**E with m in
// [1, 2), z = m*c1*c2 - 1 formed exactly (|z| < 2**-17.6), where c1 comes from m's top 8 fraction
// bits and c2 from z1 = m*c1 - 1, and the sum E*log 2 - log c1 - log c2 of the tables' logarithms
// (176 fraction bits), so that log x = that sum + log(1 + z).
#pragma once

#include "numeric/log_tables.hpp"
#include "numeric/wide_fixed.hpp"

namespace tarvex::log_reduction {

constexpr int STAGE1_SCALE = 125; // z1 = Z1 * 2**-125
constexpr int STAGE2_SHIFT = 108; // stage 2 steps of 2**-17 in units of 2**-125

struct Reduced {
    const log_tables::Entry* first;  // c1 and -log c1
    const log_tables::Entry* second; // c2 and -log c2
    fixed192::i128 Z;                // z in units of 2**-144
};

// The reduction of the significand M (the implicit bit at bit 112 included).
__attribute__((always_inline)) inline Reduced reduce(fixed192::u128 M) {
    using fixed192::i128;
    using fixed192::u128;
    Reduced r;
    r.first = &log_tables::STAGE1[int(M >> (fixed192::SIGNIFICAND_BITS - 8)) & 0xff];
    // Stage 1: z1 = m*c1 - 1, exact.
    const i128 Z1 = i128(M * r.first->c) - (i128(1) << STAGE1_SCALE);
    // Stage 2: z = (1 + z1)*c2 - 1, exact; the true value fits, so arithmetic modulo 2**128
    // gives it.
    const int index2 =
        int((Z1 + (i128(1) << (STAGE2_SHIFT - 1))) >> STAGE2_SHIFT) + log_tables::STAGE2_OFFSET;
    r.second = &log_tables::STAGE2[index2];
    r.Z = i128(((u128(1) << STAGE1_SCALE) + u128(Z1)) * r.second->c);
    return r;
}

// E*log 2 - log c1 - log c2 in 192-bit fixed point with 176 fraction bits.
__attribute__((always_inline)) inline fixed192::Wide table_sum(int E, const Reduced& r) {
    using namespace fixed192;
    return add(add(times(E, wide_of(log_tables::LN2)), wide_of(r.first->minus_log)),
               wide_of(r.second->minus_log));
}

} // namespace tarvex::log_reduction
