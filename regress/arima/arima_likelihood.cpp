// The exact ARMA likelihood by the Kalman filter (switching to the ARMA recursion at the steady
// state), the conditional sum of squares, and the forecasts of the integrated series.
#include "regress/arima/arima_likelihood.hpp"

#include "regress/arima/arma_filter_step.hpp"

#include "numeric/fast_arith.hpp"
#include "numeric/qmath.hpp"

#include <algorithm>

namespace tarvex {

namespace {

// The prediction covariance counts as R R' (the filter is in its steady state) when no element
// differs from it by more than this, times 1 + max R_i**2: a few units in the last place.
const Real STEADY_TOLERANCE = 1e-32Q;

Real log_2pi() {
    return qm::log(2 * qm::PI);
}

// Above this state dimension the stationary covariance comes from the doubling iteration: the
// linear system has r(r+1)/2 unknowns and costs their cube.
constexpr int LINEAR_SYSTEM_MAX_STATE = 12;
// Doublings before the AR part is taken for nonstationary (2**200 terms of the series).
constexpr int MAX_DOUBLINGS = 200;

// c = a b, r x r row-major.
void multiply_square(const std::vector<Real>& a, const std::vector<Real>& b, int r,
                     std::vector<Real>& c) {
    c.assign(std::size_t(r) * r, Real(0));
    for (int i = 0; i < r; ++i)
        for (int l = 0; l < r; ++l) {
            const Real f = a[std::size_t(i) * r + l];
            if (f == 0) continue;
            for (int j = 0; j < r; ++j) c[std::size_t(i) * r + j] += f * b[std::size_t(l) * r + j];
        }
}

// P = sum_j T**j Q T'**j by doubling: P <- P + A P A', A <- A**2, from P = Q, A = T, until
// the added term no longer changes P. False when it does not settle.
bool doubled_covariance(const std::vector<Real>& phi, const std::vector<Real>& q, int r,
                        std::vector<Real>& cov) {
    std::vector<Real> a(std::size_t(r) * r, Real(0)), ap, apa, at(std::size_t(r) * r), aa;
    for (int i = 0; i < r; ++i) {
        a[std::size_t(i) * r] = phi[i];
        if (i + 1 < r) a[std::size_t(i) * r + i + 1] = 1;
    }
    cov = q;
    for (int step = 0; step < MAX_DOUBLINGS; ++step) {
        for (int i = 0; i < r; ++i)
            for (int j = 0; j < r; ++j) at[std::size_t(j) * r + i] = a[std::size_t(i) * r + j];
        multiply_square(a, cov, r, ap);
        multiply_square(ap, at, r, apa);
        bool settled = true;
        for (std::size_t i = 0; i < cov.size(); ++i) {
            const Real before = cov[i];
            cov[i] += apa[i];
            if (cov[i] != before) settled = false;
        }
        if (settled) return true;
        multiply_square(a, a, r, aa);
        a.swap(aa);
    }
    return false;
}

// The solution of P = T P T' + Q (r x r row-major, Q symmetric), from the linear system of its
// r(r+1)/2 distinct elements (by doubling for a large state); with no AR part the sum of Q's
// shifted diagonals. False when the system is singular.
bool solve_state_lyapunov(const std::vector<Real>& phi, const std::vector<Real>& q, int r,
                          std::vector<Real>& cov) {
    cov.assign(std::size_t(r) * r, Real(0));
    const bool pure_ma = std::all_of(phi.begin(), phi.end(), [](Real v) { return v == 0; });
    if (pure_ma) {
        for (int i = 0; i < r; ++i)
            for (int j = i; j < r; ++j) {
                Real s = 0;
                for (int k = 0; j + k < r; ++k) s += q[std::size_t(i + k) * r + j + k];
                cov[std::size_t(i) * r + j] = cov[std::size_t(j) * r + i] = s;
            }
        return true;
    }
    if (r > LINEAR_SYSTEM_MAX_STATE) return doubled_covariance(phi, q, r, cov);
    // Unknown (i, j), i <= j, at position index(i, j).
    auto index = [r](int i, int j) {
        if (i > j) std::swap(i, j);
        return i * r - i * (i - 1) / 2 + (j - i);
    };
    const int m = r * (r + 1) / 2;
    std::vector<Real> a(std::size_t(m) * m, Real(0)), b(m);
    for (int i = 0; i < r; ++i)
        for (int j = i; j < r; ++j) {
            const int row = index(i, j);
            Real* eq = &a[std::size_t(row) * m];
            eq[row] += 1;
            eq[index(0, 0)] -= phi[i] * phi[j];
            if (j + 1 < r) eq[index(0, j + 1)] -= phi[i];
            if (i + 1 < r) eq[index(0, i + 1)] -= phi[j];
            if (i + 1 < r && j + 1 < r) eq[index(i + 1, j + 1)] -= 1;
            b[row] = q[std::size_t(i) * r + j];
        }
    // Gaussian elimination with partial pivoting.
    for (int c = 0; c < m; ++c) {
        int pivot = c;
        for (int i = c + 1; i < m; ++i)
            if (qm::abs(a[std::size_t(i) * m + c]) > qm::abs(a[std::size_t(pivot) * m + c]))
                pivot = i;
        if (a[std::size_t(pivot) * m + c] == 0) return false;
        if (pivot != c) {
            for (int j = 0; j < m; ++j)
                std::swap(a[std::size_t(c) * m + j], a[std::size_t(pivot) * m + j]);
            std::swap(b[c], b[pivot]);
        }
        const Real d = a[std::size_t(c) * m + c];
        for (int i = c + 1; i < m; ++i) {
            const Real f = a[std::size_t(i) * m + c] / d;
            if (f == 0) continue;
            for (int j = c; j < m; ++j) a[std::size_t(i) * m + j] -= f * a[std::size_t(c) * m + j];
            b[i] -= f * b[c];
        }
    }
    std::vector<Real> u(m);
    for (int i = m - 1; i >= 0; --i) {
        Real s = b[i];
        for (int j = i + 1; j < m; ++j) s -= a[std::size_t(i) * m + j] * u[j];
        u[i] = s / a[std::size_t(i) * m + i];
    }
    for (int i = 0; i < r; ++i)
        for (int j = 0; j < r; ++j) cov[std::size_t(i) * r + j] = u[index(i, j)];
    return true;
}

// The stationary covariance of the state, P = T P T' + R R'.
bool stationary_covariance(const std::vector<Real>& phi, const std::vector<Real>& rr, int r,
                           std::vector<Real>& cov) {
    std::vector<Real> q(std::size_t(r) * r);
    for (int i = 0; i < r; ++i)
        for (int j = 0; j < r; ++j) q[std::size_t(i) * r + j] = rr[i] * rr[j];
    return solve_state_lyapunov(phi, q, r, cov);
}

void finish(ArmaFilter& f, int n) {
    f.sigma2 = f.used > 0 ? f.ssq / f.used : Real(0);
    f.llf =
        f.sigma2 > 0 ? -Real(n) / 2 * (log_2pi() + 1 + qm::log(f.sigma2)) - f.sumlog / 2 : Real(0);
    f.ok = f.ok && f.sigma2 > 0 && finiteq(f.llf);
}

} // namespace

bool arma_stationary_covariance(const std::vector<Real>& phi, const std::vector<Real>& rr, int r,
                                std::vector<Real>& cov) {
    return stationary_covariance(phi, rr, r, cov);
}

bool arma_state_lyapunov(const std::vector<Real>& phi, const std::vector<Real>& q, int r,
                         std::vector<Real>& cov) {
    return solve_state_lyapunov(phi, q, r, cov);
}

namespace {

// One exact filter's run: the coefficients padded to the state dimension, the state prediction
// and its covariance, and the observation the filter has reached.
struct ExactRun {
    ArmaFilter f;
    int r = 0, t = 0;
    std::vector<Real> phi, rr, a, p;
    // The steady recursion's coefficients, state and sum of squares, taken apart from row to
    // row; `a` and the sum are packed when the rows end (steady_end).
    SteadyCoefficients steady;
    std::vector<Unpacked> steady_a;
    Unpacked steady_ssq;
};

// The Kalman filter from the stationary covariance until the prediction covariance is R R' (or
// the series ends); false when the filter is not defined.
bool exact_transient(const std::vector<Real>& x, const ArmaPolynomials& poly, bool keep,
                     ExactRun& run) {
    ArmaFilter& f = run.f;
    const int n = int(x.size());
    const int r = run.r = std::max(int(poly.ar.size()), int(poly.ma.size()) + 1);
    std::vector<Real>&phi = run.phi, &rr = run.rr, &a = run.a, &p = run.p;
    phi.assign(r, Real(0)), rr.assign(r, Real(0));
    std::copy(poly.ar.begin(), poly.ar.end(), phi.begin());
    rr[0] = 1;
    std::copy(poly.ma.begin(), poly.ma.end(), rr.begin() + 1);
    if (!roots_outside_unit_circle(poly.ar)) return false;
    if (!stationary_covariance(phi, rr, r, p)) return false;
    if (keep) f.resid.assign(n, Real(0));
    Real rmax = 0;
    for (Real v : rr) rmax = std::max(rmax, v * v);
    const Real steady_tolerance = STEADY_TOLERANCE * (1 + rmax);
    a.assign(r, Real(0));
    std::vector<Real> au(r), pu(std::size_t(r) * r), k(r);
    f.ok = true;
    int t = 0;
    for (; t < n; ++t) {
        const Real fv = p[0];
        if (!(fv > 0)) {
            f.ok = false;
            return false;
        }
        const Real v = x[t] - a[0];
        f.ssq += v * v / fv;
        f.sumlog += qm::log(fv);
        if (keep) f.resid[t] = v / qm::sqrt(fv);
        arma_filter_update(p.data(), fv, v, a.data(), r, k.data(), au.data(), pu.data());
        const Real gap =
            arma_filter_predict(phi.data(), rr.data(), au.data(), pu.data(), r, a.data(), p.data());
        if (gap <= steady_tolerance) {
            ++t;
            break;
        }
    }
    // The steady state: F = 1, gain R; a_{t+1,i} = phi_i x_t + a_{t,i+1} + theta_{i+1} v_t.
    if (t < n) f.steady_from = t;
    run.t = t;
    // The library's operations on the integer unit (the same bits, at a fraction of the cost).
    run.steady = SteadyCoefficients(phi, rr);
    for (int i = 0; i < r; ++i) run.steady_a.push_back(unpack_real(a[std::size_t(i)]));
    run.steady_ssq = unpack_real(Real(0));
    return true;
}

// One observation of the steady recursion; returns the innovation.
__attribute__((always_inline)) inline Real exact_steady_row(Real xt, ExactRun& run) {
    return pack_real(steady_row(unpack_real(xt), run.steady, run.steady_a.data(), run.steady_ssq));
}

// The steady rows' state and sum of squares, packed: the sum added to the transient's.
void steady_end(ExactRun& run) {
    for (int i = 0; i < run.r; ++i) run.a[std::size_t(i)] = pack_real(run.steady_a[std::size_t(i)]);
    run.f.ssq += pack_real(run.steady_ssq);
}

} // namespace

ArmaFilter arma_exact(const std::vector<Real>& x, const ArmaPolynomials& poly, bool keep) {
    ExactRun run;
    if (!exact_transient(x, poly, keep, run)) return run.f;
    ArmaFilter& f = run.f;
    const int n = int(x.size()), r = run.r;
    for (int t = run.t; t < n; ++t) {
        const Real v = exact_steady_row(x[t], run);
        if (keep) f.resid[t] = v;
    }
    steady_end(run);
    f.used = n;
    finish(f, n);
    if (keep) {
        f.state = run.a;
        std::vector<Real>& p = run.p;
        if (f.steady_from >= 0)
            for (int i = 0; i < r; ++i)
                for (int j = 0; j < r; ++j) p[std::size_t(i) * r + j] = run.rr[i] * run.rr[j];
        f.cov = p;
    }
    return f;
}

std::vector<ArmaFilter> arma_exact_values(const std::vector<const std::vector<Real>*>& xs,
                                          const std::vector<ArmaPolynomials>& polys) {
    const std::size_t m = polys.size();
    std::vector<ExactRun> runs(m);
    std::vector<ExactRun*> live;
    std::size_t n = xs.empty() ? 0 : xs[0]->size();
    int together = 0; // the observation from which every live filter is in its steady state
    for (std::size_t j = 0; j < m; ++j)
        if (exact_transient(*xs[j], polys[j], false, runs[j])) {
            live.push_back(&runs[j]);
            together = std::max(together, runs[j].t);
        }
    // Each filter alone up to where the last one settled, then all of them row by row: the
    // recursions are independent, so their operations overlap, and each filter's operations
    // are those it takes alone.
    for (ExactRun* run : live) {
        const std::vector<Real>& x = *xs[std::size_t(run - runs.data())];
        for (int t = run->t; t < together; ++t) exact_steady_row(x[t], *run);
    }
    std::vector<const Real*> data;
    for (ExactRun* run : live) data.push_back(xs[std::size_t(run - runs.data())]->data());
    const std::size_t count = live.size();
    for (std::size_t t = std::size_t(together); t < n; ++t)
        for (std::size_t j = 0; j < count; ++j) exact_steady_row(data[j][t], *live[j]);
    std::vector<ArmaFilter> out(m);
    for (ExactRun* run : live) {
        ArmaFilter& f = run->f;
        steady_end(*run);
        f.used = int(n);
        finish(f, int(n));
        out[std::size_t(run - runs.data())] = std::move(f);
    }
    return out;
}

ArmaFilter arma_css(const std::vector<Real>& x, const ArmaPolynomials& poly, bool keep) {
    ArmaFilter f;
    const int n = int(x.size());
    const int p = int(poly.ar.size()), q = int(poly.ma.size());
    std::vector<Real> e(n, Real(0));
    for (int t = p; t < n; ++t) {
        Real v = x[t];
        for (int i = 0; i < p; ++i) v = fast_subtract(v, fast_multiply(poly.ar[i], x[t - 1 - i]));
        for (int j = 0; j < std::min(t - p, q); ++j)
            v = fast_subtract(v, fast_multiply(poly.ma[j], e[t - 1 - j]));
        e[t] = v;
        f.ssq = fast_add(f.ssq, fast_multiply(v, v));
    }
    f.used = n - p;
    f.ok = f.used > 0;
    finish(f, n);
    if (keep) f.resid = e;
    return f;
}

ArimaForecast arima_forecast(const std::vector<Real>& y, const ArimaOrder& order,
                             const ArmaPolynomials& poly, const ArmaFilter& filter, Real sigma2,
                             int horizon) {
    ArimaForecast out;
    const std::vector<Real> delta = differencing_weights(order);
    const int r = int(filter.state.size()), k = int(delta.size()), m = r + k;
    std::vector<Real> phi(r, Real(0)), rr(r, Real(0));
    std::copy(poly.ar.begin(), poly.ar.end(), phi.begin());
    rr[0] = 1;
    std::copy(poly.ma.begin(), poly.ma.end(), rr.begin() + 1);
    // The state (a, y_{t-1}, ..., y_{t-k}) and its covariance; y_t = a_0 + mu + sum delta y.
    std::vector<Real> z(m, Real(0)), pz(std::size_t(m) * m, Real(0)), zrow(m, Real(0));
    for (int i = 0; i < r; ++i) {
        z[i] = filter.state[i];
        for (int j = 0; j < r; ++j) pz[std::size_t(i) * m + j] = filter.cov[std::size_t(i) * r + j];
    }
    const int n = int(y.size());
    for (int i = 0; i < k; ++i) z[r + i] = y[n - 1 - i];
    zrow[0] = 1;
    for (int i = 0; i < k; ++i) zrow[r + i] = delta[i];
    // The transition matrix of the whole state.
    std::vector<Real> ta(std::size_t(m) * m, Real(0));
    for (int i = 0; i < r; ++i) {
        ta[std::size_t(i) * m] = phi[i];
        if (i + 1 < r) ta[std::size_t(i) * m + i + 1] = 1;
    }
    if (k > 0) {
        for (int j = 0; j < m; ++j) ta[std::size_t(r) * m + j] = zrow[j];
        for (int i = 1; i < k; ++i) ta[std::size_t(r + i) * m + r + i - 1] = 1;
    }
    std::vector<Real> tmp(std::size_t(m) * m), next(m);
    for (int h = 0; h < horizon; ++h) {
        Real value = poly.mean, var = 0;
        for (int i = 0; i < m; ++i) {
            value += zrow[i] * z[i];
            for (int j = 0; j < m; ++j) var += zrow[i] * pz[std::size_t(i) * m + j] * zrow[j];
        }
        out.value.push_back(value);
        out.se.push_back(qm::sqrt(sigma2 * (var > 0 ? var : Real(0))));
        // z <- Ta z + (mu in the new y), P <- Ta P Ta' + Ra Ra'.
        for (int i = 0; i < m; ++i) {
            Real s = 0;
            for (int j = 0; j < m; ++j) s += ta[std::size_t(i) * m + j] * z[j];
            next[i] = s;
        }
        if (k > 0) next[r] += poly.mean;
        z = next;
        for (int i = 0; i < m; ++i)
            for (int j = 0; j < m; ++j) {
                Real s = 0;
                for (int l = 0; l < m; ++l)
                    s += ta[std::size_t(i) * m + l] * pz[std::size_t(l) * m + j];
                tmp[std::size_t(i) * m + j] = s;
            }
        for (int i = 0; i < m; ++i)
            for (int j = 0; j < m; ++j) {
                Real s = 0;
                for (int l = 0; l < m; ++l)
                    s += tmp[std::size_t(i) * m + l] * ta[std::size_t(j) * m + l];
                pz[std::size_t(i) * m + j] = s + (i < r && j < r ? rr[i] * rr[j] : Real(0));
            }
    }
    return out;
}

} // namespace tarvex
