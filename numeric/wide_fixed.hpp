// 192-bit two's complement fixed-point numbers for the integer-arithmetic elementary functions
// (numeric/log_wide.cpp, numeric/fast_log.cpp, numeric/fast_cos.cpp), 128-bit products for their
// short paths (numeric/fast_exp.cpp), and the rounding of such an approximation to
// binary128 when its error bound allows only one result.
#pragma once

#include "numeric/real.hpp"

#include <cstdint>
#include <cstring>
#if defined(__x86_64__)
#include <immintrin.h>
#endif

namespace tarvex::fixed192 {

using u64 = std::uint64_t;
using u128 = unsigned __int128;
using i128 = __int128;

constexpr int EXPONENT_BIAS = 16383;
constexpr int SIGNIFICAND_BITS = 112; // stored fraction bits

// A 192-bit two's complement number, low limb first.
struct Wide {
    u64 w[3];
};

inline Wide wide_of(const u64 (&limbs)[3]) {
    return {{limbs[0], limbs[1], limbs[2]}};
}

// On x86-64 an add-with-carry chain: the compiler's 128-bit form saves and restores the carry
// through registers and takes about three times the instructions.
inline Wide add(const Wide& a, const Wide& b) {
    Wide r;
#if defined(__x86_64__)
    unsigned long long t0, t1, t2;
    const unsigned char c0 = _addcarry_u64(0, a.w[0], b.w[0], &t0);
    const unsigned char c1 = _addcarry_u64(c0, a.w[1], b.w[1], &t1);
    _addcarry_u64(c1, a.w[2], b.w[2], &t2);
    r.w[0] = t0;
    r.w[1] = t1;
    r.w[2] = t2;
#else
    u128 s = u128(a.w[0]) + b.w[0];
    r.w[0] = u64(s);
    s = u128(a.w[1]) + b.w[1] + u64(s >> 64);
    r.w[1] = u64(s);
    r.w[2] = a.w[2] + b.w[2] + u64(s >> 64);
#endif
    return r;
}

inline Wide negate(const Wide& a) {
    return add(Wide{{~a.w[0], ~a.w[1], ~a.w[2]}}, Wide{{1, 0, 0}});
}

inline Wide subtract(const Wide& a, const Wide& b) {
    return add(a, negate(b));
}

inline bool is_zero(const Wide& a) {
    return (a.w[0] | a.w[1] | a.w[2]) == 0;
}
inline bool is_negative(const Wide& a) {
    return (a.w[2] >> 63) != 0;
}

// n times a non-negative value; |n| * value stays below 2**191.
inline Wide times(int n, const Wide& v) {
    const u64 k = n < 0 ? u64(-static_cast<long long>(n)) : u64(n);
    Wide r;
    const u128 p0 = u128(v.w[0]) * k;
    const u128 p1 = u128(v.w[1]) * k + u64(p0 >> 64);
    r.w[0] = u64(p0);
    r.w[1] = u64(p1);
    r.w[2] = v.w[2] * k + u64(p1 >> 64);
    return n < 0 ? negate(r) : r;
}

// The value v * 2**shift (shift in [-191, 127]) of a non-negative v, truncated; the result is
// below 2**192.
inline Wide shifted(u128 v, int shift) {
    if (shift <= -128) return Wide{{0, 0, 0}};
    if (shift < 0) {
        const u128 s = v >> -shift;
        return Wide{{u64(s), u64(s >> 64), 0}};
    }
    if (shift >= 64) {
        const int s = shift - 64;
        return Wide{{0, u64(v) << s, u64(s ? v >> (64 - s) : v >> 64)}};
    }
    const u128 high = shift == 0 ? v >> 64 : v >> (64 - shift);
    return Wide{{u64(v) << shift, u64(high), u64(high >> 64)}};
}

// 2**bit, for bit in [0, 191).
inline Wide power_of_two(int bit) {
    Wide r{{0, 0, 0}};
    r.w[bit / 64] = u64(1) << (bit % 64);
    return r;
}

// A signed v times 2**shift, shift in [0, 63].
inline Wide shifted_signed(i128 v, int shift) {
    const Wide magnitude = shifted(v < 0 ? -u128(v) : u128(v), shift);
    return v < 0 ? negate(magnitude) : magnitude;
}

// The full 256-bit product of two unsigned 128-bit numbers.
inline void multiply(u128 a, u128 b, u128& high, u128& low) {
    const u128 a0 = u64(a), a1 = a >> 64, b0 = u64(b), b1 = b >> 64;
    const u128 p00 = a0 * b0, p01 = a0 * b1, p10 = a1 * b0, p11 = a1 * b1;
    const u128 middle = (p00 >> 64) + u64(p01) + u64(p10);
    low = (middle << 64) | u64(p00);
    high = p11 + (p01 >> 64) + (p10 >> 64) + (middle >> 64);
}

// (a * b) >> shift for shift in [128, 192) from three of the four partial products: the lowest
// and the carries out of the middle ones are left out (under 3 units of 2**128), so the result
// is at most a * b * 2**-shift and less than 1 + 2**(130 - shift) units below it.
inline u128 product_shifted(u128 a, u128 b, int shift) {
    const u128 a0 = u64(a), a1 = a >> 64, b0 = u64(b), b1 = b >> 64;
    return (a1 * b1 + ((a1 * b0) >> 64) + ((a0 * b1) >> 64)) >> (shift - 128);
}

// Bits [shift, shift + 192) of the product of two non-negative values, which are all of it
// above 2**shift.
inline Wide multiply_shifted(const Wide& a, const Wide& b, int shift) {
    u64 p[6] = {};
    for (int i = 0; i < 3; ++i) {
        u64 carry = 0;
        for (int j = 0; j < 3; ++j) {
            const u128 t = u128(a.w[i]) * b.w[j] + p[i + j] + carry;
            p[i + j] = u64(t);
            carry = u64(t >> 64);
        }
        p[i + 3] = carry;
    }
    const int limb = shift / 64, bit = shift % 64;
    Wide r;
    for (int k = 0; k < 3; ++k) {
        const u64 low = limb + k < 6 ? p[limb + k] : 0;
        const u64 high = limb + k + 1 < 6 ? p[limb + k + 1] : 0;
        r.w[k] = bit ? (low >> bit) | (high << (64 - bit)) : low;
    }
    return r;
}

inline int leading_bit(const Wide& a) {
    if (a.w[2]) return 191 - __builtin_clzll(a.w[2]);
    if (a.w[1]) return 127 - __builtin_clzll(a.w[1]);
    return 63 - __builtin_clzll(a.w[0]);
}

// Bits [shift, shift + 128) of a, for shift in [0, 192).
inline u128 bits_from(const Wide& a, int shift) {
    const int limb = shift / 64, bit = shift % 64;
    auto get = [&](int k) -> u64 { return k < 3 ? a.w[k] : 0; };
    const u64 lo = bit ? (get(limb) >> bit) | (get(limb + 1) << (64 - bit)) : get(limb);
    const u64 hi = bit ? (get(limb + 1) >> bit) | (get(limb + 2) << (64 - bit)) : get(limb + 1);
    return (u128(hi) << 64) | lo;
}

inline bool any_below(const Wide& a, int shift) {
    for (int k = 0; k < 3 && shift > 0; ++k, shift -= 64) {
        const u64 mask = shift >= 64 ? ~u64(0) : (u64(1) << shift) - 1;
        if (a.w[k] & mask) return true;
    }
    return false;
}

// The binary128 value nearest to (-1)**negative * magnitude * 2**-scale (ties to even); the
// magnitude is non-zero and the result a normal number.
inline Real round_to_real(bool negative, const Wide& magnitude, int scale) {
    const int top = leading_bit(magnitude);
    int exponent = top - scale;
    u128 significand;
    const int drop = top - SIGNIFICAND_BITS;
    if (drop <= 0) {
        significand = bits_from(magnitude, 0) << -drop;
    } else {
        significand = bits_from(magnitude, drop);
        const bool round = (bits_from(magnitude, drop - 1) & 1) != 0;
        if (round && ((significand & 1) || any_below(magnitude, drop - 1))) ++significand;
        if (significand >> (SIGNIFICAND_BITS + 1)) {
            significand >>= 1;
            ++exponent;
        }
    }
    const u128 fraction = significand & ((u128(1) << SIGNIFICAND_BITS) - 1);
    const u128 bits =
        (u128(negative) << 127) | (u128(exponent + EXPONENT_BIAS) << SIGNIFICAND_BITS) | fraction;
    Real out;
    std::memcpy(&out, &bits, sizeof out);
    return out;
}

// An approximation (-1)**negative * magnitude * 2**-scale of an exact value that lies within
// `error` units of 2**-scale of it. Not `valid` when the routine could not form one.
struct Approximation {
    bool valid = false;
    bool negative = false;
    Wide magnitude{{0, 0, 0}};
    int scale = 0;
    u64 error = 0;
};

// The approximation rounded to nearest, its error ignored.
inline Real nearest(const Approximation& a) {
    return round_to_real(a.negative, a.magnitude, a.scale);
}

} // namespace tarvex::fixed192
