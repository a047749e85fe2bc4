// The double-precision exact ARMA likelihood of the search phase.
#include "regress/arima/arima_search_filter.hpp"

#include "regress/arima/arma_filter_step.hpp"

#include "regress/arima/arima_likelihood.hpp"

#include <algorithm>
#include <cmath>

namespace tarvex {

namespace {

// The prediction covariance counts as steady when no element differs from R R' by more than
// this (relative to 1 + max R_i**2): a few units in double's last place.
constexpr double SEARCH_STEADY_TOLERANCE = 1e-15;

} // namespace

bool arma_exact_search(const std::vector<double>& x, const ArmaPolynomials& poly, double& llf) {
    const int n = int(x.size());
    const int r = std::max(int(poly.ar.size()), int(poly.ma.size()) + 1);
    if (!roots_outside_unit_circle(poly.ar)) return false;
    std::vector<Real> phi_q(r, Real(0)), rr_q(r, Real(0)), p_q;
    std::copy(poly.ar.begin(), poly.ar.end(), phi_q.begin());
    rr_q[0] = 1;
    std::copy(poly.ma.begin(), poly.ma.end(), rr_q.begin() + 1);
    if (!arma_stationary_covariance(phi_q, rr_q, r, p_q)) return false;
    std::vector<double> phi(r), rr(r), p(std::size_t(r) * r);
    for (int i = 0; i < r; ++i) phi[i] = double(phi_q[i]), rr[i] = double(rr_q[i]);
    for (std::size_t i = 0; i < p.size(); ++i) p[i] = double(p_q[i]);
    double rmax = 0;
    for (double v : rr) rmax = std::max(rmax, v * v);
    const double steady_tolerance = SEARCH_STEADY_TOLERANCE * (1 + rmax);
    std::vector<double> a(r, 0.0), au(r), pu(std::size_t(r) * r), k(r);
    double ssq = 0, sumlog = 0;
    int t = 0;
    for (; t < n; ++t) {
        const double fv = p[0];
        if (!(fv > 0)) return false;
        const double v = x[t] - a[0];
        ssq += v * v / fv;
        sumlog += std::log(fv);
        arma_filter_update(p.data(), fv, v, a.data(), r, k.data(), au.data(), pu.data());
        const double gap =
            arma_filter_predict(phi.data(), rr.data(), au.data(), pu.data(), r, a.data(), p.data());
        if (gap <= steady_tolerance) {
            ++t;
            break;
        }
    }
    // The steady state: the ARMA recursion. The sum of squares is compensated (Neumaier), so that
    // the value stays smooth in the parameters over a long series.
    double steady = 0, carry = 0;
    for (; t < n; ++t) {
        const double xt = x[t];
        const double v = xt - a[0];
        const double term = v * v, sum = steady + term;
        carry += std::abs(steady) >= term ? (steady - sum) + term : (term - sum) + steady;
        steady = sum;
        for (int i = 0; i + 1 < r; ++i) a[i] = phi[i] * xt + a[i + 1] + rr[i + 1] * v;
        a[r - 1] = phi[r - 1] * xt;
    }
    ssq += steady + carry;
    if (!(ssq > 0) || n == 0) return false;
    const double sigma2 = ssq / n;
    llf = -double(n) / 2 * (std::log(2 * M_PI) + 1 + std::log(sigma2)) - sumlog / 2;
    return std::isfinite(llf);
}

bool arma_css_search(const std::vector<double>& x, const ArmaPolynomials& poly, double& llf) {
    const int n = int(x.size());
    const int p = int(poly.ar.size()), q = int(poly.ma.size());
    if (n - p <= 0) return false;
    std::vector<double> ar(p), ma(q), e(n, 0.0);
    for (int i = 0; i < p; ++i) ar[i] = double(poly.ar[i]);
    for (int j = 0; j < q; ++j) ma[j] = double(poly.ma[j]);
    double ssq = 0;
    for (int t = p; t < n; ++t) {
        double v = x[t];
        for (int i = 0; i < p; ++i) v -= ar[i] * x[t - 1 - i];
        for (int j = 0; j < std::min(t - p, q); ++j) v -= ma[j] * e[t - 1 - j];
        e[t] = v;
        ssq += v * v;
    }
    if (!(ssq > 0)) return false;
    const double sigma2 = ssq / (n - p);
    llf = -double(n) / 2 * (std::log(2 * M_PI) + 1 + std::log(sigma2));
    return std::isfinite(llf);
}

} // namespace tarvex
