// Numerical functions of the expression language (see scalar_functions.hpp).
#include "expr/scalar_functions.hpp"

#include "expr/operations.hpp"
#include "numeric/distributions.hpp"
#include "numeric/elementary_functions.hpp"
#include "numeric/fast_exp.hpp"
#include "numeric/qmath.hpp"

namespace tarvex::expr {

namespace {

// Integer exponents up to this size are multiplied out; beyond it powq is more accurate.
// Veltkamp splitting constant for a 113-bit significand: 2**57 + 1.
inline const Real SPLITTER = 144115188075855873.0Q;
// 1/sqrt(2) as a sum of two binary128 numbers, and 2/sqrt(pi).
inline const Real INV_SQRT2_HI = 0.707106781186547524400844362104849039Q;
inline const Real INV_SQRT2_LO = 4.71112127431091603284605836819705284e-35Q;
inline const Real TWO_OVER_SQRT_PI = 1.12837916709551257389615890312154517Q;

void split(Real a, Real& hi, Real& lo) {
    const Real c = SPLITTER * a;
    hi = c - (c - a);
    lo = a - hi;
}

} // namespace

Real exp_split(Real x, bool& overflow) {
    overflow = false;
    if (x <= EXLIM) return fast_exp(x); // integer arithmetic; the edge ranges go to expq
    // exp(EXLIM) squared is far beyond the binary128 range, so from 2 EXLIM on the result can
    // only overflow. Such arguments are not split at all: for a large x the remainder
    // x - k EXLIM keeps none of its digits, and a remainder far below zero makes exp(r) zero,
    // which no number of steps would ever carry to infinity.
    if (qm::isnan(x) || x >= 2 * EXLIM) {
        overflow = true;
        return x;
    }
    // x = EXLIM + r with 0 < r < EXLIM: exp(x) = exp(r) * exp(EXLIM), finite only for a small r.
    const Real value = qm::exp(x - EXLIM) * qm::exp(EXLIM);
    if (qm::isinf(value) || qm::isnan(value)) overflow = true;
    return value;
}

Real power(Real a, Real b, bool& illegal) {
    illegal = false;
    const Real whole = qm::trunc(b);
    if (whole == b && qm::abs(b) <= LARGEST_MULTIPLIED_EXPONENT) {
        if (a == 0 && b < 0) {
            illegal = true;
            return 0;
        }
        const Real result = integer_power(a, static_cast<long long>(qm::abs(b)));
        return b < 0 ? 1 / result : result;
    }
    if (a < 0 && whole != b) {
        illegal = true;
        return 0;
    }
    if (a == 0 && b < 0) {
        illegal = true;
        return 0;
    }
    return qm::pow(a, b);
}

void two_product(Real a, Real b, Real& hi, Real& lo) {
    hi = a * b;
    Real ah, al, bh, bl;
    split(a, ah, al);
    split(b, bh, bl);
    lo = ((ah * bh - hi) + ah * bl + al * bh) + al * bl;
}

Real ncdf(Real x) {
    if (qm::isnan(x)) return x;
    // Phi(x) = erfc(y) / 2 with y = -x / sqrt(2). The rounding of y would cost digits where
    // erfc falls steeply, so y is carried as y + dy and erfc corrected to first order.
    const Real t = -x;
    Real y, dy;
    two_product(t, INV_SQRT2_HI, y, dy);
    dy += t * INV_SQRT2_LO;
    Real value = qm::erfc(y);
    if (value != 0 && qm::abs(y) < 110) value -= TWO_OVER_SQRT_PI * qm::exp(-y * y) * dy;
    return value / 2;
}

bool more_function(int op, Real a, Real& value) {
    if (qm::isnan(a)) return false;
    Real r = 0;
    switch (op) {
    case OP_COS:
        r = elem::cos(a);
        break;
    case OP_TAN:
        r = elem::tan(a);
        break;
    case OP_ATAN:
        r = elem::atan(a);
        break;
    case OP_ASIN:
        if (qm::abs(a) > 1) return false;
        r = elem::asin(a);
        break;
    case OP_ACOS:
        if (qm::abs(a) > 1) return false;
        r = elem::acos(a);
        break;
    case OP_SINH:
        r = elem::sinh(a);
        break;
    case OP_COSH:
        r = elem::cosh(a);
        break;
    case OP_TANH:
        r = elem::tanh(a);
        break;
    case OP_ERF:
        r = elem::erf(a);
        break;
    case OP_ERFC:
        r = elem::erfc(a);
        break;
    case OP_GAMMA:
        if (a <= 0 && qm::trunc(a) == a) return false; // the poles
        r = elem::gamma(a);
        break;
    case OP_INVNCDF:
        if (!(a > 0 && a < 1)) return false;
        r = dist::normal_quantile(a);
        break;
    case OP_LOG10:
        if (!(a > 0)) return false;
        r = elem::log10(a);
        break;
    default:
        return false;
    }
    if (qm::isnan(r) || qm::isinf(r)) return false; // overflow (SINH, COSH, GAMMA)
    value = r;
    return true;
}

} // namespace tarvex::expr
