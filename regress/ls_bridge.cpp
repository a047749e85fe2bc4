// The least-squares solves and tail probabilities behind ls_bridge.hpp: modified Gram-Schmidt
// with the relative dependence test, the cross-product solve (with the ridge constant), and the
// F, chi-square and normal tails from the incomplete beta and gamma functions.
#include "regress/ls_bridge.hpp"

#include "numeric/qmath.hpp"
#include "regress/ols_options.hpp"

#include <algorithm>

namespace tarvex {

namespace {

// A column whose remaining sum of squares falls to this share of its sum of squares before
// orthogonalisation is linearly dependent on the columns before it.
const Real DEPENDENCE_RATIO = 1e-30Q;
// Pivot share below which the cross-product system is singular.
const Real PIVOT_RATIO = 1e-30Q;
// Convergence of the continued fractions and series of the distribution functions.
const Real SERIES_EPS = 1e-33Q;
constexpr int SERIES_MAX = 20000;
const Real TINY = 1e-4000Q;

Real dot(const Real* a, const Real* b, int n) {
    Real s = 0;
    for (int t = 0; t < n; ++t) s += a[t] * b[t];
    return s;
}

LsSolution gram_schmidt(const std::vector<Real>& x, const std::vector<Real>& y, int n, int k) {
    LsSolution out;
    std::vector<Real> q(x);          // N x K, orthonormalised in place
    std::vector<Real> e(y);          // becomes the residual vector
    std::vector<Real> r(std::size_t(k) * k, 0); // upper triangle, row-major
    std::vector<Real> ry(k, 0);
    for (int j = 0; j < k; ++j) {
        Real* col = &q[std::size_t(j) * n];
        const Real before = dot(col, col, n);
        for (int i = 0; i < j; ++i) {
            const Real* qi = &q[std::size_t(i) * n];
            const Real rij = dot(qi, col, n);
            r[std::size_t(i) * k + j] = rij;
            for (int t = 0; t < n; ++t) col[t] -= rij * qi[t];
        }
        const Real after = dot(col, col, n);
        if (after <= DEPENDENCE_RATIO * before) {
            out.dependent_column = j + 1;
            return out;
        }
        const Real rjj = qm::sqrt(after);
        r[std::size_t(j) * k + j] = rjj;
        for (int t = 0; t < n; ++t) col[t] /= rjj;
    }
    for (int i = 0; i < k; ++i) {
        const Real* qi = &q[std::size_t(i) * n];
        ry[i] = dot(qi, e.data(), n);
        for (int t = 0; t < n; ++t) e[t] -= ry[i] * qi[t];
    }
    out.sse = dot(e.data(), e.data(), n);
    out.coef.assign(k, 0);
    for (int i = k - 1; i >= 0; --i) {
        Real s = ry[i];
        for (int j = i + 1; j < k; ++j) s -= r[std::size_t(i) * k + j] * out.coef[j];
        out.coef[i] = s / r[std::size_t(i) * k + i];
    }
    // R**-1 (upper triangle), then (X'X)**-1 = R**-1 R**-T.
    std::vector<Real> ri(std::size_t(k) * k, 0);
    for (int j = 0; j < k; ++j) {
        ri[std::size_t(j) * k + j] = 1 / r[std::size_t(j) * k + j];
        for (int i = j - 1; i >= 0; --i) {
            Real s = 0;
            for (int m = i + 1; m <= j; ++m) s += r[std::size_t(i) * k + m] * ri[std::size_t(m) * k + j];
            ri[std::size_t(i) * k + j] = -s / r[std::size_t(i) * k + i];
        }
    }
    out.xtx_inv.assign(std::size_t(k) * k, 0);
    for (int i = 0; i < k; ++i)
        for (int j = 0; j < k; ++j) {
            Real s = 0;
            for (int m = std::max(i, j); m < k; ++m)
                s += ri[std::size_t(i) * k + m] * ri[std::size_t(j) * k + m];
            out.xtx_inv[std::size_t(i) * k + j] = s;
        }
    return out;
}

LsSolution cross_products(const std::vector<Real>& x, const std::vector<Real>& y, int n, int k,
                          Real ridge) {
    LsSolution out;
    std::vector<Real> a(std::size_t(k) * k), xty(k);
    for (int i = 0; i < k; ++i) {
        const Real* xi = &x[std::size_t(i) * n];
        xty[i] = dot(xi, y.data(), n);
        for (int j = 0; j <= i; ++j) {
            const Real v = dot(xi, &x[std::size_t(j) * n], n);
            a[std::size_t(i) * k + j] = a[std::size_t(j) * k + i] = v;
        }
        a[std::size_t(i) * k + i] += ridge;
    }
    // Gauss-Jordan inversion in place, pivoting on the diagonal (the matrix is positive
    // definite unless the regressors are dependent).
    std::vector<Real> diag(k);
    for (int i = 0; i < k; ++i) diag[i] = a[std::size_t(i) * k + i];
    for (int p = 0; p < k; ++p) {
        const Real piv = a[std::size_t(p) * k + p];
        if (!(piv > PIVOT_RATIO * diag[p]) || piv == 0) {
            out.singular = true;
            out.dependent_column = p + 1;
            return out;
        }
        for (int j = 0; j < k; ++j) a[std::size_t(p) * k + j] /= piv;
        a[std::size_t(p) * k + p] = 1 / piv;
        for (int i = 0; i < k; ++i) {
            if (i == p) continue;
            const Real f = a[std::size_t(i) * k + p];
            if (f == 0) continue;
            for (int j = 0; j < k; ++j)
                if (j != p) a[std::size_t(i) * k + j] -= f * a[std::size_t(p) * k + j];
            a[std::size_t(i) * k + p] = -f / piv;
        }
    }
    out.xtx_inv = a;
    out.coef.assign(k, 0);
    for (int i = 0; i < k; ++i)
        for (int j = 0; j < k; ++j) out.coef[i] += a[std::size_t(i) * k + j] * xty[j];
    Real sse = 0;
    for (int t = 0; t < n; ++t) {
        Real e = y[t];
        for (int j = 0; j < k; ++j) e -= x[std::size_t(j) * n + t] * out.coef[j];
        sse += e * e;
    }
    out.sse = sse;
    return out;
}

// Continued fraction of the incomplete beta function (modified Lentz).
Real beta_fraction(Real a, Real b, Real x) {
    const Real qab = a + b, qap = a + 1, qam = a - 1;
    Real c = 1, d = 1 - qab * x / qap;
    if (qm::abs(d) < TINY) d = TINY;
    d = 1 / d;
    Real h = d;
    for (int m = 1; m <= SERIES_MAX; ++m) {
        const Real m2 = 2 * m;
        Real aa = m * (b - m) * x / ((qam + m2) * (a + m2));
        d = 1 + aa * d;
        if (qm::abs(d) < TINY) d = TINY;
        c = 1 + aa / c;
        if (qm::abs(c) < TINY) c = TINY;
        d = 1 / d;
        h *= d * c;
        aa = -(a + m) * (qab + m) * x / ((a + m2) * (qap + m2));
        d = 1 + aa * d;
        if (qm::abs(d) < TINY) d = TINY;
        c = 1 + aa / c;
        if (qm::abs(c) < TINY) c = TINY;
        d = 1 / d;
        const Real del = d * c;
        h *= del;
        if (qm::abs(del - 1) < SERIES_EPS) break;
    }
    return h;
}

// Regularised incomplete beta I_x(a, b).
Real incomplete_beta(Real a, Real b, Real x) {
    if (x <= 0) return 0;
    if (x >= 1) return 1;
    const Real front = qm::exp(qm::lgamma(a + b) - qm::lgamma(a) - qm::lgamma(b) +
                               a * qm::log(x) + b * qm::log(1 - x));
    if (x < (a + 1) / (a + b + 2)) return front * beta_fraction(a, b, x) / a;
    return 1 - front * beta_fraction(b, a, 1 - x) / b;
}

// Regularised upper incomplete gamma Q(a, x).
Real upper_gamma(Real a, Real x) {
    if (x <= 0) return 1;
    const Real lead = -x + a * qm::log(x) - qm::lgamma(a);
    if (x < a + 1) {
        Real ap = a, sum = 1 / a, del = sum;
        for (int n = 1; n <= SERIES_MAX; ++n) {
            ap += 1;
            del *= x / ap;
            sum += del;
            if (qm::abs(del) < qm::abs(sum) * SERIES_EPS) break;
        }
        return 1 - sum * qm::exp(lead);
    }
    Real b = x + 1 - a, c = 1 / TINY, d = 1 / b, h = d;
    for (int i = 1; i <= SERIES_MAX; ++i) {
        const Real an = -i * (i - a);
        b += 2;
        d = an * d + b;
        if (qm::abs(d) < TINY) d = TINY;
        c = b + an / c;
        if (qm::abs(c) < TINY) c = TINY;
        d = 1 / d;
        const Real del = d * c;
        h *= del;
        if (qm::abs(del - 1) < SERIES_EPS) break;
    }
    return qm::exp(lead) * h;
}

} // namespace

LsSolution solve_least_squares(OlsMethod method, const std::vector<Real>& x,
                               const std::vector<Real>& y, int n, int k, Real ridge) {
    if (method == OlsMethod::NORMAL) return cross_products(x, y, n, k, ridge);
    return gram_schmidt(x, y, n, k);
}

Real f_tail(Real x, Real n1, Real n2) {
    if (!(x > 0)) return 0;
    if (qm::isinf(x)) return 0;
    return incomplete_beta(n2 / 2, n1 / 2, n2 / (n2 + n1 * x));
}

Real chi2_tail(Real x, Real df) {
    if (!(x > 0)) return 1;
    return upper_gamma(df / 2, x / 2);
}

Real normal_tail(Real z) { return qm::erfc(z / qm::sqrt(Real(2))) / 2; }

Real normal_quantile(Real p) {
    if (!(p > 0)) return -qm::sqrt(Real(2) * 11356);
    if (!(p < 1)) return qm::sqrt(Real(2) * 11356);
    // Bisection to a bracket, then Newton steps on P(Z <= z) - p.
    Real lo = -40, hi = 40;
    for (int i = 0; i < 60; ++i) {
        const Real mid = (lo + hi) / 2;
        if (normal_tail(-mid) < p) lo = mid;
        else hi = mid;
    }
    Real z = (lo + hi) / 2;
    const Real root2pi = qm::sqrt(2 * qm::PI);
    for (int i = 0; i < 8; ++i) {
        const Real density = qm::exp(-z * z / 2) / root2pi;
        if (density == 0) break;
        z -= (normal_tail(-z) - p) / density;
    }
    return z;
}

} // namespace tarvex
