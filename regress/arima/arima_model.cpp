// Multiplying out the lag polynomials, differencing, and the unit-circle test.
#include "regress/arima/arima_model.hpp"

#include "numeric/fast_arith.hpp"
#include "numeric/qmath.hpp"

namespace tarvex {

namespace {

// (1 + sign sum a_i B**i)(1 + sign sum b_j B**(s j)) as 1 + sign sum c_k B**k: sign -1 for
// the AR polynomials, +1 for the MA ones.
std::vector<Real> multiply(const std::vector<Real>& a, const std::vector<Real>& b, int s,
                           Real sign) {
    const std::size_t n = a.size() + b.size() * std::size_t(s);
    std::vector<Real> full(n + 1, Real(0)), left(a.size() + 1), right(b.size() * s + 1, Real(0));
    left[0] = 1;
    for (std::size_t i = 0; i < a.size(); ++i) left[i + 1] = sign * a[i];
    right[0] = 1;
    for (std::size_t j = 0; j < b.size(); ++j) right[(j + 1) * std::size_t(s)] = sign * b[j];
    for (std::size_t i = 0; i < left.size(); ++i)
        for (std::size_t j = 0; j < right.size(); ++j) full[i + j] += left[i] * right[j];
    std::vector<Real> c(n);
    for (std::size_t k = 0; k < n; ++k) c[k] = sign * full[k + 1];
    return c;
}

} // namespace

ArmaPolynomials expand_polynomials(const ArimaOrder& o, const std::vector<Real>& theta) {
    ArmaPolynomials poly;
    auto slice = [&](int from, int count) {
        return std::vector<Real>(theta.begin() + from, theta.begin() + from + count);
    };
    const int s = o.span > 0 ? o.span : 1;
    poly.ar = multiply(slice(0, o.p), slice(o.p, o.sp), s, Real(-1));
    poly.ma = multiply(slice(o.p + o.sp, o.q), slice(o.p + o.sp + o.q, o.sq), s, Real(1));
    if (o.mean) poly.mean = theta[std::size_t(o.arma_count())];
    return poly;
}

std::vector<Real> differencing_weights(const ArimaOrder& o) {
    // (1-B)**d (1-B**s)**D = 1 - sum delta_i B**i
    std::vector<Real> poly(1, Real(1));
    auto times = [&](int lag) {
        std::vector<Real> next(poly.size() + std::size_t(lag), Real(0));
        for (std::size_t i = 0; i < poly.size(); ++i) {
            next[i] += poly[i];
            next[i + std::size_t(lag)] -= poly[i];
        }
        poly.swap(next);
    };
    for (int i = 0; i < o.d; ++i) times(1);
    for (int i = 0; i < o.sd; ++i) times(o.span);
    std::vector<Real> delta(poly.size() - 1);
    for (std::size_t i = 1; i < poly.size(); ++i) delta[i - 1] = -poly[i];
    return delta;
}

std::vector<Real> difference_series(const std::vector<Real>& y, const ArimaOrder& o) {
    const std::vector<Real> delta = differencing_weights(o);
    const std::size_t k = delta.size();
    if (y.size() <= k) return {};
    std::vector<Real> w(y.size() - k);
    // The library's bits on the integer unit; a weight of one takes the value itself (its product).
    std::vector<char> unit(k);
    for (std::size_t i = 0; i < k; ++i) unit[i] = delta[i] == 1;
    for (std::size_t t = k; t < y.size(); ++t) {
        Real v = y[t];
        for (std::size_t i = 0; i < k; ++i)
            v = fast_subtract(v, unit[i] ? y[t - 1 - i] : fast_multiply(delta[i], y[t - 1 - i]));
        w[t - k] = v;
    }
    return w;
}

bool roots_outside_unit_circle(const std::vector<Real>& c) {
    std::vector<Real> a(c);
    while (!a.empty() && a.back() == 0) a.pop_back();
    for (std::size_t k = a.size(); k >= 1; --k) {
        const Real kappa = a[k - 1];
        if (!(qm::abs(kappa) < 1)) return false;
        const Real scale = 1 - kappa * kappa;
        std::vector<Real> lower(k - 1);
        for (std::size_t j = 0; j + 1 < k; ++j) lower[j] = (a[j] + kappa * a[k - 2 - j]) / scale;
        a.swap(lower);
    }
    return true;
}

bool ma_invertible(const std::vector<Real>& m) {
    std::vector<Real> c(m);
    for (Real& v : c) v = -v;
    return roots_outside_unit_circle(c);
}

} // namespace tarvex
