// ARIMA estimation: the objective, its numerical derivatives, the two-stage maximisation and
// what the estimates leave (covariance, residuals, tests, forecasts).
#include "regress/arima/arima_estimate.hpp"
#include "regress/arima/arima_double_curvature.hpp"
#include "regress/arima/arima_exact_finish.hpp"
#include "regress/arima/arima_score.hpp"
#include "regress/arima/arima_search_filter.hpp"

#include "core/result_scalars.hpp"
#include "kernels/symmetric_solve.hpp"
#include "numeric/fast_arith.hpp"
#include "numeric/qmath.hpp"
#include "regress/fit/coefficient_table.hpp"
#include "regress/fit/ls_bridge.hpp"

#include <algorithm>
#include <functional>
#include <memory>

namespace tarvex {

namespace {

// Difference steps, relative to each parameter's scale. The gradient: central differences,
// truncation of order h**2 (1e-22) and rounding of order eps |log L| / h. The Hessian: during
// the iteration forward differences (error of order h, 1e-8, which only slows Newton's
// convergence by that factor), at the estimates central second differences for the covariance
// (truncation h**2, rounding eps / h**2: both near 1e-16 at h = 1e-8).
const Real GRADIENT_STEP = 1e-11Q;
const Real HESSIAN_STEP = 1e-8Q;
// The conditional-sum-of-squares stage that starts the exact likelihood stops at this
// tolerance, on at most the last START_OBSERVATIONS of the differenced series: the exact
// maximisation does the rest.
const Real START_TOLERANCE = 1e-10Q;
constexpr std::size_t START_OBSERVATIONS = 4000;
// Newton steps below this relative size end the iteration on the quadratic model.
const Real MODELED_STEP = 1e-12Q;
// The exact likelihood of a series this long (after differencing) or longer is first maximised
// in double, to SEARCH_TOLERANCE, and the binary128 iterations start there: on a long series
// each binary128 evaluation is costly, and Newton's steps far from the maximum need no more than
// double. Shorter series take the binary128 iterations from the start.
constexpr std::size_t SEARCH_MIN_OBSERVATIONS = 10000;
const Real SEARCH_TOLERANCE = 1e-9Q;
// The difference steps in double: the gradient's truncation (h**2) and rounding (eps |log L| / h)
// balance near 1e-6, the Hessian's (h and eps |log L| / h**2) near 1e-4 (relative to the scale).
const Real SEARCH_GRADIENT_STEP = 1e-6Q;
const Real SEARCH_HESSIAN_STEP = 1e-4Q;
// The relative gap between two double log-likelihoods that ranks them beyond doubt.
const Real RANK_MARGIN = 1e-8Q;

struct Objective {
    const std::vector<Real>& w;
    const ArimaOrder& order;
    ArimaMethod method;
    std::vector<Real> scale;                  // the step scale of each parameter
    const std::vector<std::vector<Real>>* dx; // the differenced regressors, as long as w
    // The double-precision search: w and dx in double (set only for it).
    const std::vector<double>* search_w = nullptr;
    const std::vector<std::vector<double>>* search_dx = nullptr;
    Real gradient_step = GRADIENT_STEP, hessian_step = HESSIAN_STEP;
    // The search's gradient and Hessian from the jets of the filter in double (exact derivatives,
    // one pass) instead of differences of values.
    bool curvature = false;

    ArmaFilter filter(const std::vector<Real>& theta, bool keep) const {
        const ArmaPolynomials poly = expand_polynomials(order, theta);
        if (!order.mean && order.regressors == 0)
            return method == ArimaMethod::ML ? arma_exact(w, poly, keep) : arma_css(w, poly, keep);
        const std::vector<Real> x = noise_of(theta, poly);
        return method == ArimaMethod::ML ? arma_exact(x, poly, keep) : arma_css(x, poly, keep);
    }
    bool value(const std::vector<Real>& theta, Real& llf) const {
        if (search_w) return search_value(theta, llf);
        const ArmaFilter f = filter(theta, false);
        llf = f.llf;
        return f.ok;
    }
    // The exact log-likelihood in double (the search).
    bool search_value(const std::vector<Real>& theta, Real& llf) const {
        const ArmaPolynomials poly = expand_polynomials(order, theta);
        std::vector<double> x(*search_w);
        const double mean = double(poly.mean);
        if (mean != 0)
            for (double& v : x) v -= mean;
        for (int j = 0; j < order.regressors; ++j) {
            const double b = double(theta[std::size_t(order.regressor_offset() + j)]);
            const std::vector<double>& c = (*search_dx)[std::size_t(j)];
            for (std::size_t t = 0; t < x.size(); ++t) x[t] -= b * c[t];
        }
        double v = 0;
        if (!(method == ArimaMethod::ML ? arma_exact_search(x, poly, v)
                                        : arma_css_search(x, poly, v)))
            return false;
        llf = Real(v);
        return true;
    }
    // The search's gradient and Hessian at theta from the jets; false where not defined.
    bool search_curvature(const std::vector<Real>& theta, std::vector<Real>& g,
                          std::vector<Real>& h) const {
        const ArimaCurvature c = arima_double_curvature(*search_w, *search_dx, order, theta);
        if (!c.ok) return false;
        g.assign(c.gradient.begin(), c.gradient.end());
        h.assign(c.hessian.begin(), c.hessian.end());
        return true;
    }
    // The series the ARMA filter sees at theta: w less the mean and the regression.
    std::vector<Real> noise_of(const std::vector<Real>& theta, const ArmaPolynomials& poly) const {
        std::vector<Real> x(w);
        for (Real& v : x) v -= poly.mean;
        for (int j = 0; j < order.regressors; ++j) {
            const Real b = theta[std::size_t(order.regressor_offset() + j)];
            const std::vector<Real>& c = (*dx)[std::size_t(j)];
            for (std::size_t t = 0; t < x.size(); ++t) x[t] -= b * c[t];
        }
        return x;
    }
    // The values at several points; false when one is not defined. The exact likelihood in
    // binary128 runs the filters side by side (the same values as one by one).
    bool values(const std::vector<std::vector<Real>>& thetas, std::vector<Real>& llf) const {
        llf.assign(thetas.size(), Real(0));
        if (search_w || method != ArimaMethod::ML) {
            for (std::size_t i = 0; i < thetas.size(); ++i)
                if (!value(thetas[i], llf[i])) return false;
            return true;
        }
        std::vector<ArmaPolynomials> polys;
        std::vector<std::vector<Real>> own;
        own.reserve(thetas.size());
        std::vector<const std::vector<Real>*> xs;
        const bool plain = !order.mean && order.regressors == 0;
        for (const std::vector<Real>& theta : thetas) {
            polys.push_back(expand_polynomials(order, theta));
            if (plain) {
                xs.push_back(&w);
            } else {
                own.push_back(noise_of(theta, polys.back()));
                xs.push_back(&own.back());
            }
        }
        const std::vector<ArmaFilter> fs = arma_exact_values(xs, polys);
        for (std::size_t i = 0; i < fs.size(); ++i) {
            if (!fs[i].ok) return false;
            llf[i] = fs[i].llf;
        }
        return true;
    }
    // The exact log-likelihood and its exact gradient (ML in binary128).
    // With `keep`, also the filter at theta with its residuals and last state.
    bool score(const std::vector<Real>& theta, Real& llf, std::vector<Real>& g,
               ArmaFilter* keep = nullptr) const {
        const bool plain = !order.mean && order.regressors == 0;
        ArimaScore s = plain ? arima_exact_score(w, order, theta, *dx, keep != nullptr)
                             : arima_exact_score(noise_of(theta, expand_polynomials(order, theta)),
                                                 order, theta, *dx, keep != nullptr);
        llf = s.llf;
        g = s.gradient;
        if (keep) *keep = std::move(s.filter);
        return s.ok;
    }
    // theta + a e_i + b e_j (steps in units of the scale).
    std::vector<Real> moved(std::vector<Real> theta, int i, Real a, int j, Real b) const {
        theta[i] += a * scale[i];
        if (j >= 0) theta[j] += b * scale[j];
        return theta;
    }
    bool gradient(const std::vector<Real>& theta, std::vector<Real>& g) const {
        const int k = int(theta.size());
        g.assign(k, Real(0));
        const Real h = gradient_step;
        std::vector<std::vector<Real>> at;
        for (int i = 0; i < k; ++i) {
            at.push_back(moved(theta, i, h, -1, 0));
            at.push_back(moved(theta, i, -h, -1, 0));
        }
        std::vector<Real> f;
        if (!values(at, f)) return false;
        for (int i = 0; i < k; ++i)
            g[i] = (f[std::size_t(2 * i)] - f[std::size_t(2 * i + 1)]) / (2 * h * scale[i]);
        return true;
    }
    // `central`: the second differences about theta; otherwise forward differences.
    bool hessian(const std::vector<Real>& theta, Real f0, std::vector<Real>& hm,
                 bool central) const {
        const int k = int(theta.size());
        hm.assign(std::size_t(k) * k, Real(0));
        const Real h = hessian_step;
        std::vector<std::vector<Real>> at;
        std::vector<Real> f;
        if (!central) {
            for (int i = 0; i < k; ++i) at.push_back(moved(theta, i, h, -1, 0));
            for (int i = 0; i < k; ++i)
                for (int j = 0; j <= i; ++j)
                    at.push_back(i == j ? moved(theta, i, 2 * h, -1, 0) : moved(theta, i, h, j, h));
            if (!values(at, f)) return false;
            std::size_t next = std::size_t(k);
            for (int i = 0; i < k; ++i)
                for (int j = 0; j <= i; ++j) {
                    const Real fij = f[next++];
                    const Real v = (fij - f[std::size_t(i)] - f[std::size_t(j)] + f0) /
                                   (h * h * scale[i] * scale[j]);
                    hm[std::size_t(i) * k + j] = hm[std::size_t(j) * k + i] = v;
                }
            return true;
        }
        // H_ij = [f(x+hi+hj) + f(x-hi-hj) - f(x+hi) - f(x-hi) - f(x+hj) - f(x-hj) + 2 f0] / 2h**2
        for (int i = 0; i < k; ++i) {
            at.push_back(moved(theta, i, h, -1, 0));
            at.push_back(moved(theta, i, -h, -1, 0));
        }
        for (int i = 0; i < k; ++i)
            for (int j = 0; j < i; ++j) {
                at.push_back(moved(theta, i, h, j, h));
                at.push_back(moved(theta, i, -h, j, -h));
            }
        if (!values(at, f)) return false;
        auto fp = [&](int i) { return f[std::size_t(2 * i)]; };
        auto fm = [&](int i) { return f[std::size_t(2 * i + 1)]; };
        for (int i = 0; i < k; ++i)
            hm[std::size_t(i) * k + i] = (fp(i) - 2 * f0 + fm(i)) / (h * h * scale[i] * scale[i]);
        std::size_t next = std::size_t(2 * k);
        for (int i = 0; i < k; ++i)
            for (int j = 0; j < i; ++j) {
                const Real fpp = f[next++], fmm = f[next++];
                const Real v = (fpp + fmm - fp(i) - fm(i) - fp(j) - fm(j) + 2 * f0) /
                               (2 * h * h * scale[i] * scale[j]);
                hm[std::size_t(i) * k + j] = hm[std::size_t(j) * k + i] = v;
            }
        return true;
    }
};

MaximizeResult maximize(const Objective& obj, const std::vector<Real>& start, int max_iterations,
                        Real tolerance, const InterruptCheck& interrupt,
                        const std::vector<Real>& start_hessian = {},
                        bool* hessian_replaced = nullptr) {
    const int k = int(start.size());
    LikelihoodEvaluate evaluate = [&](const std::vector<Real>& theta, const LikelihoodNeeds& needs,
                                      LikelihoodPoint& point, int& failed_row) {
        failed_row = -1;
        if (!obj.value(theta, point.llf)) return false;
        point.gradient.clear(), point.hessian.clear(), point.opg.clear();
        std::vector<Real> h;
        const bool jets = obj.curvature && (needs.gradient || needs.hessian || needs.opg);
        if (jets && !obj.search_curvature(theta, point.gradient, h)) return false;
        if (!jets && (needs.gradient || needs.opg) && !obj.gradient(theta, point.gradient))
            return false;
        if (needs.hessian) {
            if (jets)
                point.hessian = h;
            else if (!obj.hessian(theta, point.llf, point.hessian, false))
                return false;
        }
        if (needs.opg) {
            if (hessian_replaced) *hessian_replaced = true;
            // Asked for where the Hessian is not negative definite: minus the Hessian with each
            // diagonal element raised in proportion to its own size until it is positive
            // definite (Marquardt's step). In proportion, so that a parameter measured in the
            // series' units (a mean of a series of size 1e-4 has a curvature 1e8 times an AR
            // coefficient's) does not freeze the others.
            if (!jets && !obj.hessian(theta, point.llf, h, false)) return false;
            Real top = 0;
            for (int j = 0; j < k; ++j) top = std::max(top, qm::abs(h[std::size_t(j) * k + j]));
            std::vector<Real> size(std::size_t(k), Real(1));
            for (int j = 0; j < k; ++j) {
                const Real d = qm::abs(h[std::size_t(j) * k + j]);
                size[std::size_t(j)] = d > top * 1e-20Q ? d : top > 0 ? top * 1e-20Q : Real(1);
            }
            Real lift = 1e-3Q;
            std::vector<Real> lower;
            for (int tries = 0; tries < 60; ++tries, lift *= 4) {
                point.opg.assign(h.size(), Real(0));
                for (std::size_t i = 0; i < h.size(); ++i) point.opg[i] = -h[i];
                for (int j = 0; j < k; ++j)
                    point.opg[std::size_t(j) * k + j] += lift * size[std::size_t(j)];
                int bad = -1;
                if (cholesky_factor(point.opg, k, lower, bad, Real(1e-32Q))) break;
            }
        }
        return true;
    };
    MaximizeControl mc;
    mc.method = MaximizeMethod::NEWTON;
    mc.max_iterations = max_iterations;
    mc.parameter_tolerance = tolerance;
    mc.opg_at_maximum = false;
    mc.interrupt = interrupt;
    mc.start_hessian = start_hessian;
    // A last Newton step this short is taken on the quadratic model without a new evaluation:
    // its error is of the order of its square.
    mc.modeled_step = MODELED_STEP;
    return maximize_likelihood(start, evaluate, mc, true);
}

// The start of the mean and the regression coefficients: least squares of the differenced
// series on them (with the ARMA terms at zero). Each coefficient's step scale is the ratio of the
// standard deviations of the series and its regressor. Collinear regressors keep the start 0:
// the covariance then fails as not identified.
void regression_start(const std::vector<Real>& w, const std::vector<std::vector<Real>>& dx,
                      const ArimaOrder& order, std::vector<Real>& start, std::vector<Real>& scale) {
    const int first = order.arma_count();
    const int m = order.parameter_count() - first;
    const std::size_t n = w.size();
    auto column = [&](int c, std::size_t t) {
        return order.mean && c == 0 ? Real(1) : dx[std::size_t(c - (order.mean ? 1 : 0))][t];
    };
    std::vector<Real> xtx(std::size_t(m) * m, Real(0)), xty(std::size_t(m), Real(0));
    for (std::size_t t = 0; t < n; ++t)
        for (int i = 0; i < m; ++i) {
            const Real xi = column(i, t);
            xty[std::size_t(i)] += xi * w[t];
            for (int j = 0; j <= i; ++j) xtx[std::size_t(i) * m + j] += xi * column(j, t);
        }
    for (int i = 0; i < m; ++i)
        for (int j = 0; j < i; ++j) xtx[std::size_t(j) * m + i] = xtx[std::size_t(i) * m + j];
    Real wvar = 0, wmean = 0;
    for (Real v : w) wmean += v;
    wmean /= Real(n);
    for (Real v : w) wvar += (v - wmean) * (v - wmean);
    for (int j = 0; j < order.regressors; ++j) {
        const std::vector<Real>& c = dx[std::size_t(j)];
        Real cm = 0, cv = 0;
        for (Real v : c) cm += v;
        cm /= Real(n);
        for (Real v : c) cv += (v - cm) * (v - cm);
        const Real ratio = cv > 0 && wvar > 0 ? qm::sqrt(wvar / cv) : Real(1);
        scale[std::size_t(order.regressor_offset() + j)] = ratio;
    }
    std::vector<Real> lower;
    int bad = -1;
    if (!cholesky_factor(xtx, m, lower, bad, Real(1e-32Q))) return;
    const std::vector<Real> b = cholesky_solve(lower, m, xty);
    for (int i = 0; i < m; ++i) start[std::size_t(first + i)] = b[std::size_t(i)];
}

// The noise of the regression, y - X b (y itself without regressors).
std::vector<Real> regression_noise(const std::vector<Real>& y, const ArimaOrder& order,
                                   const ArimaRegressors& xreg, const std::vector<Real>& coef) {
    std::vector<Real> noise(y);
    for (int j = 0; j < order.regressors; ++j) {
        const Real b = coef[std::size_t(order.regressor_offset() + j)];
        const std::vector<Real>& c = xreg.columns[std::size_t(j)];
        for (std::size_t t = 0; t < noise.size(); ++t) noise[t] -= b * c[t];
    }
    return noise;
}

// The forecasts of y: those of the noise from the filter's last state, plus X b at the
// forecast observations. Their standard errors are the noise's (b taken as known).
void forecast_with_regressors(const ArimaRegressors& xreg, const std::vector<Real>& coef,
                              const ArimaStatePart& state, int horizon, ArimaEstimate& e) {
    state.noise_forecast(horizon, e.forecast.value, e.forecast.se);
    const ArimaOrder& order = state.order;
    for (int j = 0; j < order.regressors; ++j) {
        const Real b = coef[std::size_t(order.regressor_offset() + j)];
        const std::vector<Real>& future = xreg.future[std::size_t(j)];
        for (std::size_t h = 0; h < e.forecast.value.size(); ++h)
            e.forecast.value[h] += b * future[h];
    }
}

bool usable_start(const ArimaOrder& order, const std::vector<Real>& theta) {
    const ArmaPolynomials poly = expand_polynomials(order, theta);
    return roots_outside_unit_circle(poly.ar) && ma_invertible(poly.ma);
}

// The start of the ARMA terms of a regression: their conditional-sum-of-squares estimates on
// the noise the least-squares start leaves (on at most its last START_OBSERVATIONS). Starting
// them at zero beside the regression's coefficients, the joint surface can lead Newton's first
// steps to a lesser maximum. Kept at zero when those estimates are not stationary and
// invertible.
void noise_arma_start(const std::vector<Real>& w, const std::vector<std::vector<Real>>& dx,
                      const ArimaOrder& order, const ArimaControl& control,
                      std::vector<Real>& start) {
    const int arma = order.arma_count();
    if (arma == 0) return;
    const std::size_t cut = w.size() - std::min(w.size(), START_OBSERVATIONS);
    std::vector<Real> noise(w.begin() + std::ptrdiff_t(cut), w.end());
    const Real mean = order.mean ? start[std::size_t(arma)] : Real(0);
    for (std::size_t t = 0; t < noise.size(); ++t) {
        noise[t] -= mean;
        for (int j = 0; j < order.regressors; ++j)
            noise[t] -=
                start[std::size_t(order.regressor_offset() + j)] * dx[std::size_t(j)][cut + t];
    }
    ArimaOrder arma_only = order;
    arma_only.mean = false;
    arma_only.regressors = 0;
    const Objective css{noise, arma_only, ArimaMethod::CSS, std::vector<Real>(arma, Real(1)),
                        nullptr};
    const MaximizeResult fit = maximize(css, std::vector<Real>(arma, Real(0)),
                                        control.max_iterations, START_TOLERANCE, control.interrupt);
    if (fit.status == MaximizeStatus::UNDEFINED_AT_START ||
        fit.status == MaximizeStatus::SINGULAR || !usable_start(arma_only, fit.parameters))
        return;
    std::copy(fit.parameters.begin(), fit.parameters.end(), start.begin());
}

// Whether the log-likelihood at `end` is above that at `start` by more than the double filter's
// rounding can account for (both defined in double): the binary128 values then rank them alike.
// The double value differs from the binary128 one by the rounding of the data, the coefficients
// and the sums in double, a few units of 1e-16 relative times the length: far below RANK_MARGIN.
bool clearly_above(const Objective& in_double, const std::vector<Real>& end,
                   const std::vector<Real>& start) {
    Real at_end = 0, at_start = 0;
    if (!in_double.value(end, at_end) || !in_double.value(start, at_start)) return false;
    return at_end - at_start > RANK_MARGIN * (1 + qm::abs(at_end));
}

// The objective of the search: `exact` on the series and regressors in double.
Objective search_objective(const Objective& exact, const std::vector<double>& search_w,
                           const std::vector<std::vector<double>>& search_dx) {
    Objective in_double = exact;
    in_double.search_w = &search_w;
    in_double.search_dx = &search_dx;
    in_double.gradient_step = SEARCH_GRADIENT_STEP;
    in_double.hessian_step = SEARCH_HESSIAN_STEP;
    in_double.curvature = exact.order.parameter_count() <= MAX_CURVATURE_PARAMETERS;
    return in_double;
}

// The log-likelihood's gradient at theta in the extended format; false where it is not formed.
using ExtendedGradientAt =
    std::function<bool(const std::vector<Real>& theta, std::vector<Real>& gradient)>;

// The Newton step of a gradient on a Hessian; false when the Hessian is not negative definite.
bool newton_step(const std::vector<Real>& gradient, const std::vector<Real>& hessian,
                 std::vector<Real>& step) {
    const int k = int(gradient.size());
    if (k == 0 || hessian.size() != std::size_t(k) * std::size_t(k)) return false;
    std::vector<Real> minus(hessian), lower;
    for (Real& v : minus) v = -v;
    int bad = -1;
    if (!cholesky_factor(minus, k, lower, bad, Real(1e-32Q))) return false;
    step = cholesky_solve(lower, k, gradient);
    return true;
}

// Where the binary128 iterations start: the point, the Hessian of their steps and the binary128
// log-likelihood and gradient there.
struct BinaryStart {
    std::vector<Real> theta, hessian;
    ExactScoreKnown score;
};

// The double-precision search of the exact likelihood from `start`, to SEARCH_TOLERANCE. Its
// end is kept (its iterations > 0) only when it converged to stationary, invertible values whose
// binary128 log-likelihood is above that of the start, by full Newton steps on a negative
// definite Hessian all the way: such a path is the one the binary128 iterations take (each of
// their steps is the same to double's rounding, and each is taken whole), so it leads to the
// same maximum. A path that halved a step or replaced the Hessian made a choice that rounding
// can turn, and may end at another local maximum: then the binary128 iterations take the path
// from the start (the returned iterations are 0).
// With `extended`, one more Newton step follows, on the search's Hessian and the gradient in the
// extended format at the search's end: that end is within double's rounding of the maximum (about
// 1e-17), and the step brings it within the extended format's (about 1e-20 on 100,000
// observations), so that the binary128 iterations start a full step shorter. It is listed as an
// iteration of its own. `begin` receives where the binary128 iterations start, with the binary128
// log-likelihood and gradient there, which the check needs. The start's binary128 value is needed
// only when the double values do not already rank the two points beyond their rounding.
MaximizeResult double_search(const Objective& exact, const Objective& in_double,
                             const std::vector<Real>& start, const ArimaControl& control,
                             const ExtendedGradientAt& extended, BinaryStart& begin) {
    bool hessian_replaced = false;
    MaximizeResult search = maximize(in_double, start, control.max_iterations - 1, SEARCH_TOLERANCE,
                                     control.interrupt, {}, &hessian_replaced);
    const bool newton_path =
        !hessian_replaced && std::all_of(search.history.begin(), search.history.end(),
                                         [](const MaximizeIteration& it) { return it.step == 1; });
    if (search.status != MaximizeStatus::CONVERGED || search.iterations == 0 || !newton_path ||
        !usable_start(exact.order, search.parameters))
        return MaximizeResult{};
    begin.theta = search.parameters;
    begin.hessian = search.at_maximum.hessian;
    std::vector<Real> g, step;
    bool stepped = false;
    if (extended && search.iterations + 1 < control.max_iterations) {
        check_for_interrupt(control.interrupt);
        if (extended(search.parameters, g) && newton_step(g, begin.hessian, step)) {
            std::vector<Real> moved(search.parameters);
            for (std::size_t j = 0; j < moved.size(); ++j) moved[j] += step[j];
            if (usable_start(exact.order, moved)) {
                begin.theta = moved;
                stepped = true;
            }
        }
    }
    Real at_start = 0, at_end = 0;
    const bool kept = exact.score(begin.theta, at_end, begin.score.gradient) &&
                      (clearly_above(in_double, begin.theta, start) ||
                       !exact.value(start, at_start) || at_end > at_start);
    if (!kept) return MaximizeResult{};
    begin.score.known = true;
    begin.score.llf = at_end;
    if (stepped) {
        MaximizeIteration it;
        it.iteration = ++search.iterations;
        it.step = 1;
        it.llf = at_end;
        it.parameters = begin.theta;
        search.history.push_back(it);
        search.parameters = begin.theta;
    }
    // The Hessian that takes the first binary128 step, at the search's end: the jets' at the
    // last point the search evaluated (exact to double's rounding there, and within a modeled
    // step of at most MODELED_STEP of the end), or else central second differences in double at
    // the end (error about SEARCH_HESSIAN_STEP**2), so that one evaluated binary128 step brings
    // the estimates within the quadratic model's reach. Kept as it is when not defined.
    if (in_double.curvature && !begin.hessian.empty()) return search;
    std::vector<Real> central;
    Real at_end_double = 0;
    if (in_double.value(search.parameters, at_end_double) &&
        in_double.hessian(search.parameters, at_end_double, central, true))
        begin.hessian = central;
    return search;
}

// The record's summary, the listed Ljung-Box tests as named statistics, the scalars and the
// forecasts' 95% intervals.
void fill_arima_result(const ArimaOrder& order, const ArmaFilter& f, ArimaEstimate& e) {
    ModelResult& m = e.result;
    EstimationResults& r = m.record;
    if (!e.state) r.not_forecast = "ARIMA MODEL"; // no state to forecast from
    r.df = r.n - r.k;
    r.sse = f.ssq;
    r.sigma = qm::sqrt(e.sigma2);
    r.has_llf = true;
    r.llf = f.llf;
    r.intercept = order.mean;
    r.asymptotic = true;
    infer_coefficients(m);
    const Correlogram& c = e.resid_tests;
    const int last = int(c.q.size());
    for (int lag = 1; lag <= last; ++lag) {
        if (!listed_residual_lag(lag, last)) continue;
        const std::size_t i = std::size_t(lag - 1);
        const bool tested = c.q_df[i] > 0;
        m.add_statistic({"LJUNG-BOX Q(" + std::to_string(lag) + ")", c.q[i],
                         tested ? StatisticLaw::CHI_SQUARE : StatisticLaw::NONE, Real(c.q_df[i]), 0,
                         tested, tested ? c.q_pvalue[i] : Real(0)});
    }
    m.set_scalar(R_LLF, f.llf);
    m.set_size_scalars();
    m.set_scalar(R_SSE, f.ssq);
    m.set_scalar(R_SIG2, e.sigma2);
    m.set_scalar(R_AIC, e.aic);
    m.set_scalar(R_SC, e.bic);
    const Real z = normal_quantile(Real(0.975Q));
    for (std::size_t h = 0; h < e.forecast.value.size(); ++h) {
        e.forecast_lower.push_back(e.forecast.value[h] - z * e.forecast.se[h]);
        e.forecast_upper.push_back(e.forecast.value[h] + z * e.forecast.se[h]);
    }
}

} // namespace

ArimaEstimate estimate_arima(const std::vector<Real>& y, const ArimaOrder& order,
                             const ArimaControl& control, const ArimaRegressors& xreg) {
    ArimaEstimate e;
    const std::vector<Real> w = difference_series(y, order);
    std::vector<std::vector<Real>> dx;
    for (const std::vector<Real>& c : xreg.columns) dx.push_back(difference_series(c, order));
    const int k = order.parameter_count();
    e.n = int(y.size());
    e.result.record.n = int(w.size()), e.result.record.k = k;
    std::vector<Real> start(k, Real(0));
    std::vector<Real> scale(k, Real(1));
    // The mean's start and step scale: the series' mean and standard deviation, summed on the
    // integer unit (the library's bits). Without a mean neither is needed.
    if (order.mean) {
        Real mean = 0, var = 0;
        for (Real v : w) mean = fast_add(mean, v);
        mean /= Real(w.size());
        for (Real v : w) {
            const Real d = fast_subtract(v, mean);
            var = fast_add(var, fast_multiply(d, d));
        }
        var /= Real(w.size());
        start[std::size_t(order.arma_count())] = mean;
        scale[std::size_t(order.arma_count())] = var > 0 ? qm::sqrt(var) : Real(1);
    }
    if (order.regressors > 0) {
        regression_start(w, dx, order, start, scale);
        noise_arma_start(w, dx, order, control, start);
    }
    const Objective css{w, order, ArimaMethod::CSS, scale, &dx};
    MaximizeResult fit;
    ExactFinish scored; // the long series' iterations on the exact gradient
    if (control.method == ArimaMethod::ML) {
        const bool searching = control.search_in_double && w.size() >= SEARCH_MIN_OBSERVATIONS &&
                               order.arma_count() > 0 && control.max_iterations > 1;
        if (order.arma_count() > 0) {
            const std::ptrdiff_t cut =
                std::ptrdiff_t(w.size() - std::min(w.size(), START_OBSERVATIONS));
            const std::vector<Real> tail(w.begin() + cut, w.end());
            std::vector<std::vector<Real>> dx_tail;
            for (const std::vector<Real>& c : dx) dx_tail.emplace_back(c.begin() + cut, c.end());
            Objective css_start{tail, order, ArimaMethod::CSS, scale, &dx_tail};
            // A long series' start is also found in double (its value only starts the search).
            std::vector<double> tail_double;
            std::vector<std::vector<double>> dx_tail_double;
            if (searching) {
                for (Real v : tail) tail_double.push_back(double(v));
                for (const std::vector<Real>& c : dx_tail) {
                    dx_tail_double.emplace_back();
                    for (Real v : c) dx_tail_double.back().push_back(double(v));
                }
                css_start.search_w = &tail_double;
                css_start.search_dx = &dx_tail_double;
                css_start.gradient_step = SEARCH_GRADIENT_STEP;
                css_start.hessian_step = SEARCH_HESSIAN_STEP;
            }
            const MaximizeResult first = maximize(css_start, start, control.max_iterations,
                                                  START_TOLERANCE, control.interrupt);
            if (first.status != MaximizeStatus::UNDEFINED_AT_START &&
                first.status != MaximizeStatus::SINGULAR && usable_start(order, first.parameters))
                start = first.parameters;
        }
        Objective exact{w, order, ArimaMethod::ML, scale, &dx};
        std::vector<double> search_w;
        std::vector<std::vector<double>> search_dx;
        if (searching) {
            search_w.reserve(w.size());
            for (Real v : w) search_w.push_back(double(v));
            for (const std::vector<Real>& c : dx) {
                search_dx.emplace_back();
                for (Real v : c) search_dx.back().push_back(double(v));
            }
        }
        const Objective in_double = search_objective(exact, search_w, search_dx);
        // The series and regressors in the extended format, for the Hessian at the end.
        std::vector<long double> extended_w;
        std::vector<std::vector<long double>> extended_dx;
        if (searching && in_double.curvature) {
            extended_w.reserve(w.size());
            for (Real v : w) extended_w.push_back(static_cast<long double>(v));
            for (const std::vector<Real>& c : dx) {
                extended_dx.emplace_back();
                for (Real v : c) extended_dx.back().push_back(static_cast<long double>(v));
            }
        }
        // With the jets, the gradient and Hessian in the extended format: the step after the
        // search's end (a series without mean or regressors), the last step and the covariance
        // are taken on them.
        ExtendedGradientAt extended;
        ExactHessianAt hessian_at;
        if (searching && in_double.curvature) {
            extended = [&](const std::vector<Real>& theta, std::vector<Real>& g) {
                ArimaCurvature c = arima_extended_gradient(extended_w, order, theta);
                g = std::move(c.gradient);
                return c.ok;
            };
            hessian_at = [&](const std::vector<Real>& theta, std::vector<Real>& h) {
                ArimaCurvature c = arima_extended_curvature(extended_w, extended_dx, order, theta);
                h = std::move(c.hessian);
                return c.ok;
            };
        }
        MaximizeResult search;
        BinaryStart begin;
        if (searching) search = double_search(exact, in_double, start, control, extended, begin);
        const int budget = control.max_iterations - search.iterations;
        // From the search's end (or the extended format's step beyond it) the binary128
        // iterations take Newton steps on the exact gradient with the Hessian at the search's end
        // (the jets' is exact to double's rounding, so each step shrinks the error by about
        // 1e-15), and the last step and the covariance take the jets' Hessian at their end in the
        // extended format (else one of binary128 gradient differences). Should the steps not
        // shrink as Newton's do, the iterations of values take over from the same point.
        if (search.iterations > 0) {
            const ExactScoreAt at = [&exact](const std::vector<Real>& theta, Real& llf,
                                             std::vector<Real>& g, ArmaFilter* keep) {
                return exact.score(theta, llf, g, keep);
            };
            // The last pass, at the estimates, is the filter of values: its residuals and state
            // are those of the exact gradient's pass (the same operations), without the
            // derivatives no step needs any more.
            const ExactFilterAt filter_at = [&exact](const std::vector<Real>& theta) {
                return exact.filter(theta, true);
            };
            scored = finish_by_exact_gradient(at, begin.theta, begin.hessian, scale, budget,
                                              control.parameter_tolerance, control.interrupt,
                                              begin.score, hessian_at, filter_at);
        }
        fit = scored.ok ? scored.fit
              : search.iterations > 0
                  ? maximize(exact, begin.theta, budget, control.parameter_tolerance,
                             control.interrupt, begin.hessian)
                  : maximize(exact, start, budget, control.parameter_tolerance, control.interrupt);
        // The iterations reported are those of both phases.
        if (search.iterations > 0) {
            for (MaximizeIteration& it : fit.history) it.iteration += search.iterations;
            search.history.insert(search.history.end(), fit.history.begin(), fit.history.end());
            fit.history = std::move(search.history);
            fit.iterations += search.iterations;
        }
    } else {
        fit = maximize(css, start, control.max_iterations, control.parameter_tolerance,
                       control.interrupt);
    }
    e.iterations = fit.iterations;
    e.history = fit.history;
    if (fit.status == MaximizeStatus::UNDEFINED_AT_START) {
        e.end = ArimaEnd::NONSTATIONARY;
        return e;
    }
    if (fit.status == MaximizeStatus::SINGULAR) {
        e.end = ArimaEnd::SINGULAR;
        return e;
    }
    e.end = fit.status == MaximizeStatus::ITERATION_LIMIT ? ArimaEnd::ITERATION_LIMIT
            : fit.status == MaximizeStatus::STUCK         ? ArimaEnd::STUCK
                                                          : ArimaEnd::CONVERGED;
    EstimationResults& r = e.result.record;
    r.coef = fit.parameters;
    const ArmaPolynomials poly = expand_polynomials(order, r.coef);
    e.stationary = roots_outside_unit_circle(poly.ar);
    e.invertible = ma_invertible(poly.ma);
    if (!e.stationary) {
        e.end = ArimaEnd::NONSTATIONARY;
        return e;
    }
    const Objective at{w, order, control.method, scale, &dx};
    // The exact gradient's last pass has the filter at the estimates already.
    const ArmaFilter f = scored.ok ? std::move(scored.filter) : at.filter(r.coef, true);
    std::vector<Real> hessian;
    // The exact gradient's iterations leave the Hessian at the estimates (and the gradient, when
    // their last pass formed it).
    if (scored.ok) {
        e.gradient = scored.gradient;
        hessian = scored.hessian;
    }
    if (!f.ok || (!scored.ok && (!at.gradient(r.coef, e.gradient) ||
                                 !at.hessian(r.coef, f.llf, hessian, true)))) {
        e.end = ArimaEnd::NONSTATIONARY;
        return e;
    }
    for (Real& v : hessian) v = -v;
    std::vector<Real> lower;
    int bad = -1;
    if (k > 0 && !cholesky_factor(hessian, k, lower, bad, Real(1e-32Q))) {
        e.end = ArimaEnd::SINGULAR;
        return e;
    }
    if (k > 0) r.cov = cholesky_inverse(lower, k);
    standard_errors_and_ratios(r.coef, r.cov, r.stderrs, r.tratios);
    e.sigma2 = f.sigma2;
    e.used = f.used;
    e.aic = -2 * f.llf + 2 * Real(k + 1);
    e.bic = -2 * f.llf + Real(k + 1) * qm::log(Real(r.n));
    // The residuals and one-step predictions of y at its observations d + D s + 1 .. n.
    const int lost = order.differencing_lags();
    for (int t = 0; t < r.n; ++t) {
        r.residuals.push_back(f.resid[t]);
        r.predicted.push_back(fast_subtract(y[std::size_t(t + lost)], f.resid[t]));
    }
    // Ljung-Box on the residuals the sum of squares used.
    const int skip = control.method == ArimaMethod::CSS ? order.full_p() : 0;
    const std::vector<Real> used_resid(r.residuals.begin() + skip, r.residuals.end());
    const int lags = std::min(control.lags, int(used_resid.size()) - 1);
    if (lags > 0) e.resid_tests = correlogram(used_resid, lags, order.arma_count());
    // The state after the last observation comes from the exact filter in either method: the
    // forecasts, here and in FCAST, start from it.
    const Objective exact{w, order, ArimaMethod::ML, scale, &dx};
    ArmaFilter fe = control.method == ArimaMethod::ML ? f : exact.filter(r.coef, true);
    if (fe.ok) {
        auto state = std::make_shared<ArimaStatePart>();
        state->first_regressor = order.regressor_offset();
        state->noise = regression_noise(y, order, xreg, r.coef);
        state->order = order;
        state->poly = poly;
        fe.resid.clear();
        state->filter = std::move(fe);
        state->sigma2 = e.sigma2;
        if (control.horizon > 0) forecast_with_regressors(xreg, r.coef, *state, control.horizon, e);
        e.state = state;
        r.model = state;
    }
    fill_arima_result(order, f, e);
    return e;
}

} // namespace tarvex
