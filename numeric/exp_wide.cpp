// Exponential of binary128 values in 192-bit integer arithmetic: fast_exp_wide, which decides the
// arguments the 128-bit path of numeric/fast_exp.cpp cannot. With N = 256 n + j the integer nearest
// to x * 256 / log 2, r = x - N log 2 / 256 (|r| <= log 2 / 512), i the integer nearest to
// r * 2**17 and z = r - i * 2**-17 (|z| <= 2**-18):
//   exp x = 2**n * 2**(j/256) * exp(i * 2**-17) * (1 + z + z*z*q(z)),
// the two factors from tables held to 190 fraction bits (numeric/exp_tables.hpp). x is exact in
// 192-bit fixed point with 176 fraction bits, and so is r but for the rounding of the logarithms
// (below 2**-162). The series runs in 128-bit fixed point; every step truncates by less than
// 2**-144 of the result, so the value before its one rounding is within 2**-141 relative.
#include "numeric/fast_exp.hpp"

#include "numeric/exp_tables.hpp"
#include "numeric/wide_fixed.hpp"

namespace tarvex {

namespace {

using namespace fixed192;

constexpr int X_SCALE = 176;      // x, r and the table logarithms: units of 2**-176
constexpr int Z_SCALE = 144;      // z in units of 2**-144
constexpr int SERIES_SCALE = 126; // q(z) and z*q(z) in units of 2**-126
constexpr int VALUE_SCALE = 190;  // the table values and the product: units of 2**-190

// |x| above this leaves the normal range (log of the largest finite value 11356.52, of the
// smallest normal -11355.14); below 2**-64 its fixed-point form would not be exact.
// Compared as bit patterns: for non-negative values their order is the numbers' order.
constexpr u128 LARGEST_ARGUMENT = (u128(0x400c62d8) << 96); // 11355
constexpr int SMALLEST_EXPONENT = -64;

// Coefficient k of q(z) = 1/2 + z/6 + z**2/24 + ... : 1/(k+2)! in units of 2**-126. Through z**7
// the rest, z**8/8!, is below 2**-159.
constexpr int SERIES_DEGREE = 5;
struct Series {
    i128 c[SERIES_DEGREE + 1];
};
constexpr Series series_terms() {
    Series s{};
    i128 factorial = 1;
    for (int k = 0; k <= SERIES_DEGREE; ++k) {
        factorial *= k + 2;
        s.c[k] = (i128(1) << SERIES_SCALE) / factorial;
    }
    return s;
}
constexpr Series SERIES = series_terms();

// q * z in units of 2**-126, for q in units of 2**-126 and z in units of 2**-144. The lowest
// partial product and the carries out of the middle ones are left out: at most 3 units of 2**128
// in the product, below 2**-16 units of the result.
inline i128 times_z(i128 q, i128 z) {
    const u128 a = q < 0 ? -u128(q) : u128(q), b = z < 0 ? -u128(z) : u128(z);
    const u128 a0 = u64(a), a1 = a >> 64, b0 = u64(b), b1 = b >> 64;
    const u128 high = a1 * b1 + ((a1 * b0) >> 64) + ((a0 * b1) >> 64);
    const i128 magnitude = i128(high >> (Z_SCALE - 128));
    return (q < 0) != (z < 0) ? -magnitude : magnitude;
}

// a * b * 2**-190, truncated, for a, b unsigned 192-bit with product below 2**381.
inline Wide table_product(const u64 (&a)[3], const u64 (&b)[3]) {
    u64 p[6] = {0, 0, 0, 0, 0, 0};
    for (int k = 0; k < 3; ++k) {
        u64 carry = 0;
        for (int m = 0; m < 3; ++m) {
            const u128 t = u128(a[k]) * b[m] + p[k + m] + carry;
            p[k + m] = u64(t);
            carry = u64(t >> 64);
        }
        p[k + 3] = carry;
    }
    constexpr int bit = VALUE_SCALE - 128; // the product's bits from 190 are limbs 2.. from 62
    return Wide{{(p[2] >> bit) | (p[3] << (64 - bit)), (p[3] >> bit) | (p[4] << (64 - bit)),
                 (p[4] >> bit) | (p[5] << (64 - bit))}};
}

} // namespace

Real fast_exp_wide(Real x) {
    u128 bits;
    std::memcpy(&bits, &x, sizeof bits);
    const int field = int(bits >> SIGNIFICAND_BITS) & 0x7fff;
    const int e = field - EXPONENT_BIAS;
    if (e < SMALLEST_EXPONENT || (bits & ~(u128(1) << 127)) > LARGEST_ARGUMENT) return expq(x);
    const bool negative = (bits >> 127) != 0;
    // |x| = M * 2**(e - 112), exactly M * 2**(e + 64) units of 2**-176; M << 14 < 2**127.
    const u128 M = (bits & ((u128(1) << SIGNIFICAND_BITS) - 1)) | (u128(1) << SIGNIFICAND_BITS);
    const Wide magnitude = shifted(M << 14, e + (X_SCALE - SIGNIFICAND_BITS) - 14);
    // N from |x| truncated to 48 fraction bits (its top limb) and 256/log 2 to 55 bits: within
    // 2**-39 of |x| * 256/log 2, so |r| stays below log 2 / 512 + 2**-48.
    const u128 scaled = u128(magnitude.w[2]) * exp_tables::INVERSE_LOG_STEP;
    const long long n_abs = static_cast<long long>((scaled + (u128(1) << 102)) >> 103);
    const long long N = negative ? -n_abs : n_abs;
    const int n = static_cast<int>(N >> 8);
    const auto& first = exp_tables::STAGE1[N & 255];
    const Wide X = negative ? negate(magnitude) : magnitude;
    Wide r = subtract(subtract(X, times(n, wide_of(exp_tables::LN2))), wide_of(first.log));
    // i from r's top limb (r * 2**48, rounded down): |i| <= 177.
    const long long i = (static_cast<long long>(r.w[2]) + (1LL << 30)) >> 31; // round(r * 2**17)
    r.w[2] -= u64(i) << 31; // z = r - i * 2**-17, exactly
    const i128 Z = i128((u128(r.w[2]) << 96) | (u128(r.w[1]) << 32) | (r.w[0] >> 32));

    // exp(z) - 1 = p = z + z*w, w = z*q(z), in units of 2**-144.
    i128 q = SERIES.c[SERIES_DEGREE];
    for (int k = SERIES_DEGREE - 1; k >= 0; --k) q = SERIES.c[k] + times_z(q, Z);
    const i128 w = times_z(q, Z);
    u128 high, low;
    multiply(Z < 0 ? -u128(Z) : u128(Z), w < 0 ? -u128(w) : u128(w), high, low);
    const i128 zw = i128((high << (128 - SERIES_SCALE)) | (low >> SERIES_SCALE));
    const i128 p = (Z < 0) != (w < 0) ? Z - zw : Z + zw;

    // T = 2**(j/256) * exp(i * 2**-17), then T + T*p, in units of 2**-190.
    const Wide T = table_product(first.value, exp_tables::STAGE2[exp_tables::STAGE2_OFFSET + i]);
    // (T >> 64) * |p| is in units of 2**-270; its bits from 80 are T*|p| in units of 2**-190.
    multiply((u128(T.w[2]) << 64) | T.w[1], p < 0 ? -u128(p) : u128(p), high, low);
    const Wide Tp{{u64(low >> 80) | (u64(high) << 48), u64(high >> 16), u64(high >> 80)}};
    const Wide S = p < 0 ? subtract(T, Tp) : add(T, Tp);
    return round_to_real(false, S, VALUE_SCALE - n);
}

} // namespace tarvex
