// Natural logarithm of binary128 values in integer arithmetic. With x = m * 2**E, m in [1, 2):
//   log x = E*log 2 - log c1 - log c2 + log(1 + z),   z = m*c1*c2 - 1,
// where c1 (from m's top 8 fraction bits) and c2 (from z1 = m*c1 - 1) come from tables whose
// logarithms are held to 176 fraction bits, and z is formed exactly (|z| < 2**-17.6). The series
// log(1 + z) = z + z*z*q(z) runs in fixed point relative to z, so a result near 0 (x near 1) keeps
// its full relative precision. The pieces are summed in 192-bit fixed point and rounded once.
#include "numeric/fast_log.hpp"

#include "numeric/log_tables.hpp"

#include <cstdint>
#include <cstring>

namespace tarvex {

namespace {

using u64 = std::uint64_t;
using u128 = unsigned __int128;
using i128 = __int128;

constexpr int STAGE1_SCALE = 125; // z1 = Z1 * 2**-125
constexpr int Z_SCALE = 144;      // z  = Z  * 2**-144
constexpr int SERIES_SCALE = 126; // q(z) and z*q(z) in units of 2**-126
constexpr int SUM_SCALE = 176;    // fraction bits of the 192-bit sum and of the tables
constexpr int STAGE2_SHIFT = 108; // stage 2 steps of 2**-17 in units of 2**-125
constexpr int EXPONENT_BIAS = 16383;
constexpr int SIGNIFICAND_BITS = 112; // stored fraction bits

// A 192-bit two's complement number, low limb first.
struct Wide {
    u64 w[3];
};

inline Wide wide_of(const u64 (&limbs)[3]) {
    return {{limbs[0], limbs[1], limbs[2]}};
}

inline Wide add(const Wide& a, const Wide& b) {
    Wide r;
    u128 s = u128(a.w[0]) + b.w[0];
    r.w[0] = u64(s);
    s = u128(a.w[1]) + b.w[1] + u64(s >> 64);
    r.w[1] = u64(s);
    r.w[2] = a.w[2] + b.w[2] + u64(s >> 64);
    return r;
}

inline Wide negate(const Wide& a) {
    return add(Wide{{~a.w[0], ~a.w[1], ~a.w[2]}}, Wide{{1, 0, 0}});
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

// The value v * 2**shift (shift in [-191, 63]) of a non-negative v below 2**127, truncated.
inline Wide shifted(u128 v, int shift) {
    if (shift <= -128) return Wide{{0, 0, 0}};
    if (shift < 0) {
        const u128 s = v >> -shift;
        return Wide{{u64(s), u64(s >> 64), 0}};
    }
    const u128 high = shift == 0 ? v >> 64 : v >> (64 - shift);
    return Wide{{u64(v) << shift, u64(high), u64(high >> 64)}};
}

// The full 256-bit product of two unsigned 128-bit numbers.
inline void multiply(u128 a, u128 b, u128& high, u128& low) {
    const u128 a0 = u64(a), a1 = a >> 64, b0 = u64(b), b1 = b >> 64;
    const u128 p00 = a0 * b0, p01 = a0 * b1, p10 = a1 * b0, p11 = a1 * b1;
    const u128 middle = (p00 >> 64) + u64(p01) + u64(p10);
    low = (middle << 64) | u64(p00);
    high = p11 + (p01 >> 64) + (p10 >> 64) + (middle >> 64);
}

// q * z in units of 2**-126, for q in units of 2**-126 and z in units of 2**-144.
inline i128 times_z(i128 q, i128 z) {
    u128 high, low;
    multiply(q < 0 ? -u128(q) : u128(q), z < 0 ? -u128(z) : u128(z), high, low);
    const i128 magnitude = i128(high >> (Z_SCALE - 128));
    return (q < 0) != (z < 0) ? -magnitude : magnitude;
}

// Coefficient k of q(z) = -1/2 + z/3 - z**2/4 + ... : (-1)**(k+1) / (k+2) in units of 2**-126.
constexpr i128 series_term(int k) {
    const i128 value = (i128(1) << SERIES_SCALE) / (k + 2);
    return k % 2 == 0 ? -value : value;
}
constexpr int SERIES_DEGREE = 6; // log(1+z) through z**8: the rest is below |z| * 2**-144

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
Real round_to_real(bool negative, const Wide& magnitude, int scale) {
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

} // namespace

Real fast_log(Real x) {
    u128 bits;
    std::memcpy(&bits, &x, sizeof bits);
    const int field = int(bits >> SIGNIFICAND_BITS) & 0xffff;
    if (field == 0 || field >= 0x7fff) { // sign set, zero, subnormal, infinite or NaN
        if (field != 0 || x <= 0) return logq(x);
    }
    // x = M * 2**(E - 112) with M in [2**112, 2**113).
    u128 M = bits & ((u128(1) << SIGNIFICAND_BITS) - 1);
    int E;
    if (field == 0) {
        const int lead =
            M >> 64 ? 127 - __builtin_clzll(u64(M >> 64)) : 63 - __builtin_clzll(u64(M));
        M <<= SIGNIFICAND_BITS - lead;
        E = 1 - EXPONENT_BIAS - (SIGNIFICAND_BITS - lead);
    } else {
        M |= u128(1) << SIGNIFICAND_BITS;
        E = field - EXPONENT_BIAS;
    }
    // Stage 1: z1 = m*c1 - 1, exact.
    const auto& first = log_tables::STAGE1[int(M >> (SIGNIFICAND_BITS - 8)) & 0xff];
    const i128 Z1 = i128(M * first.c) - (i128(1) << STAGE1_SCALE);
    // Stage 2: z = (1 + z1)*c2 - 1, exact; the true value fits, so arithmetic modulo 2**128 gives
    // it.
    const int index2 =
        int((Z1 + (i128(1) << (STAGE2_SHIFT - 1))) >> STAGE2_SHIFT) + log_tables::STAGE2_OFFSET;
    const auto& second = log_tables::STAGE2[index2];
    const i128 Z = i128(((u128(1) << STAGE1_SCALE) + u128(Z1)) * second.c);

    Wide A = add(add(times(E, wide_of(log_tables::LN2)), wide_of(first.minus_log)),
                 wide_of(second.minus_log));
    if (Z == 0) {
        if (is_zero(A)) return 0;
        const bool negative = is_negative(A);
        return round_to_real(negative, negative ? negate(A) : A, SUM_SCALE);
    }
    // log(1 + z) = z * (1 + w), w = z*q(z), with |z| normalised to bit 126.
    i128 q = series_term(SERIES_DEGREE);
    for (int k = SERIES_DEGREE - 1; k >= 0; --k) q = series_term(k) + times_z(q, Z);
    const i128 w = times_z(q, Z);
    const u128 zabs = Z < 0 ? -u128(Z) : u128(Z);
    const int shift =
        (zabs >> 64 ? __builtin_clzll(u64(zabs >> 64)) : 64 + __builtin_clzll(u64(zabs))) - 1;
    const u128 zn = zabs << shift;
    u128 high, low;
    multiply(zn, w < 0 ? -u128(w) : u128(w), high, low);
    const u128 correction = (high << (128 - SERIES_SCALE)) | (low >> SERIES_SCALE);
    const u128 L = w < 0 ? zn - correction : zn + correction; // |log(1 + z)| * 2**(144 + shift)
    const bool log1p_negative = Z < 0;
    if (is_zero(A))
        return round_to_real(log1p_negative, Wide{{u64(L), u64(L >> 64), 0}}, Z_SCALE + shift);
    const Wide part = shifted(L, SUM_SCALE - Z_SCALE - shift);
    const Wide S = add(A, log1p_negative ? negate(part) : part);
    const bool negative = is_negative(S);
    return round_to_real(negative, negative ? negate(S) : S, SUM_SCALE);
}

} // namespace tarvex
