// Elementary and special functions of the expression language (see elementary_functions.hpp).
// Measured against a 300-bit reference, libquadmath's acos, asin, atan, cos, cosh and log10
// came within one unit but tan, sinh, tanh, erf, erfc and tgamma did not (up to 3.4 units for
// tgamma); every function here is therefore computed in double-binary128 and rounded once, or
// for the inverse trigonometric functions corrected by one Newton step in double-binary128.
#include "numeric/elementary_functions.hpp"

#include "numeric/qmath.hpp"
#include "numeric/wide_functions.hpp"

namespace tarvex::elem {

namespace {

const Real INFINITE = __builtin_infq();
const Real NOT_A_NUMBER = nanq("");
const Wide INV_LN10 = {0x1.bcb7b1526e50e32a6ab7555f5a68p-2Q,
                       -0x1.1e6e08e5cfedd1b2efee2e0695d8p-116Q};
const Wide LN2 = {0x1.62e42fefa39ef35793c767300000p-1Q, 0x1.f97b57a079a193394c5b16c5068cp-103Q};
const Wide HALF_LOG_2PI = {0x1.d67f1c864beb4a69297920028832p-1Q,
                           0x1.011e7d847c689a2c5a6ef635189ap-115Q};
// Above this |x|, e^-|x| no longer reaches the rounding of sinh, cosh or tanh.
const Real EXP_NEGLIGIBLE = 80;
// Below this |x|, sinh x is x (1 + x^2/6 + ...) by its series.
const Real SINH_SERIES = 1;
// The gamma function: Stirling's series from this argument on, the recurrence below it.
const Real STIRLING_FROM = 30;
const Real GAMMA_OVERFLOW = 1755.5Q;

Real rounded(const Wide& w) {
    return w.hi + w.lo;
}

// sinh x by its Taylor series x + x^3/3! + ..., for |x| < 1.
Wide sinh_series(Real x) {
    const Wide x2 = wide(x) * wide(x);
    Wide term = wide(x), sum = wide(x);
    for (int n = 1; n < 40; ++n) {
        term = term * x2 / wide(Real((2 * n) * (2 * n + 1)));
        sum = sum + term;
        if (qm::abs(term.hi) <= 0x1p-235Q * qm::abs(sum.hi)) break;
    }
    return sum;
}

// e^|x| / 2, computed as e^(|x| - ln 2) so that it stays finite as long as the result does.
Wide half_exp(Real x) {
    return wide_fn::exp(wide(qm::abs(x)) - LN2);
}

// B_2k / (2k (2k - 1)), k = 1 .. 18, the coefficients of Stirling's series for ln gamma, as
// exact fractions.
struct Fraction {
    Real numerator, denominator;
};
const Fraction STIRLING[] = {
    {1, 12},
    {-1, 360},
    {1, 1260},
    {-1, 1680},
    {1, 1188},
    {-691, 360360},
    {1, 156},
    {-3617, 122400},
    {43867, 244188},
    {-174611, 125400},
    {77683, 5796},
    {-236364091, 1506960},
    {657931, 300},
    {-3392780147.0Q, 93960},
    {1723168255201.0Q, 2492028},
    {-7709321041217.0Q, 505920},
    {151628697551.0Q, 396},
    {-26315271553053477373.0Q, 2418179400.0Q},
};

// ln gamma(y) for y >= 30 by Stirling's series: (y - 1/2) ln y - y + ln(2 pi)/2 + sum_k
// c_k / y^(2k-1); at y = 30 the 18th term is below 2^-140.
Wide log_gamma_stirling(Real y) {
    const Wide inv = wide(1) / wide(y);
    const Wide inv2 = inv * inv;
    Wide power = inv, series = {0, 0};
    for (const Fraction& c : STIRLING) {
        series = series + power * (wide(c.numerator) / wide(c.denominator));
        power = power * inv2;
    }
    return (wide(y) - wide(0.5Q)) * wide_fn::log(y) - wide(y) + HALF_LOG_2PI + series;
}

} // namespace

Real cos(Real x) {
    Wide s, c;
    if (!wide_fn::sin_cos_any(x, s, c)) return cosq(x);
    return rounded(c);
}

Real tan(Real x) {
    Wide s, c;
    if (!wide_fn::sin_cos_any(x, s, c)) return tanq(x);
    return rounded(s / c);
}

// The inverse trigonometric functions: a0 from libquadmath, then the exact identity
// f(x) = a0 + atan(d) with d the tangent of the difference, d being so small (a unit or two of
// a0) that atan d = d to far more than the final rounding needs.
Real atan(Real x) {
    // d = (x - tan a0) / (1 + x tan a0) = (x cos a0 - sin a0) / (cos a0 + x sin a0).
    const Real a0 = atanq(x);
    if (qm::isnan(x) || qm::isinf(x)) return a0;
    Wide s, c;
    wide_fn::sin_cos_any(a0, s, c);
    const Wide wx = wide(x);
    return rounded(wide(a0) + (wx * c - s) / (c + wx * s));
}

namespace {
// sqrt(1 - x^2) with 1 - x^2 = (1 - x)(1 + x) formed exactly.
Wide cofunction(Real x) {
    return wide_sqrt((wide(1) - wide(x)) * (wide(1) + wide(x)));
}
} // namespace

Real asin(Real x) {
    // asin x = atan2(x, w), w = sqrt(1 - x^2): d = (x cos a0 - w sin a0) / (w cos a0 + x sin a0).
    const Real a0 = asinq(x);
    if (!(qm::abs(x) < 1)) return a0;
    Wide s, c;
    wide_fn::sin_cos_any(a0, s, c);
    const Wide wx = wide(x), w = cofunction(x);
    return rounded(wide(a0) + (wx * c - w * s) / (w * c + wx * s));
}

Real acos(Real x) {
    // acos x = atan2(w, x): d = (w cos a0 - x sin a0) / (x cos a0 + w sin a0).
    const Real a0 = acosq(x);
    if (!(qm::abs(x) < 1)) return a0;
    Wide s, c;
    wide_fn::sin_cos_any(a0, s, c);
    const Wide wx = wide(x), w = cofunction(x);
    return rounded(wide(a0) + (w * c - wx * s) / (wx * c + w * s));
}

Real sinh(Real x) {
    if (qm::isnan(x) || qm::isinf(x)) return x;
    if (qm::abs(x) < SINH_SERIES) return rounded(sinh_series(x));
    const Wide h = half_exp(x);
    const Wide value = qm::abs(x) > EXP_NEGLIGIBLE ? h : h - wide_scaled(wide(1) / h, -2);
    const Real r = rounded(value);
    return x < 0 ? -r : r;
}

Real cosh(Real x) {
    if (qm::isnan(x)) return x;
    if (qm::isinf(x)) return INFINITE;
    const Wide h = half_exp(x);
    return rounded(qm::abs(x) > EXP_NEGLIGIBLE ? h : h + wide_scaled(wide(1) / h, -2));
}

Real tanh(Real x) {
    if (qm::isnan(x)) return x;
    if (qm::abs(x) > EXP_NEGLIGIBLE) return x > 0 ? 1 : -1;
    Wide value;
    if (qm::abs(x) < SINH_SERIES) {
        const Wide s = sinh_series(x);
        value = s / wide_sqrt(wide(1) + s * s); // cosh = sqrt(1 + sinh^2)
    } else {
        // tanh |x| = 1 - 2 / (e^(2|x|) + 1).
        const Wide e2 = wide_fn::exp(wide(2 * qm::abs(x)));
        value = wide(1) - wide(2) / (e2 + wide(1));
        if (x < 0) value = -value;
    }
    return rounded(value);
}

Real erf(Real x) {
    if (qm::isnan(x)) return x;
    if (qm::isinf(x)) return x > 0 ? 1 : -1;
    return rounded(wide_fn::erf(wide(x)));
}

Real erfc(Real x) {
    if (qm::isnan(x)) return x;
    if (qm::isinf(x)) return x > 0 ? 0 : 2;
    if (x > 107) return 0; // below the smallest subnormal number
    return rounded(wide_fn::erfc(wide(x)));
}

Real gamma(Real x) {
    if (qm::isnan(x) || x == -INFINITE) return NOT_A_NUMBER;
    if (x <= 0 && qm::trunc(x) == x) return NOT_A_NUMBER;
    if (x > GAMMA_OVERFLOW) return INFINITE;
    // gamma(x) = gamma(x + n) / (x (x + 1) ... (x + n - 1)) with x + n >= 30; each x + j is
    // exact as a double-binary128 sum, so arguments next to the poles lose nothing.
    Wide product = wide(1);
    Real shifted = x;
    int n = 0;
    while (shifted < STIRLING_FROM) {
        product = product * (wide(x) + wide(Real(n)));
        ++n;
        shifted = x + n;
        if (qm::isinf(product.hi)) return 0; // far left: the value is below the range
    }
    // x + n = y + dy with y the binary128 sum: ln gamma(y + dy) = ln gamma(y) + dy psi(y),
    // psi(y) = ln y - 1/(2y) - 1/(12 y^2) to far more digits than dy (2^-113 y) needs.
    const Wide sum = wide(x) + wide(Real(n));
    const Real y = sum.hi, dy = sum.lo;
    const Real psi = qm::log(y) - 1 / (2 * y) - 1 / (12 * y * y);
    Wide value = wide_fn::exp(log_gamma_stirling(y) + wide(dy * psi));
    if (n > 0) value = value / product;
    return rounded(value);
}

Real log10(Real x) {
    if (!(x > 0) || qm::isinf(x)) return log10q(x);
    return rounded(wide_fn::log(x) * INV_LN10);
}

} // namespace tarvex::elem
