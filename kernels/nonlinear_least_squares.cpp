// Levenberg-Marquardt on the exact cross-product matrix of [J r], solved in double-binary128,
// with a scaled trust region, then variable projection, for the far phase when it does not
// converge.
#include "kernels/nonlinear_least_squares.hpp"

#include "kernels/exact_gram.hpp"
#include "kernels/gram_cholesky.hpp"
#include "kernels/least_squares.hpp"
#include "kernels/symmetric_solve.hpp"
#include "numeric/exact_dot.hpp"
#include "numeric/qmath.hpp"

#include <algorithm>

namespace tarvex {

namespace {

// lambda beyond this: the steps are far below any tolerance; no step can lower the SSE.
const Real LAMBDA_LIMIT = 1e40Q;
// A Gauss-Newton step that predicts a fall of the sum of squares below this fraction of it is
// close enough to the minimum to be taken without damping or test (while the falls contract).
const Real CLOSE_RATIO = 1e-10Q;
// After undamped steps stopped contracting, they are tried again only this much closer.
const Real CLOSE_RATIO_TIGHTENING = 1e-6Q;
// A predicted fall below this fraction is below the rounding of the sum of squares.
const Real FLOOR_RATIO = 1e-30Q;
// A full step that does not lower the sum of squares ends the fit only when it changes no
// parameter by more than this relatively: below the rounding of the sum of squares its fall
// cannot be seen, while the step itself still carries digits of the minimum.
const Real STALLED_STEP = 1e-27Q;
// A damped step is refused when its geodesic correction is larger than this against it.
const Real MAX_ACCELERATION_RATIO = 0.75Q;
// Damping below this is taken as none (pure Gauss-Newton steps).
const Real LAMBDA_FLOOR = 1e-40Q;
// A damped system is never dependent in the sense of the undamped test; only an exactly zero
// remaining sum of squares stops its factor.
const Real DAMPED_DEPENDENCE_RATIO = 0;

GramColumns columns_of(int n, int k, const std::vector<Real>& jacobian,
                       const std::vector<Real>& residuals) {
    GramColumns c;
    c.nobs = static_cast<std::size_t>(n);
    for (int j = 0; j < k; ++j) c.columns.push_back(jacobian.data() + std::size_t(j) * n);
    c.columns.push_back(residuals.data());
    return c;
}

// The matrix with lambda * scale_j added to its K regressor diagonal elements.
GramMatrix damped(const GramMatrix& gram, int k, Real lambda, const std::vector<Real>& scale) {
    GramMatrix d = gram;
    if (lambda == 0) return d;
    for (int j = 0; j < k; ++j)
        d.set(j, j, d.at(j, j) + wide(lambda * scale[static_cast<std::size_t>(j)]));
    return d;
}

// max_j |step_j| / (|b_j| + tolerance).
Real relative_size(const std::vector<Real>& step, const std::vector<Real>& b, Real tolerance) {
    Real size = 0;
    for (std::size_t j = 0; j < b.size(); ++j)
        size = std::max(size, qm::abs(step[j]) / (qm::abs(b[j]) + tolerance));
    return size;
}

// step' (J'J) step: the fall in the sum of squares the Gauss-Newton step predicts.
Real quadratic_form(const GramMatrix& gram, const std::vector<Real>& step) {
    const int k = static_cast<int>(step.size());
    Real sum = 0;
    for (int a = 0; a < k; ++a)
        for (int b = 0; b < k; ++b) sum += step[a] * gram.at(a, b).hi * step[b];
    return sum;
}

// 2 step' J'r - step' J'J step: the fall in the sum of squares the linear model predicts for
// a step (column K of the matrix holds J'r).
Real linear_model_fall(const GramMatrix& gram, const std::vector<Real>& step) {
    const int k = static_cast<int>(step.size());
    Real along = 0;
    for (int a = 0; a < k; ++a) along += step[a] * gram.at(a, k).hi;
    return 2 * along - quadratic_form(gram, step);
}

// The geodesic acceleration of a damped step v: a with (J'J + lambda D) a = J' r_vv, r_vv the
// second derivative of the residuals along v, and the ratio 2 |a| / |v| in the damping scale.
struct Acceleration {
    bool ok = false;
    std::vector<Real> step;
    Real ratio = 0;
};

Acceleration acceleration(const GramMatrix& system, int nobs, const std::vector<Real>& b,
                          const std::vector<Real>& v, const std::vector<Real>& jacobian,
                          const NlsCurvature& curvature, const std::vector<Real>& scale) {
    Acceleration out;
    const int k = static_cast<int>(v.size());
    const std::size_t n = static_cast<std::size_t>(nobs);
    std::vector<Real> second(n);
    if (!curvature(b, v, second.data())) return out;
    GramMatrix g = system;
    ExactAccumulator sum;
    for (int j = 0; j < k; ++j)
        g.set(j, k, wide(sum.dot(jacobian.data() + std::size_t(j) * n, second.data(), n)));
    g.set(k, k, wide(sum.dot(second.data(), second.data(), n)));
    const GramFit fit = gram_cholesky_solve(g, nobs, DAMPED_DEPENDENCE_RATIO);
    if (!fit.ok()) return out;
    Real vv = 0, aa = 0;
    for (int j = 0; j < k; ++j) {
        vv += scale[j] * v[j] * v[j];
        aa += scale[j] * fit.coef[j] * fit.coef[j];
    }
    if (!(vv > 0)) return out;
    out.ok = true;
    out.step = fit.coef;
    out.ratio = 2 * qm::sqrt(aa / vv);
    return out;
}

// The length, as a multiple of the Gauss-Newton step s, that minimises the sum of squares along
// it to second order: |Js|^2 / (|Js|^2 + r . r_ss), r_ss the residuals' second derivative along
// s. Where the residuals at the minimum are large, J'J leaves their curvature out and every step
// is too long or too short by a steady factor, so that the steps shrink only geometrically; the
// length corrects that factor. 1 when the curvature cannot be had or the model has no minimum
// along s; kept within [MIN_LENGTH, MAX_LENGTH].
const Real MIN_LENGTH = 0.25Q;
const Real MAX_LENGTH = 4;

Real gauss_newton_length(int nobs, const std::vector<Real>& b, const std::vector<Real>& s,
                         Real js_squared, const std::vector<Real>& residuals,
                         const NlsCurvature& curvature) {
    if (!curvature || !(js_squared > 0)) return 1;
    const std::size_t n = static_cast<std::size_t>(nobs);
    std::vector<Real> second(n);
    if (!curvature(b, s, second.data())) return 1;
    ExactAccumulator sum;
    const Real denominator = js_squared + sum.dot(residuals.data(), second.data(), n);
    if (!(denominator > 0)) return 1;
    return std::clamp(js_squared / denominator, MIN_LENGTH, MAX_LENGTH);
}

// The fit at its start: the residuals, the Jacobian and the sum of squares there; false (status
// UNDEFINED_AT_START, the failing row noted) when the model is undefined at the start.
bool evaluate_start(int nobs, const std::vector<Real>& start, const NlsEvaluate& evaluate,
                    NlsResult& out) {
    const std::size_t n = static_cast<std::size_t>(nobs);
    out.parameters = start;
    out.residuals.assign(n, 0);
    out.jacobian.assign(n * start.size(), 0);
    int row = -1;
    if (!evaluate(out.parameters, out.residuals.data(), out.jacobian.data(), row)) {
        out.status = NlsStatus::UNDEFINED_AT_START;
        out.failed_row = row;
        return false;
    }
    out.sse = ls_detail::sum_of_squares(out.residuals.data(), nobs);
    return true;
}

// How the damping is scaled along each parameter: by the largest diagonal element of J'J met
// so far (robust where the model goes flat in a direction), or by the current one (robust where
// the scale of a parameter's derivative changes by many orders along the way).
enum class DampingScale { LARGEST_SO_FAR, CURRENT };

NlsResult levenberg_marquardt(int nobs, const std::vector<Real>& start, const NlsEvaluate& evaluate,
                              const NlsControl& control, const NlsCurvature& curvature,
                              DampingScale scaling) {
    const int k = static_cast<int>(start.size());
    const std::size_t n = static_cast<std::size_t>(nobs);
    NlsResult out;
    if (!evaluate_start(nobs, start, evaluate, out)) return out;
    // Residuals too large for their squares to be summed: no step can be measured from here.
    if (qm::isinf(out.sse) || qm::isnan(out.sse)) {
        out.status = NlsStatus::UNDEFINED_AT_START;
        return out;
    }
    std::vector<Real> trial(k), trial_residuals(n), scale(k, 0);
    std::vector<Real> trial_jacobian(n * std::size_t(k));
    Real lambda = control.lambda_start;
    Real growth = 2; // the factor lambda grows by at the next refused step (Nielsen)
    bool converged = false;
    bool gauss_newton = false; // near the minimum: Gauss-Newton steps taken as they come
    Real previous_fall = 0;    // the fall in the SSE the last Gauss-Newton step taken predicted
    Real close_ratio = CLOSE_RATIO;
    int row = -1;
    for (int iteration = 1; iteration <= control.max_iterations && !converged; ++iteration) {
        check_for_interrupt(control.interrupt);
        const GramMatrix gram = exact_gram(columns_of(nobs, k, out.jacobian, out.residuals));
        // The damping scale of each parameter.
        Real largest = 0;
        for (int j = 0; j < k; ++j) {
            scale[j] = scaling == DampingScale::LARGEST_SO_FAR
                           ? std::max(scale[j], gram.at(j, j).hi)
                           : gram.at(j, j).hi;
            largest = std::max(largest, scale[j]);
        }
        for (int j = 0; j < k; ++j)
            if (scale[j] == 0) scale[j] = largest > 0 ? largest : Real(1);
        // The undamped (Gauss-Newton) step: its size is the distance to the minimum.
        const GramFit gn = gram_cholesky_solve(gram, nobs, DAMPED_DEPENDENCE_RATIO);
        Real size = 0, predicted = 0;
        if (gn.ok()) {
            size = relative_size(gn.coef, out.parameters, control.parameter_tolerance);
            if (size <= control.parameter_tolerance) {
                converged = true;
                break;
            }
            predicted = quadratic_form(gram, gn.coef);
            if (predicted <= close_ratio * out.sse) gauss_newton = true;
        }
        if (gn.ok() && gauss_newton) {
            // Once the falls the steps predict stop shrinking, the steps are rounding noise: the
            // minimum is reached to the precision of the data and the arithmetic.
            if (previous_fall > 0 && predicted >= previous_fall) {
                if (predicted <= FLOOR_RATIO * out.sse) {
                    converged = out.at_rounding_floor = true;
                    break;
                }
                // Not contracting while the steps still matter: damped steps again, and
                // undamped ones only much closer to the minimum.
                gauss_newton = false;
                previous_fall = 0;
                close_ratio = std::min(close_ratio, predicted / out.sse) * CLOSE_RATIO_TIGHTENING;
            }
        }
        if (gn.ok() && gauss_newton) {
            // The corrected length first; where it raises the sum of squares, the plain step.
            Real length = gauss_newton_length(nobs, out.parameters, gn.coef, predicted,
                                              out.residuals, curvature);
            bool evaluated = false;
            Real sse = 0;
            for (;;) {
                for (int j = 0; j < k; ++j) trial[j] = out.parameters[j] + length * gn.coef[j];
                // Taken as it comes: evaluated with its Jacobian at once, into spare arrays so
                // that a step out of the domain leaves the current point as it was.
                evaluated = evaluate(trial, trial_residuals.data(), trial_jacobian.data(), row);
                if (evaluated) sse = ls_detail::sum_of_squares(trial_residuals.data(), nobs);
                if (length == 1 || (evaluated && sse < out.sse)) break;
                length = 1;
            }
            if (evaluated) {
                // A full step that predicts a fall below the rounding of the sum of squares, is
                // itself below STALLED_STEP, and does not lower it: no smaller step can lower it
                // either, and the point in hand is the minimum to the precision of the arithmetic.
                if (sse >= out.sse && predicted <= FLOOR_RATIO * out.sse && size <= STALLED_STEP) {
                    converged = out.at_rounding_floor = true;
                    break;
                }
                out.parameters = trial;
                out.residuals.swap(trial_residuals);
                out.jacobian.swap(trial_jacobian);
                out.sse = sse;
                previous_fall = predicted;
                out.iterations = iteration;
                out.history.push_back({iteration, out.sse, 0, out.parameters});
                continue;
            }
            gauss_newton = false; // the full step leaves the domain: damped steps again
            previous_fall = 0;
        }
        bool taken = false;
        while (!taken) {
            check_for_interrupt(control.interrupt);
            const GramMatrix system = damped(gram, k, lambda, scale);
            const GramFit step = gram_cholesky_solve(system, nobs, DAMPED_DEPENDENCE_RATIO);
            bool usable = step.ok();
            if (usable) {
                for (int j = 0; j < k; ++j) trial[j] = out.parameters[j] + step.coef[j];
                if (curvature && lambda > 0) { // undamped steps go without
                    // The acceleration a solves the same damped system for the curvature of
                    // the residuals along the step; the step becomes v + a/2, refused when the
                    // correction is not small against the step itself.
                    const Acceleration a = acceleration(system, nobs, out.parameters, step.coef,
                                                        out.jacobian, curvature, scale);
                    usable = a.ok && a.ratio <= MAX_ACCELERATION_RATIO;
                    if (usable)
                        for (int j = 0; j < k; ++j) trial[j] += a.step[j] / 2;
                }
            }
            if (usable) {
                if (evaluate(trial, trial_residuals.data(), nullptr, row)) {
                    const Real sse = ls_detail::sum_of_squares(trial_residuals.data(), nobs);
                    // The gain ratio: the fall achieved over the fall the linear model predicts.
                    const Real model_fall = linear_model_fall(gram, step.coef);
                    if (sse < out.sse && model_fall > 0) {
                        const Real gain = (out.sse - sse) / model_fall;
                        out.parameters = trial;
                        out.sse = sse;
                        evaluate(out.parameters, out.residuals.data(), out.jacobian.data(), row);
                        const Real c = 2 * gain - 1;
                        lambda *= std::max(Real(1) / 3, 1 - c * c * c);
                        if (lambda < LAMBDA_FLOOR) lambda = 0;
                        growth = 2;
                        taken = true;
                        break;
                    }
                }
            }
            lambda = lambda == 0 ? LAMBDA_FLOOR : lambda * growth;
            growth *= 2;
            if (lambda > LAMBDA_LIMIT) {
                // No step lowers the sum of squares: at the minimum when the Gauss-Newton step
                // would lower it by less than its rounding, else stuck.
                if (gn.ok() && predicted <= FLOOR_RATIO * out.sse)
                    converged = out.at_rounding_floor = true;
                else
                    out.status = NlsStatus::STUCK;
                break;
            }
        }
        if (!taken) break;
        out.iterations = iteration;
        out.history.push_back({iteration, out.sse, lambda, out.parameters});
    }
    if (!converged && out.status == NlsStatus::CONVERGED) out.status = NlsStatus::ITERATION_LIMIT;
    // The covariance factor at the parameters returned, undamped.
    const GramFit last = gram_cholesky_solve(
        exact_gram(columns_of(nobs, k, out.jacobian, out.residuals)), nobs, DEPENDENCE_RATIO);
    if (!last.ok()) {
        if (out.status == NlsStatus::CONVERGED) out.status = NlsStatus::SINGULAR;
        out.dependent_parameter = last.failed_column;
        return out;
    }
    out.jtj_inverse = last.xtx_inverse; // symmetric: row-major and column-major agree
    return out;
}

// The trust region's first radius, as a multiple of the scaled length of the starting values.
const Real FIRST_RADIUS_FACTOR = 100;
// Bisection on log lambda stops when the scaled step is within this relative distance of the
// radius, or when lambda's bracket is this narrow.
const Real RADIUS_SLACK = 0.1Q;
const Real LAMBDA_BRACKET = 1.0001Q;
// The radius shrinks below the scaled length of the parameters times this: no step helps.
const Real SMALLEST_RADIUS = 1e-60Q;

// |D p|, D the square root of the damping scale.
Real scaled_length(const std::vector<Real>& scale, const std::vector<Real>& p) {
    Real sum = 0;
    for (std::size_t j = 0; j < p.size(); ++j) sum += scale[j] * p[j] * p[j];
    return qm::sqrt(sum);
}

// The step of the scaled trust region of radius `radius`: the Gauss-Newton step when it lies
// inside, else the damped step (J'J + lambda D'D) p = J'r with |D p| at the radius (lambda by
// bisection on its logarithm). Empty when no damped system can be solved.
std::vector<Real> trust_region_step(const GramMatrix& gram, int nobs, int k, const GramFit& gn,
                                    const std::vector<Real>& scale, Real radius) {
    if (gn.ok() && scaled_length(scale, gn.coef) <= (1 + RADIUS_SLACK) * radius) return gn.coef;
    std::vector<Real> step;
    Real low = LAMBDA_FLOOR, high = LAMBDA_LIMIT;
    while (high / low > LAMBDA_BRACKET) {
        const Real lambda = qm::sqrt(low * high);
        const GramFit fit =
            gram_cholesky_solve(damped(gram, k, lambda, scale), nobs, DAMPED_DEPENDENCE_RATIO);
        if (!fit.ok()) {
            low = lambda;
            continue;
        }
        step = fit.coef;
        const Real length = scaled_length(scale, step);
        if (length > (1 + RADIUS_SLACK) * radius)
            low = lambda;
        else if (length < (1 - RADIUS_SLACK) * radius)
            high = lambda;
        else
            break;
    }
    return step;
}

// The far phase by a scaled trust region (D'D the largest diagonal of J'J met so far): the
// radius halves after a step whose gain ratio is below 1/4 and doubles after one above 3/4.
// It ends CONVERGED as soon as the Gauss-Newton step predicts a fall below CLOSE_RATIO of the
// sum of squares, leaving the last digits to Levenberg-Marquardt from there; STUCK when the
// radius vanishes or the refused steps no longer change the parameters. Where the damped
// iteration crawls along a narrow curved valley (two nearly equal exponential rates), the
// radius lets the steps grow with their success instead of waiting for lambda to fall.
NlsResult trust_region_approach(int nobs, const std::vector<Real>& start,
                                const NlsEvaluate& evaluate, const NlsControl& control) {
    const int k = static_cast<int>(start.size());
    const std::size_t n = static_cast<std::size_t>(nobs);
    NlsResult out;
    if (!evaluate_start(nobs, start, evaluate, out)) return out;
    int row = -1; // the row a failed trial evaluation stops at (unused: the step is refused)
    std::vector<Real> scale(k, 0), trial(k), trial_residuals(n);
    Real radius = -1;
    out.status = NlsStatus::ITERATION_LIMIT;
    for (int iteration = 1; iteration <= control.max_iterations; ++iteration) {
        check_for_interrupt(control.interrupt);
        const GramMatrix gram = exact_gram(columns_of(nobs, k, out.jacobian, out.residuals));
        for (int j = 0; j < k; ++j) scale[j] = std::max(scale[j], gram.at(j, j).hi);
        if (radius < 0) {
            radius = FIRST_RADIUS_FACTOR * scaled_length(scale, out.parameters);
            if (!(radius > 0)) radius = FIRST_RADIUS_FACTOR;
        }
        const GramFit gn = gram_cholesky_solve(gram, nobs, DAMPED_DEPENDENCE_RATIO);
        if (gn.ok() && quadratic_form(gram, gn.coef) <= CLOSE_RATIO * out.sse) {
            out.status = NlsStatus::CONVERGED;
            return out;
        }
        bool taken = false;
        while (!taken) {
            check_for_interrupt(control.interrupt);
            const std::vector<Real> step = trust_region_step(gram, nobs, k, gn, scale, radius);
            if (step.empty()) {
                out.status = NlsStatus::STUCK;
                return out;
            }
            for (int j = 0; j < k; ++j) trial[j] = out.parameters[j] + step[j];
            Real gain = -1, sse = 0;
            if (evaluate(trial, trial_residuals.data(), nullptr, row)) {
                sse = ls_detail::sum_of_squares(trial_residuals.data(), nobs);
                const Real predicted = linear_model_fall(gram, step);
                if (predicted > 0) gain = (out.sse - sse) / predicted;
            }
            const Real length = scaled_length(scale, step);
            if (gain < 0.25Q)
                radius = std::min(radius, length) / 2;
            else if (gain > 0.75Q)
                radius = std::max(radius, 2 * length);
            if (gain > 0 && sse < out.sse) {
                out.parameters = trial;
                out.sse = sse;
                evaluate(out.parameters, out.residuals.data(), out.jacobian.data(), row);
                out.iterations = iteration;
                out.history.push_back({iteration, out.sse, 0, out.parameters});
                taken = true;
            } else if (!(radius > SMALLEST_RADIUS * scaled_length(scale, out.parameters)) ||
                       relative_size(step, out.parameters, control.parameter_tolerance) <=
                           control.parameter_tolerance) {
                // The radius has vanished, or the steps no longer change the parameters.
                out.status = NlsStatus::STUCK;
                return out;
            }
        }
    }
    return out;
}

// The parameters in which the model is jointly linear at b: the residuals' second derivative
// along each of them, and along the sum of each two of them, is zero at every row. Empty
// without the curvature.
std::vector<int> linear_parameters(int nobs, const std::vector<Real>& b,
                                   const NlsCurvature& curvature) {
    std::vector<int> linear;
    if (!curvature) return linear;
    const int k = static_cast<int>(b.size());
    std::vector<Real> v(k), second(static_cast<std::size_t>(nobs));
    auto flat_along = [&](int j, int m) {
        std::fill(v.begin(), v.end(), Real(0));
        v[j] = 1;
        if (m >= 0) v[m] = 1;
        if (!curvature(b, v, second.data())) return false;
        return std::all_of(second.begin(), second.end(), [](Real s) { return s == 0; });
    };
    for (int j = 0; j < k; ++j) {
        bool flat = flat_along(j, -1);
        for (std::size_t i = 0; flat && i < linear.size(); ++i) flat = flat_along(j, linear[i]);
        if (flat) linear.push_back(j);
    }
    return linear;
}

// A point with its residuals, Jacobian and sum of squares.
struct NlsPoint {
    std::vector<Real> b, residuals, jacobian;
    Real sse = 0;
};

// Evaluates `at` at at.b; then the linear parameters are set to their least-squares values
// given the others (one Gauss-Newton step in them alone, exact where the model is linear in
// them) and the point is evaluated again, kept only when that lowers the sum of squares. False
// when the model cannot be evaluated at at.b or its sum of squares is not finite.
bool evaluate_projected(int nobs, const std::vector<int>& linear, const NlsEvaluate& evaluate,
                        NlsPoint& at, NlsPoint& spare) {
    const std::size_t n = static_cast<std::size_t>(nobs);
    int row = -1;
    if (!evaluate(at.b, at.residuals.data(), at.jacobian.data(), row)) return false;
    at.sse = ls_detail::sum_of_squares(at.residuals.data(), nobs);
    if (!finiteq(at.sse)) return false;
    GramColumns c;
    c.nobs = n;
    for (int j : linear) c.columns.push_back(at.jacobian.data() + std::size_t(j) * n);
    c.columns.push_back(at.residuals.data());
    const GramFit fit = gram_least_squares(c, DAMPED_DEPENDENCE_RATIO);
    if (!fit.ok()) return true;
    spare.b = at.b;
    for (std::size_t i = 0; i < linear.size(); ++i) spare.b[linear[i]] += fit.coef[i];
    if (!evaluate(spare.b, spare.residuals.data(), spare.jacobian.data(), row)) return true;
    spare.sse = ls_detail::sum_of_squares(spare.residuals.data(), nobs);
    if (spare.sse < at.sse) std::swap(at, spare);
    return true;
}

// The far phase by variable projection, for a model linear in some of its parameters (not
// all): after every step those are set to their least-squares values given the others, and only
// the others are damped, so that the damped system is Levenberg-Marquardt on the sum of squares
// as a function of the nonlinear parameters alone (J'J there the Schur complement of the
// linear block: Kaufman's form). Where a linear coefficient must follow the others across many
// orders of magnitude (y = b1 exp(b2/(x + b3)) far from its minimum: the fitted values move by
// about a factor e a step while b1 crosses tens of powers of ten), the linear parameters no
// longer hold the steps back. Steps carry their geodesic acceleration, as in
// levenberg_marquardt. It ends CONVERGED as soon as the Gauss-Newton step of all the parameters
// predicts a fall below CLOSE_RATIO of the sum of squares, leaving the last digits to
// Levenberg-Marquardt; STUCK when no damped step lowers the sum of squares.
NlsResult projected_approach(int nobs, const std::vector<Real>& start, const NlsEvaluate& evaluate,
                             const NlsControl& control, const NlsCurvature& curvature,
                             const std::vector<int>& linear) {
    const int k = static_cast<int>(start.size());
    const std::size_t n = static_cast<std::size_t>(nobs);
    NlsResult out;
    NlsPoint here, trial, spare;
    for (NlsPoint* p : {&here, &trial, &spare}) {
        p->residuals.assign(n, 0);
        p->jacobian.assign(n * std::size_t(k), 0);
    }
    here.b = start;
    out.status = NlsStatus::STUCK;
    if (!evaluate_projected(nobs, linear, evaluate, here, spare)) return out;
    out.status = NlsStatus::ITERATION_LIMIT;
    int iteration = 0;
    if (here.b != start) { // the linear parameters' own values count as the first step
        iteration = out.iterations = 1;
        out.history.push_back({1, here.sse, 0, here.b});
    }
    std::vector<Real> scale(k, 0);
    std::vector<bool> is_linear(k, false);
    for (int j : linear) is_linear[j] = true;
    Real lambda = control.lambda_start;
    Real growth = 2;
    while (++iteration <= control.max_iterations) {
        check_for_interrupt(control.interrupt);
        const GramMatrix gram = exact_gram(columns_of(nobs, k, here.jacobian, here.residuals));
        for (int j = 0; j < k; ++j)
            scale[j] = is_linear[j] ? Real(0) : std::max(scale[j], gram.at(j, j).hi);
        const GramFit gn = gram_cholesky_solve(gram, nobs, DAMPED_DEPENDENCE_RATIO);
        if (gn.ok() && quadratic_form(gram, gn.coef) <= CLOSE_RATIO * here.sse) {
            out.status = NlsStatus::CONVERGED;
            break;
        }
        bool taken = false;
        while (!taken) {
            check_for_interrupt(control.interrupt);
            const GramMatrix system = damped(gram, k, lambda, scale);
            const GramFit step = gram_cholesky_solve(system, nobs, DAMPED_DEPENDENCE_RATIO);
            bool usable = step.ok();
            if (usable) {
                trial.b = here.b;
                for (int j = 0; j < k; ++j) trial.b[j] += step.coef[j];
                if (lambda > 0) {
                    const Acceleration a = acceleration(system, nobs, here.b, step.coef,
                                                        here.jacobian, curvature, scale);
                    usable = a.ok && a.ratio <= MAX_ACCELERATION_RATIO;
                    if (usable)
                        for (int j = 0; j < k; ++j) trial.b[j] += a.step[j] / 2;
                }
            }
            if (usable && evaluate_projected(nobs, linear, evaluate, trial, spare)) {
                const Real model_fall = linear_model_fall(gram, step.coef);
                if (trial.sse < here.sse && model_fall > 0) {
                    const Real gain = (here.sse - trial.sse) / model_fall;
                    std::swap(here, trial);
                    const Real c = 2 * gain - 1;
                    lambda *= std::max(Real(1) / 3, 1 - c * c * c);
                    if (lambda < LAMBDA_FLOOR) lambda = 0;
                    growth = 2;
                    taken = true;
                    break;
                }
            }
            lambda = lambda == 0 ? LAMBDA_FLOOR : lambda * growth;
            growth *= 2;
            if (lambda > LAMBDA_LIMIT) {
                out.status = NlsStatus::STUCK;
                break;
            }
        }
        if (!taken) break;
        out.iterations = iteration;
        out.history.push_back({iteration, here.sse, lambda, here.b});
    }
    out.parameters = here.b;
    out.sse = here.sse;
    return out;
}

// Levenberg-Marquardt from where a far phase ended (CONVERGED there: next to the minimum),
// undamped steps first, within what is left of the iteration limit; one history and count over
// both. UNDEFINED_AT_START when the far phase did not end next to the minimum or left no
// iterations.
NlsResult finish_after(const NlsResult& far, int nobs, const NlsEvaluate& evaluate,
                       const NlsControl& control, const NlsCurvature& curvature) {
    NlsResult third;
    third.status = NlsStatus::UNDEFINED_AT_START;
    if (far.status != NlsStatus::CONVERGED || far.iterations >= control.max_iterations)
        return third;
    NlsControl rest = control;
    rest.max_iterations = control.max_iterations - far.iterations;
    rest.lambda_start = 0;
    third = levenberg_marquardt(nobs, far.parameters, evaluate, rest, curvature,
                                DampingScale::LARGEST_SO_FAR);
    if (third.status == NlsStatus::UNDEFINED_AT_START) return third;
    for (NlsIteration& it : third.history) it.iteration += far.iterations;
    third.history.insert(third.history.begin(), far.history.begin(), far.history.end());
    third.iterations += far.iterations;
    return third;
}

// Whether `candidate` is a better outcome than `held`: converged first, then the lower sum of
// squares among those not singular.
bool better_outcome(const NlsResult& candidate, const NlsResult& held) {
    if (held.status == NlsStatus::CONVERGED) return false;
    return candidate.status == NlsStatus::CONVERGED ||
           (held.status == NlsStatus::SINGULAR && candidate.status != NlsStatus::SINGULAR) ||
           (candidate.status != NlsStatus::SINGULAR && candidate.sse < held.sse);
}

} // namespace

NlsResult nonlinear_least_squares(int nobs, const std::vector<Real>& start,
                                  const NlsEvaluate& evaluate, const NlsControl& control,
                                  const NlsCurvature& curvature) {
    NlsResult first = levenberg_marquardt(nobs, start, evaluate, control, curvature,
                                          DampingScale::LARGEST_SO_FAR);
    if (first.status == NlsStatus::CONVERGED || first.status == NlsStatus::UNDEFINED_AT_START)
        return first;
    // From the starting values again with the other scaling; the better of the two stands.
    NlsResult best = std::move(first);
    NlsResult second =
        levenberg_marquardt(nobs, start, evaluate, control, curvature, DampingScale::CURRENT);
    if (better_outcome(second, best)) best = std::move(second);
    if (best.status == NlsStatus::CONVERGED) return best;
    // Then the far phase by the scaled trust region, and Levenberg-Marquardt from where it ends
    // (undamped steps first) within what is left of the iteration limit.
    NlsResult third = finish_after(trust_region_approach(nobs, start, evaluate, control), nobs,
                                   evaluate, control, curvature);
    if (third.status != NlsStatus::UNDEFINED_AT_START && better_outcome(third, best))
        best = std::move(third);
    if (best.status == NlsStatus::CONVERGED) return best;
    // Last, where the model is linear in some parameters but not all, the far phase by variable
    // projection and Levenberg-Marquardt from where it ends.
    const std::vector<int> linear = linear_parameters(nobs, start, curvature);
    if (linear.empty() || static_cast<int>(linear.size()) == static_cast<int>(start.size()))
        return best;
    NlsResult fourth =
        finish_after(projected_approach(nobs, start, evaluate, control, curvature, linear), nobs,
                     evaluate, control, curvature);
    if (fourth.status != NlsStatus::UNDEFINED_AT_START && better_outcome(fourth, best))
        best = std::move(fourth);
    return best;
}

// A Newton step may raise the sum of squares by no more than this relatively (its rounding).
const Real FINISH_SSE_SLACK = 1e-30Q;

NlsResult newton_finish(int nobs, const std::vector<Real>& start, const std::vector<Real>& hessian,
                        const NlsEvaluate& evaluate, const NlsControl& control, int max_steps) {
    const int k = static_cast<int>(start.size());
    const std::size_t n = static_cast<std::size_t>(nobs);
    NlsResult out;
    if (!evaluate_start(nobs, start, evaluate, out)) return out;
    out.status = NlsStatus::ITERATION_LIMIT;
    std::vector<Real> lower;
    int bad = -1;
    if (!finiteq(out.sse) || !cholesky_factor(hessian, k, lower, bad, Real(1e-32Q))) return out;
    std::vector<Real> trial(k), trial_residuals(n), trial_jacobian(n * std::size_t(k));
    std::vector<Real> gradient(k);
    bool small = false;
    int row = -1;
    for (int iteration = 1; iteration <= max_steps && !small; ++iteration) {
        check_for_interrupt(control.interrupt);
        ExactAccumulator sum;
        for (int j = 0; j < k; ++j)
            gradient[j] =
                sum.dot(out.jacobian.data() + std::size_t(j) * n, out.residuals.data(), n);
        const std::vector<Real> step = cholesky_solve(lower, k, gradient);
        small = relative_size(step, out.parameters, control.parameter_tolerance) <=
                control.parameter_tolerance;
        for (int j = 0; j < k; ++j) trial[j] = out.parameters[j] + step[j];
        if (!evaluate(trial, trial_residuals.data(), trial_jacobian.data(), row)) return out;
        const Real sse = ls_detail::sum_of_squares(trial_residuals.data(), nobs);
        if (!(sse <= out.sse * (1 + FINISH_SSE_SLACK))) return out;
        out.parameters = trial;
        out.residuals.swap(trial_residuals);
        out.jacobian.swap(trial_jacobian);
        out.sse = sse;
        out.iterations = iteration;
        out.history.push_back({iteration, out.sse, 0, out.parameters});
    }
    if (!small) return out;
    // The Gauss-Newton step where the steps ended, and the covariance factor there.
    const GramMatrix gram = exact_gram(columns_of(nobs, k, out.jacobian, out.residuals));
    const GramFit last = gram_cholesky_solve(gram, nobs, DEPENDENCE_RATIO);
    if (!last.ok()) {
        out.status = NlsStatus::SINGULAR;
        out.dependent_parameter = last.failed_column;
        return out;
    }
    if (relative_size(last.coef, out.parameters, control.parameter_tolerance) >
        control.parameter_tolerance)
        return out;
    out.status = NlsStatus::CONVERGED;
    out.jtj_inverse = last.xtx_inverse;
    return out;
}

} // namespace tarvex
