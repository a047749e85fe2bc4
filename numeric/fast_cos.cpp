// Cosine of binary128 values in integer arithmetic. With |x| = t exact in fixed point,
//   t = k*pi/2 + r,  |r| <= pi/4,   cos t = cos r, -sin r, -cos r or sin r by k mod 4,
//   |r| = a + d,     a = j/64,  |d| <= 2**-7,
//   sin(a + d) = sin a + cos a * sin d - sin a * (1 - cos d),
//   cos(a + d) = cos a - sin a * sin d - cos a * (1 - cos d),
//   sin d = d + d*ws,  ws = d*d * p(d*d),     1 - cos d = cd = d*d * h(d*d),
// with sin a and cos a from a table held to 190 fraction bits and the two short series in 128-bit
// fixed point. The sum is formed in 192-bit fixed point with 190 fraction bits and rounded once.
// Errors, in units of 2**-190 unless said: pi/2 truncated (k <= 5 units of 2**-188 in r), the
// table (1/2 each), each product truncated (1 each); ws and cd within 2**-141 (d*d truncated to
// 2**-141, Horner's truncations, the terms left out below 2**-150), which reach the result times
// d or times sin a, cos a. So the result is within about 2**-140 of its size: where sin r is
// taken, |r| >= 2**-50 keeps r's own error within 2**-135 of it, and for j >= 1 the result is at
// least sin a / 2.
#include "numeric/fast_cos.hpp"

#include "numeric/cos_tables.hpp"
#include "numeric/wide_fixed.hpp"

#include <cstring>

namespace tarvex {

namespace {

using namespace fixed192;

constexpr int ARG_SCALE = 188;      // t, r and d: fraction bits (|t| < 8)
constexpr int SUM_SCALE = 190;      // the table, the products and the sum
constexpr int D_SCALE = 133;        // |d| as a 128-bit integer (|d| <= 2**-7)
constexpr int Y_SCALE = 141;        // y = d*d
constexpr int SERIES_SCALE = 126;   // p, h and their Horner partial sums
constexpr int WS_SCALE = 143;       // ws = y*p(y)
constexpr int CD_SCALE = 142;       // cd = y*h(y)
constexpr int LARGEST_EXPONENT = 2; // |x| < 8
constexpr int ROUNDS_TO_ONE = -57;  // |x| < 2**-57: cos x is within half a unit of 1
constexpr int SINE_FLOOR = 50;      // sin r for |r| < 2**-50 goes to cosq
constexpr int TABLE_STEP_BITS = 6;  // a = j / 64
constexpr u64 TWO_OVER_PI_Q64 = 0xa2f9836e4e441529ULL; // 2/pi * 2**64, truncated

// sign(a) * (|a| * b) >> shift, for a shift in [1, 255] that leaves the result below 2**127.
inline i128 multiply_signed(i128 a, u128 b, int shift) {
    u128 high, low;
    multiply(a < 0 ? -u128(a) : u128(a), b, high, low);
    const u128 magnitude =
        shift >= 128 ? high >> (shift - 128) : (high << (128 - shift)) | (low >> shift);
    return a < 0 ? -i128(magnitude) : i128(magnitude);
}

// The series s(y) = c[0] + c[1]*y + ... by Horner's rule, in units of 2**-126.
template <int N>
inline i128 horner(const __int128 (&c)[N], u128 y) {
    i128 s = c[N - 1];
    for (int k = N - 2; k >= 0; --k) s = c[k] + multiply_signed(s, y, Y_SCALE);
    return s;
}

inline Wide magnitude_of(const Wide& a) {
    return is_negative(a) ? negate(a) : a;
}

} // namespace

Real fast_cos(Real x) {
    u128 bits;
    std::memcpy(&bits, &x, sizeof bits);
    const int field = int(bits >> SIGNIFICAND_BITS) & 0x7fff;
    const int exponent = field - EXPONENT_BIAS;
    if (field == 0x7fff || exponent > LARGEST_EXPONENT) return cosq(x);
    if (field == 0 || exponent < ROUNDS_TO_ONE) return 1;

    // t = |x| with 188 fraction bits, exact: its lowest bit is at least 2**(-57 - 112).
    const u128 significand =
        (bits & ((u128(1) << SIGNIFICAND_BITS) - 1)) | (u128(1) << SIGNIFICAND_BITS);
    const Wide t = shifted(significand, exponent - SIGNIFICAND_BITS + ARG_SCALE);

    // k = round(t * 2/pi) from t's top bits; near a half-integer k may be either neighbour, which
    // leaves |r| within pi/4 + 2**-58, inside the table.
    u128 high, low;
    multiply(bits_from(t, ARG_SCALE - 64), TWO_OVER_PI_Q64, high, low);
    const u128 rounded_low = low + (u128(1) << 127);
    const int k = int(high + (rounded_low < low));
    const Wide r = subtract(t, times(k, wide_of(cos_tables::HALF_PI)));
    const bool r_negative = is_negative(r);
    const Wide rho = magnitude_of(r);

    // cos(k*pi/2 + r) by the quadrant: sine of |r| for odd k, with the signs of cos and sin r.
    const int quadrant = k & 3;
    const bool sine = (quadrant & 1) != 0;
    const bool negative =
        quadrant == 2 || (quadrant == 1 && !r_negative) || (quadrant == 3 && r_negative);
    if (sine && (is_zero(rho) || leading_bit(rho) < ARG_SCALE - SINE_FLOOR)) return cosq(x);

    // |r| = j/64 + d.
    const Wide half_step = power_of_two(ARG_SCALE - TABLE_STEP_BITS - 1);
    const int j = int(bits_from(add(rho, half_step), ARG_SCALE - TABLE_STEP_BITS));
    const Wide d = subtract(rho, times(j, power_of_two(ARG_SCALE - TABLE_STEP_BITS)));
    const bool d_negative = is_negative(d);
    const Wide d_abs = magnitude_of(d);

    // y = d*d, ws = y*p(y) (negative), cd = y*h(y).
    const u128 D = bits_from(d_abs, ARG_SCALE - D_SCALE);
    multiply(D, D, high, low);
    const int y_shift = 2 * D_SCALE - Y_SCALE;
    const u128 y = (high << (128 - y_shift)) | (low >> y_shift);
    const i128 ws =
        multiply_signed(horner(cos_tables::SINE_SERIES, y), y, SERIES_SCALE + Y_SCALE - WS_SCALE);
    const i128 cd =
        multiply_signed(horner(cos_tables::COSINE_SERIES, y), y, SERIES_SCALE + Y_SCALE - CD_SCALE);

    // sin|d| = |d| + |d|*ws, with 190 fraction bits.
    const Wide d_ws = multiply_shifted(d_abs, shifted(ws < 0 ? -u128(ws) : u128(ws), 0),
                                       ARG_SCALE + WS_SCALE - SUM_SCALE);
    const Wide sin_d =
        add(times(1 << (SUM_SCALE - ARG_SCALE), d_abs), ws < 0 ? negate(d_ws) : d_ws);

    const auto& at = cos_tables::AT[j];
    const Wide same = wide_of(sine ? at.sine : at.cosine);  // sin a for sin r, cos a for cos r
    const Wide other = wide_of(sine ? at.cosine : at.sine); // the other one
    const Wide cross = multiply_shifted(other, sin_d, SUM_SCALE);
    const Wide drop = multiply_shifted(same, shifted(u128(cd), 0), CD_SCALE);
    // sin(a + d) = sin a + cos a * sin d - sin a * cd; cos(a + d) = cos a - sin a * sin d - cos a *
    // cd, with sin d = -sin|d| when d < 0.
    const bool cross_negative = sine == d_negative;
    Wide sum = subtract(same, drop);
    sum = cross_negative ? subtract(sum, cross) : add(sum, cross);
    if (is_negative(sum) || is_zero(sum)) return cosq(x); // cannot happen for |r| <= pi/4 + 2**-58
    return round_to_real(negative, sum, SUM_SCALE);
}

} // namespace tarvex
