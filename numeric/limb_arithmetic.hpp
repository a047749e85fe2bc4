// Carry chains on 64-bit limbs for the exact kernels: the fused update and the exact dot product.
// The compiler's own chains save the carry flag to a register and restore it between steps, and
// spill 128-bit temporaries to the stack; on x86-64 the chains are therefore written out as
// add-with-carry sequences, elsewhere plain 128-bit arithmetic does the same work.
#pragma once

#include "numeric/real.hpp"

#include <cstdint>
#include <cstring>

namespace tarvex::limbs {

using u64 = std::uint64_t;
using u128 = unsigned __int128;

// The binary128 layout: 112 stored fraction bits under a 15-bit biased exponent.
constexpr int FRACTION_BITS = 112;
constexpr int EXPONENT_BIAS = 16383;
constexpr unsigned EXPONENT_FIELD = 0x7fff;
constexpr u128 HIDDEN_BIT = u128(1) << FRACTION_BITS;
constexpr u128 FRACTION_MASK = HIDDEN_BIT - 1;

// The biased exponent of a value's bits.
inline unsigned exponent_field(u128 bits) {
    return static_cast<unsigned>(bits >> FRACTION_BITS) & EXPONENT_FIELD;
}

// A biased exponent of a normal number: 1..0x7ffe.
inline bool is_normal(unsigned field) {
    return field - 1 < EXPONENT_FIELD - 1;
}

// The bit pattern of a binary128 value as one integer, and back.
inline u128 bits_of(Real value) {
    u128 bits;
    std::memcpy(&bits, &value, sizeof bits);
    return bits;
}

inline Real from_bits(u128 bits) {
    Real value;
    std::memcpy(&value, &bits, sizeof value);
    return value;
}

inline u64 low64(u128 v) {
    return static_cast<u64>(v);
}
inline u64 high64(u128 v) {
    return static_cast<u64>(v >> 64);
}

// A 256-bit product, p0 the lowest limb.
struct Product {
    u64 p0, p1, p2, p3;
};

// (a_high 2^64 + a_low) * (b_high 2^64 + b_low), exactly.
__attribute__((always_inline)) inline Product multiply(u64 a_low, u64 a_high, u64 b_low,
                                                       u64 b_high) {
    const u128 m0 = u128(a_low) * b_low;
    const u128 m1 = u128(a_low) * b_high;
    const u128 m2 = u128(a_high) * b_low;
    const u128 m3 = u128(a_high) * b_high;
    Product p{low64(m0), high64(m0), high64(m1), high64(m3)};
#if defined(__x86_64__)
    // p1 = high(m0) + low(m1) + low(m2), p2 = high(m1) + high(m2) + low(m3), with the carries.
    asm("addq %[m1l], %[p1]\n\t"
        "adcq %[m3l], %[p2]\n\t"
        "adcq $0, %[p3]\n\t"
        "addq %[m2l], %[p1]\n\t"
        "adcq %[m2h], %[p2]\n\t"
        "adcq $0, %[p3]"
        : [p1] "+&r"(p.p1), [p2] "+&r"(p.p2), [p3] "+&r"(p.p3)
        : [m1l] "r"(low64(m1)), [m2l] "r"(low64(m2)), [m2h] "r"(high64(m2)), [m3l] "r"(low64(m3))
        : "cc");
#else
    const u128 one = u128(p.p1) + low64(m1) + low64(m2);
    const u128 two = u128(p.p2) + low64(m3) + high64(m2) + high64(one);
    p.p1 = low64(one);
    p.p2 = low64(two);
    p.p3 += high64(two);
#endif
    return p;
}

// r + s, or r - s when `subtract` (as r + ~s + 1), modulo 2^256, four limbs each; a negative
// result is negated. Returns all ones when it was negated, else zero.
__attribute__((always_inline)) inline u64 signed_sum(u64& r0, u64& r1, u64& r2, u64& r3, u64 s0,
                                                     u64 s1, u64 s2, u64 s3, bool subtract) {
    u64 mask = u64(0) - u64(subtract);
#if defined(__x86_64__)
    asm("xorq %[m], %[s0]\n\t"
        "xorq %[m], %[s1]\n\t"
        "xorq %[m], %[s2]\n\t"
        "xorq %[m], %[s3]\n\t"
        "btq $0, %[m]\n\t"
        "adcq %[s0], %[r0]\n\t"
        "adcq %[s1], %[r1]\n\t"
        "adcq %[s2], %[r2]\n\t"
        "adcq %[s3], %[r3]\n\t"
        "movq %[r3], %[m]\n\t"
        "sarq $63, %[m]\n\t"
        "xorq %[m], %[r0]\n\t"
        "xorq %[m], %[r1]\n\t"
        "xorq %[m], %[r2]\n\t"
        "xorq %[m], %[r3]\n\t"
        "btq $0, %[m]\n\t"
        "adcq $0, %[r0]\n\t"
        "adcq $0, %[r1]\n\t"
        "adcq $0, %[r2]\n\t"
        "adcq $0, %[r3]"
        : [r0] "+r"(r0), [r1] "+r"(r1), [r2] "+r"(r2), [r3] "+r"(r3), [m] "+r"(mask), [s0] "+r"(s0),
          [s1] "+r"(s1), [s2] "+r"(s2), [s3] "+r"(s3)
        :
        : "cc");
    return mask;
#else
    u64 limbs[4] = {r0, r1, r2, r3};
    const u64 terms[4] = {s0 ^ mask, s1 ^ mask, s2 ^ mask, s3 ^ mask};
    u64 carry = mask & 1;
    for (int i = 0; i < 4; ++i) {
        const u128 sum = u128(limbs[i]) + terms[i] + carry;
        limbs[i] = low64(sum);
        carry = high64(sum);
    }
    const u64 flip = u64(0) - (limbs[3] >> 63);
    carry = flip & 1;
    for (int i = 0; i < 4; ++i) {
        const u128 sum = u128(limbs[i] ^ flip) + carry;
        limbs[i] = low64(sum);
        carry = high64(sum);
    }
    r0 = limbs[0];
    r1 = limbs[1];
    r2 = limbs[2];
    r3 = limbs[3];
    return flip;
#endif
}

// r + s, or r - s when `subtract` (as r + ~s + 1), modulo 2^192, three limbs each; a negative
// result is negated. Returns all ones when it was negated, else zero.
__attribute__((always_inline)) inline u64 signed_sum3(u64& r1, u64& r2, u64& r3, u64 s1, u64 s2,
                                                      u64 s3, bool subtract) {
    u64 mask = u64(0) - u64(subtract);
#if defined(__x86_64__)
    asm("xorq %[m], %[s1]\n\t"
        "xorq %[m], %[s2]\n\t"
        "xorq %[m], %[s3]\n\t"
        "btq $0, %[m]\n\t"
        "adcq %[s1], %[r1]\n\t"
        "adcq %[s2], %[r2]\n\t"
        "adcq %[s3], %[r3]\n\t"
        "movq %[r3], %[m]\n\t"
        "sarq $63, %[m]\n\t"
        "xorq %[m], %[r1]\n\t"
        "xorq %[m], %[r2]\n\t"
        "xorq %[m], %[r3]\n\t"
        "btq $0, %[m]\n\t"
        "adcq $0, %[r1]\n\t"
        "adcq $0, %[r2]\n\t"
        "adcq $0, %[r3]"
        : [r1] "+r"(r1), [r2] "+r"(r2), [r3] "+r"(r3), [m] "+r"(mask), [s1] "+r"(s1), [s2] "+r"(s2),
          [s3] "+r"(s3)
        :
        : "cc");
    return mask;
#else
    u64 limbs[3] = {r1, r2, r3};
    const u64 terms[3] = {s1 ^ mask, s2 ^ mask, s3 ^ mask};
    u64 carry = mask & 1;
    for (int i = 0; i < 3; ++i) {
        const u128 sum = u128(limbs[i]) + terms[i] + carry;
        limbs[i] = low64(sum);
        carry = high64(sum);
    }
    const u64 flip = u64(0) - (limbs[2] >> 63);
    carry = flip & 1;
    for (int i = 0; i < 3; ++i) {
        const u128 sum = u128(limbs[i] ^ flip) + carry;
        limbs[i] = low64(sum);
        carry = high64(sum);
    }
    r1 = limbs[0];
    r2 = limbs[1];
    r3 = limbs[2];
    return flip;
#endif
}

// (high, low) + v.
__attribute__((always_inline)) inline void add_to_pair(u64& low, u64& high, u64 v) {
#if defined(__x86_64__)
    asm("addq %[v], %[lo]\n\t"
        "adcq $0, %[hi]"
        : [lo] "+r"(low), [hi] "+r"(high)
        : [v] "r"(v)
        : "cc");
#else
    const u128 sum = ((u128(high) << 64) | low) + v;
    low = low64(sum);
    high = high64(sum);
#endif
}

// Adds p << shift (0 <= shift < 64), five limbs, to the five limbs at `limbs` (lowest first);
// returns the carry out of the top.
__attribute__((always_inline)) inline bool add_shifted_into_five(u64* limbs, Product p, int shift) {
#if defined(__x86_64__)
    // Double-precision shifts move each limb's top bits into the next, with one shift count;
    // a count of 0 leaves every limb as it is.
    u64 top = 0;
    unsigned char carry;
    asm("shldq %%cl, %[p3], %[top]\n\t"
        "shldq %%cl, %[p2], %[p3]\n\t"
        "shldq %%cl, %[p1], %[p2]\n\t"
        "shldq %%cl, %[p0], %[p1]\n\t"
        "shlq %%cl, %[p0]\n\t"
        "addq %[p0], %[l0]\n\t"
        "adcq %[p1], %[l1]\n\t"
        "adcq %[p2], %[l2]\n\t"
        "adcq %[p3], %[l3]\n\t"
        "adcq %[top], %[l4]\n\t"
        "setc %[c]"
        : [c] "=r"(carry), [top] "+&r"(top), [p0] "+&r"(p.p0), [p1] "+&r"(p.p1), [p2] "+&r"(p.p2),
          [p3] "+&r"(p.p3), [l0] "+m"(limbs[0]), [l1] "+m"(limbs[1]), [l2] "+m"(limbs[2]),
          [l3] "+m"(limbs[3]), [l4] "+m"(limbs[4])
        : "c"(shift)
        : "cc");
    return carry != 0;
#else
    // v >> (64 - shift) that is 0 for shift 0.
    const auto spill = [shift](u64 v) { return (v >> 1) >> (63 - shift); };
    const u64 terms[5] = {p.p0 << shift, (p.p1 << shift) | spill(p.p0),
                          (p.p2 << shift) | spill(p.p1), (p.p3 << shift) | spill(p.p2),
                          spill(p.p3)};
    u64 carry = 0;
    for (int i = 0; i < 5; ++i) {
        const u128 sum = u128(limbs[i]) + terms[i] + carry;
        limbs[i] = low64(sum);
        carry = high64(sum);
    }
    return carry != 0;
#endif
}

// Adds the four limbs of p to the five limbs at `limbs` (lowest first), the carry into the fifth.
__attribute__((always_inline)) inline void add_into_five(u64* limbs, Product p) {
#if defined(__x86_64__)
    asm("addq %[p0], %[l0]\n\t"
        "adcq %[p1], %[l1]\n\t"
        "adcq %[p2], %[l2]\n\t"
        "adcq %[p3], %[l3]\n\t"
        "adcq $0, %[l4]"
        : [l0] "+m"(limbs[0]), [l1] "+m"(limbs[1]), [l2] "+m"(limbs[2]), [l3] "+m"(limbs[3]),
          [l4] "+m"(limbs[4])
        : [p0] "r"(p.p0), [p1] "r"(p.p1), [p2] "r"(p.p2), [p3] "r"(p.p3)
        : "cc");
#else
    const u64 terms[4] = {p.p0, p.p1, p.p2, p.p3};
    u64 carry = 0;
    for (int i = 0; i < 4; ++i) {
        const u128 sum = u128(limbs[i]) + terms[i] + carry;
        limbs[i] = low64(sum);
        carry = high64(sum);
    }
    limbs[4] += carry;
#endif
}

} // namespace tarvex::limbs
