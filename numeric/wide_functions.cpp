// Elementary functions in double-binary128 (see wide_functions.hpp). The constants are split
// so that the products with a reduction multiple k are exact in binary128.
#include "numeric/wide_functions.hpp"

#include "numeric/qmath.hpp"

namespace tarvex::wide_fn {

namespace {

// ln 2 in three parts, the first with 99 bits (k ln2_1 exact for |k| < 2^14).
const Real LN2_1 = 0x1.62e42fefa39ef35793c767300000p-1Q;
const Real LN2_2 = 0x1.f97b57a079a193394c5b16c5068cp-103Q;
const Real LN2_3 = -0x1.48e8aa0ba8308f13bf2428a6cf55p-217Q;
const Real INV_LN2 = 0x1.71547652b82fe1777d0ffda0d23ap+0Q;
// pi/2 in 72-bit parts (k pi2_i exact for |k| < 2^41) and a last full part.
const Real PIO2_1 = 0x1.921fb54442d184698a0000000000p+0Q;
const Real PIO2_2 = -0x1.cceba3f91f1976b7ee0000000000p-74Q;
const Real PIO2_3 = 0x1.c1114cf98e804177d40000000000p-148Q;
const Real PIO2_4 = 0x1.8ec4e6c89452821e640000000000p-221Q;
const Real PIO2_5 = -0x1.cbfb22106ae64c32c60000000000p-295Q;
const Real PIO2_6 = 0x1.0c6cc0ac29b7c97c50dd3f84d5b6p-369Q;
const Real TWO_OVER_PI = 0x1.45f306dc9c882a53f84eafa3ea6ap-1Q;
const Wide TWO_OVER_SQRT_PI = {0x1.20dd750429b6d11ae3a914fed7fep+0Q,
                               -0x1.e5df5fb2f8a29e0c574632f53e7ap-114Q};
const Wide INV_SQRT_PI = {0x1.20dd750429b6d11ae3a914fed7fep-1Q,
                          -0x1.e5df5fb2f8a29e0c574632f53e7ap-115Q};
const Wide INV_SQRT2 = {0x1.6a09e667f3bcc908b2fb1366ea95p-1Q,
                        0x1.f4f8eb7b05d449dd426768bd642cp-115Q};
// Series terms below this fraction of the sum no longer change a double-binary128 result.
const Real NEGLIGIBLE = 0x1p-235Q;
// Where the error function's series gives way to the continued fraction of the tail.
const Real SERIES_LIMIT = 5;

bool negligible(const Wide& term, const Wide& sum) {
    return qm::abs(term.hi) <= NEGLIGIBLE * qm::abs(sum.hi);
}

// erf y by its Taylor series 2/sqrt(pi) sum (-1)^n y^(2n+1) / (n! (2n+1)), for |y| < 5: the
// largest term is below 2^41, so some 185 of the 226 bits survive the cancellation.
Wide erf_series(Wide y) {
    const Wide minus_y2 = -(y * y);
    Wide term = y, sum = y;
    for (int n = 1; n < 400; ++n) {
        term = term * minus_y2 / wide(Real(n));
        const Wide add = term / wide(Real(2 * n + 1));
        sum = sum + add;
        if (negligible(add, sum)) break;
    }
    return sum * TWO_OVER_SQRT_PI;
}

// erfc y for y >= 5 by the continued fraction
// erfc y = exp(-y^2)/sqrt(pi) / (y + (1/2)/(y + 1/(y + (3/2)/(y + ...)))), evaluated from a
// depth that gives more than 130 bits (100 levels at y = 5, fewer further out).
Wide erfc_tail(Wide y, int scale) {
    const Real yy = y.hi * y.hi;
    const int depth = 20 + static_cast<int>(2000 / yy);
    Wide t = y;
    for (int k = depth; k >= 1; --k) t = y + wide(Real(k) / 2) / t;
    // e^-y^2 as m 2^k, scaled only at the end so that a subnormal result is rounded once.
    Wide m;
    int k;
    exp_parts(-(y * y), m, k);
    return wide_scaled(m * INV_SQRT_PI / t, k + scale);
}

} // namespace

Wide exp(Wide a) {
    Wide m;
    int k;
    exp_parts(a, m, k);
    return wide_scaled(m, k);
}

void exp_parts(Wide a, Wide& m, int& k) {
    k = 0;
    m = a;
    if (qm::isnan(a.hi)) return;
    if (a.hi > 11357) {
        m = {__builtin_infq(), 0};
        return;
    }
    if (a.hi < -11500) {
        m = {0, 0};
        return;
    }
    // a = k ln2 + r, |r| <= ln2/2; e^r = (e^(r/2^10))^(2^10) with a short series.
    const Real kq = qm::round(a.hi * INV_LN2);
    Wide r = a - wide(kq * LN2_1);
    r = r - wide(kq) * wide(LN2_2);
    r = r - wide(kq * LN2_3);
    const Wide s = wide_scaled(r, -10);
    Wide term = s, sum = wide(1) + s;
    for (int n = 2; n < 40; ++n) {
        term = term * s / wide(Real(n));
        sum = sum + term;
        if (negligible(term, sum)) break;
    }
    for (int j = 0; j < 10; ++j) sum = sum * sum;
    m = sum;
    k = static_cast<int>(kq);
}

Wide log(Real x) {
    // x = m 2^e with 3/4 <= m < 3/2, so that no multiple of ln 2 is added (and cancelled) for
    // an x next to 1, where the logarithm is small.
    int e = ilogbq(x);
    Real m = scalbnq(x, -e);
    if (m >= 1.5Q) {
        m /= 2;
        ++e;
    }
    Wide log_m;
    if (qm::abs(m - 1) < 0.0625Q) {
        // Next to 1 the Newton step would leave an error of 2^-226 absolute, too much for a
        // tiny logarithm: ln m = 2 atanh z = 2 (z + z^3/3 + ...), z = (m - 1)/(m + 1), keeps
        // the error relative. m - 1 is exact.
        const Wide z = wide(m - 1) / (wide(m) + wide(1));
        const Wide z2 = z * z;
        Wide power = z, sum = z;
        for (int n = 1; n < 60; ++n) {
            power = power * z2;
            const Wide term = power / wide(Real(2 * n + 1));
            sum = sum + term;
            if (negligible(term, sum)) break;
        }
        log_m = wide_scaled(sum, 1);
    } else {
        // One Newton step on e^l = m from the binary128 logarithm doubles its bits:
        // l = l0 + t - t^2/2 with t = m e^-l0 - 1.
        const Real l0 = qm::log(m);
        const Wide t = wide(m) * exp(wide(-l0)) - wide(1);
        log_m = wide(l0) + t - wide_scaled(t * t, -1);
    }
    const Real eq = e;
    if (e == 0) return log_m;
    return log_m + wide(eq * LN2_1) + wide(eq) * wide(LN2_2) + wide(eq * LN2_3);
}

bool reduce_half_pi(Real x, Wide& r, int& q) {
    if (qm::abs(x) <= 0.78Q) {
        r = wide(x);
        q = 0;
        return true;
    }
    if (!(qm::abs(x) < 0x1p40Q)) return false;
    const Real k = qm::round(x * TWO_OVER_PI);
    // x - k pi2_1 is exact (the two are within a factor 2); every k pi2_i is exact.
    r = wide(x - k * PIO2_1);
    r = r - wide(k * PIO2_2);
    r = r - wide(k * PIO2_3);
    r = r - wide(k * PIO2_4);
    r = r - wide(k * PIO2_5);
    r = r - wide(k) * wide(PIO2_6);
    const Real m = qm::fmod(k, 4);
    q = static_cast<int>(m < 0 ? m + 4 : m);
    return true;
}

void sin_cos(Wide r, Wide& s, Wide& c) {
    const Wide minus_r2 = -(r * r);
    Wide st = r, ct = wide(1);
    s = r;
    c = ct;
    for (int n = 1; n < 60; ++n) {
        ct = ct * minus_r2 / wide(Real((2 * n - 1) * (2 * n)));
        st = st * minus_r2 / wide(Real((2 * n) * (2 * n + 1)));
        c = c + ct;
        s = s + st;
        if (negligible(ct, c) && negligible(st, s)) break;
    }
}

bool sin_cos_any(Real x, Wide& s, Wide& c) {
    Wide r;
    int q;
    if (!reduce_half_pi(x, r, q)) return false;
    Wide sr, cr;
    sin_cos(r, sr, cr);
    switch (q) {
    case 0:
        s = sr, c = cr;
        break;
    case 1:
        s = cr, c = -sr;
        break;
    case 2:
        s = -sr, c = -cr;
        break;
    default:
        s = -cr, c = sr;
        break;
    }
    return true;
}

Wide erf(Wide y) {
    if (qm::abs(y.hi) < SERIES_LIMIT) return erf_series(y);
    const Wide tail = erfc_tail(y.hi > 0 ? y : -y, 0);
    return y.hi > 0 ? wide(1) - tail : tail - wide(1);
}

Wide erfc(Wide y, int scale) {
    if (y.hi >= SERIES_LIMIT) return erfc_tail(y, scale);
    if (y.hi <= -SERIES_LIMIT) return wide_scaled(wide(2) - erfc_tail(-y, 0), scale);
    return wide_scaled(wide(1) - erf_series(y), scale);
}

Wide normal_cdf(Real x) {
    // P(Z <= x) = erfc(-x / sqrt 2) / 2.
    return erfc(-(wide(x) * INV_SQRT2), -1);
}

Wide erf_over_sqrt2(Real x) {
    return erf(wide(x) * INV_SQRT2);
}

} // namespace tarvex::wide_fn
