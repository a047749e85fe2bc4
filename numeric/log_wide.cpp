// Natural logarithm of binary128 values in 192-bit integer arithmetic: fast_log_wide, which
// decides the arguments the short path of numeric/fast_log.cpp cannot.
// With x = m * 2**E, m in [1, 2):
//   log x = E*log 2 - log c1 - log c2 + log(1 + z),   z = m*c1*c2 - 1,
// where c1 (from m's top 8 fraction bits) and c2 (from z1 = m*c1 - 1) come from tables whose
// logarithms are held to 176 fraction bits, and z is formed exactly (|z| < 2**-17.6). The series
// log(1 + z) = z + z*z*q(z) runs in fixed point relative to z, so a result near 0 (x near 1) keeps
// its full relative precision. The pieces are summed in 192-bit fixed point and rounded once.
#include "numeric/fast_log.hpp"

#include "numeric/log_reduction.hpp"
#include "numeric/wide_fixed.hpp"

#include <cstdint>
#include <cstring>

namespace tarvex {

namespace {

using namespace fixed192;

constexpr int Z_SCALE = 144;      // z  = Z  * 2**-144
constexpr int SERIES_SCALE = 126; // q(z) and z*q(z) in units of 2**-126
constexpr int SUM_SCALE = 176;    // fraction bits of the 192-bit sum and of the tables

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

struct SeriesTerms {
    i128 term[SERIES_DEGREE + 1];
};

constexpr SeriesTerms make_series_terms() {
    SeriesTerms t{};
    for (int k = 0; k <= SERIES_DEGREE; ++k) t.term[k] = series_term(k);
    return t;
}

constexpr SeriesTerms SERIES = make_series_terms(); // no 128-bit division at run time

// The approximation of log(x) for x > 0 finite; the error bound in units of its scale:
//   tables: log 2 and the two -log(c) are each within 2**-177, so |E| + 2 units of 2**-176;
//   series: w = z*q(z) is within 2 units of 2**-126 (truncation of each product, of the
//   coefficients, and the terms beyond z**8, below 2**-18 units), so log(1 + z) is within
//   |z| * 2**-124.4 relatively, plus one unit for each truncation of the sum.
Approximation log_approximation(Real x) {
    Approximation out;
    u128 bits;
    std::memcpy(&bits, &x, sizeof bits);
    const int field = int(bits >> SIGNIFICAND_BITS) & 0xffff;
    if (field >= 0x7fff || (field == 0 && x <= 0)) return out; // sign set, zero, inf, NaN
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
    const log_reduction::Reduced reduced = log_reduction::reduce(M);
    const i128 Z = reduced.Z;

    const u64 table_error = u64(E < 0 ? -E : E) + 4;
    Wide A = log_reduction::table_sum(E, reduced);
    out.valid = true;
    out.scale = SUM_SCALE;
    if (Z == 0) {
        if (is_zero(A)) return out; // log 1 = 0 exactly: the magnitude stays zero
        out.negative = is_negative(A);
        out.magnitude = out.negative ? negate(A) : A;
        out.error = table_error;
        return out;
    }
    // log(1 + z) = z * (1 + w), w = z*q(z), with |z| normalised to bit 126.
    i128 q = SERIES.term[SERIES_DEGREE];
    for (int k = SERIES_DEGREE - 1; k >= 0; --k) q = SERIES.term[k] + times_z(q, Z);
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
    if (is_zero(A)) {
        out.negative = log1p_negative;
        out.magnitude = Wide{{u64(L), u64(L >> 64), 0}};
        out.scale = Z_SCALE + shift;
        out.error = u64(L >> 123) + 2;
        return out;
    }
    const Wide part = shifted(L, SUM_SCALE - Z_SCALE - shift);
    const Wide S = add(A, log1p_negative ? negate(part) : part);
    out.negative = is_negative(S);
    out.magnitude = out.negative ? negate(S) : S;
    // |z| * 2**-124 in units of 2**-176, with |z| = zabs * 2**-144.
    out.error = u64(zabs >> 92) + 1 + table_error;
    return out;
}

} // namespace

Real fast_log_wide(Real x) {
    const Approximation a = log_approximation(x);
    if (!a.valid) return logq(x);
    if (is_zero(a.magnitude)) return 0;
    return nearest(a);
}

} // namespace tarvex
