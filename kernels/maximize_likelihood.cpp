// Newton, BHHH, BFGS, DFP, steepest-ascent and quadratic hill-climbing ascent with step halving.
#include "kernels/maximize_likelihood.hpp"
#include "kernels/convergence.hpp"

#include "kernels/symmetric_solve.hpp"
#include "numeric/qmath.hpp"

namespace tarvex {

namespace {

// Halvings of the step before the direction is given up.
constexpr int MAX_HALVINGS = 60;
// Doublings of a quasi-Newton step that keeps gaining.
constexpr int MAX_DOUBLINGS = 10;

std::vector<Real> negated(const std::vector<Real>& m) {
    std::vector<Real> out(m);
    for (Real& v : out) v = -v;
    return out;
}

std::vector<Real> times(const std::vector<Real>& m, const std::vector<Real>& v) {
    const std::size_t k = v.size();
    std::vector<Real> out(k, 0);
    for (std::size_t i = 0; i < k; ++i)
        for (std::size_t j = 0; j < k; ++j) out[i] += m[i * k + j] * v[j];
    return out;
}

Real dot(const std::vector<Real>& a, const std::vector<Real>& b) {
    Real s = 0;
    for (std::size_t i = 0; i < a.size(); ++i) s += a[i] * b[i];
    return s;
}

// The quasi-Newton update of H, the approximate inverse of minus the Hessian, after the step s
// changed the gradient by -y (y = g_old - g_new, the change of the gradient of -llf).
void update_inverse(std::vector<Real>& h, const std::vector<Real>& s, const std::vector<Real>& y,
                    MaximizeMethod method) {
    const std::size_t k = s.size();
    const Real sy = dot(s, y);
    if (!(sy > 0)) return; // the curvature condition fails: keep H
    const std::vector<Real> hy = times(h, y);
    const Real yhy = dot(y, hy);
    if (method == MaximizeMethod::DFP) {
        if (!(yhy > 0)) return;
        for (std::size_t i = 0; i < k; ++i)
            for (std::size_t j = 0; j < k; ++j)
                h[i * k + j] += s[i] * s[j] / sy - hy[i] * hy[j] / yhy;
        return;
    }
    const Real scale = (1 + yhy / sy) / sy;
    for (std::size_t i = 0; i < k; ++i)
        for (std::size_t j = 0; j < k; ++j)
            h[i * k + j] += scale * s[i] * s[j] - (hy[i] * s[j] + s[i] * hy[j]) / sy;
}

// The DFP update of B, the approximation of minus the Hessian itself, after the step s changed
// the gradient by -y: B+ = (I - y s'/y's) B (I - s y'/y's) + y y'/y's. At the first update
// (`rescale`) B is first scaled by y's/s'Bs, to the curvature met along the step: the outer
// product it starts from can be off by a large factor (under least squares, by the squared
// residuals), which the DFP update alone corrects only slowly.
void update_hessian_dfp(std::vector<Real>& b, const std::vector<Real>& s,
                        const std::vector<Real>& y, bool rescale) {
    const std::size_t k = s.size();
    const Real sy = dot(s, y);
    if (!(sy > 0)) return; // the curvature condition fails: keep B
    std::vector<Real> bs = times(b, s);
    Real sbs = dot(s, bs);
    if (rescale && sbs > 0) {
        const Real factor = sy / sbs;
        for (Real& v : b) v *= factor;
        for (Real& v : bs) v *= factor;
        sbs = sy;
    }
    for (std::size_t i = 0; i < k; ++i)
        for (std::size_t j = 0; j < k; ++j)
            b[i * k + j] += -(y[i] * bs[j] + bs[i] * y[j]) / sy + (1 + sbs / sy) * y[i] * y[j] / sy;
}

// Quadratic hill-climbing: lambda after a first shift, its growth while the matrix is not
// positive definite, its change after a full and after a shortened step, and the value below
// which it is dropped.
const Real SHIFT_FIRST = 1e-6Q;
const Real SHIFT_GROWTH = 4;
const Real SHIFT_FLOOR = 1e-12Q;
constexpr int MAX_SHIFTS = 200;

} // namespace

MaximizeResult maximize_likelihood(const std::vector<Real>& start,
                                   const LikelihoodEvaluate& evaluate,
                                   const MaximizeControl& control, bool exact_hessian) {
    const int k = static_cast<int>(start.size());
    MaximizeResult out;
    out.parameters = start;
    const MaximizeMethod method = control.method;
    const bool newton = method == MaximizeMethod::NEWTON && exact_hessian;
    // Quadratic hill-climbing, on the exact Hessian (GQOPT) or a DFP-updated one (GQDFP, and
    // GQOPT for a model without second derivatives).
    const bool climbing = method == MaximizeMethod::GQOPT || method == MaximizeMethod::GQDFP;
    const bool climbing_exact = method == MaximizeMethod::GQOPT && exact_hessian;
    const bool gradient_only = method == MaximizeMethod::GRADX;
    LikelihoodNeeds needs;
    needs.gradient = true;
    needs.hessian = newton || climbing_exact;
    needs.opg = !newton && !climbing_exact;
    LikelihoodPoint point;
    int failed = -1;
    // Newton may take its first step with a given approximation of the Hessian at the start;
    // every later Hessian is evaluated.
    const bool approximate_start =
        newton && control.start_hessian.size() == std::size_t(k) * std::size_t(k);
    LikelihoodNeeds first = needs;
    if (approximate_start) first.hessian = false;
    if (!evaluate(out.parameters, first, point, failed)) {
        out.status = MaximizeStatus::UNDEFINED_AT_START;
        out.failed_row = failed;
        return out;
    }
    bool hessian_evaluated = !approximate_start; // point.hessian is the one at the parameters
    if (approximate_start) point.hessian = control.start_hessian;
    std::vector<Real> inverse; // BFGS / DFP: approximate inverse of minus the Hessian
    std::vector<Real> lower;
    auto step_matrix_inverse = [&](const std::vector<Real>& m) -> bool {
        int bad = -1;
        if (!cholesky_factor(m, k, lower, bad, Real(1e-32Q))) {
            out.dependent_parameter = bad;
            return false;
        }
        inverse = cholesky_inverse(lower, k);
        return true;
    };
    const bool quasi = method == MaximizeMethod::BFGS || method == MaximizeMethod::DFP;
    if (quasi && !step_matrix_inverse(point.opg)) {
        out.status = MaximizeStatus::SINGULAR;
        return out;
    }
    std::vector<Real> updated; // GQDFP: minus the Hessian, updated
    if (climbing && !climbing_exact) updated = point.opg;
    bool first_update = true;
    Real lambda = 0;       // the hill-climbing shift
    Real first_length = 1; // GRADX: the length the line search starts from
    bool converged = false;
    bool modeled = false; // the last step was taken on the quadratic model (see modeled_step)
    LikelihoodNeeds value_only;
    LikelihoodPoint trial_point;
    std::vector<Real> trial(k);
    for (int iteration = 1; iteration <= control.max_iterations && !converged; ++iteration) {
        check_for_interrupt(control.interrupt);
        // The direction.
        std::vector<Real> direction;
        if (quasi) {
            direction = times(inverse, point.gradient);
        } else if (gradient_only) {
            direction = point.gradient;
        } else if (climbing) {
            // (M + lambda D) d = g, M minus the Hessian, D its absolute diagonal (1 where it is
            // 0); lambda grows until the shifted matrix is positive definite.
            const std::vector<Real> m = climbing_exact ? negated(point.hessian) : updated;
            bool factored = false;
            int bad = -1;
            for (int tries = 0; tries < MAX_SHIFTS && !factored; ++tries) {
                std::vector<Real> shifted = m;
                for (int j = 0; j < k; ++j) {
                    const Real d = qm::abs(m[std::size_t(j) * k + j]);
                    shifted[std::size_t(j) * k + j] += lambda * (d > 0 ? d : Real(1));
                }
                factored = cholesky_factor(shifted, k, lower, bad, Real(1e-32Q));
                if (!factored) lambda = lambda < SHIFT_FIRST ? SHIFT_FIRST : lambda * SHIFT_GROWTH;
            }
            if (!factored) {
                out.status = MaximizeStatus::SINGULAR;
                out.dependent_parameter = bad;
                out.iterations = iteration;
                return out;
            }
            direction = cholesky_solve(lower, k, point.gradient);
        } else {
            const std::vector<Real>& m = newton ? negated(point.hessian) : point.opg;
            int bad = -1;
            if (!cholesky_factor(m, k, lower, bad, Real(1e-32Q))) {
                // Away from the maximum the Hessian may not be negative definite: the outer
                // product gives an ascent direction there.
                LikelihoodNeeds more = needs;
                more.opg = true;
                hessian_evaluated = newton;
                // A model that forms no outer product (its caller asked for none) has no
                // fallback: the Hessian's failure stands.
                if (!newton || !evaluate(out.parameters, more, point, failed) ||
                    point.opg.size() != std::size_t(k) * std::size_t(k) ||
                    !cholesky_factor(point.opg, k, lower, bad, Real(1e-32Q))) {
                    out.status = MaximizeStatus::SINGULAR;
                    out.dependent_parameter = bad;
                    out.iterations = iteration;
                    return out;
                }
            }
            direction = cholesky_solve(lower, k, point.gradient);
        }
        // Step halving until the log-likelihood rises. Newton's full step is evaluated with
        // its derivatives, which serve the next iteration when it is taken (near the maximum,
        // always).
        Real length = first_length;
        bool taken = false, trial_complete = false, level = false;
        int halvings = 0;
        std::vector<Real> step(k);
        for (int h = 0; h <= MAX_HALVINGS && !taken; ++h, ++halvings, length /= 2) {
            if (h > 0) check_for_interrupt(control.interrupt);
            for (int j = 0; j < k; ++j) {
                step[j] = length * direction[j];
                trial[j] = out.parameters[j] + step[j];
            }
            // A full Newton step below the tolerance: the maximum is here (to within the
            // step), and the derivatives at hand are those at the parameters returned.
            if (newton && h == 0 &&
                small_change(step, out.parameters, control.parameter_tolerance)) {
                converged = true;
                break;
            }
            // A full Newton step below `modeled_step`: taken without an evaluation at its end,
            // where the error is of the order of the step's square. The log-likelihood there is
            // the quadratic model's (exact to third order in the step), the gradient the model's
            // g + H s, the Hessian that of the point the step left.
            if (newton && h == 0 && control.modeled_step > 0 && hessian_evaluated &&
                small_change(step, out.parameters, control.modeled_step)) {
                Real change = 0;
                std::vector<Real> gradient(point.gradient);
                for (int a = 0; a < k; ++a) {
                    Real hs = 0;
                    for (int b = 0; b < k; ++b)
                        hs += point.hessian[std::size_t(a) * k + std::size_t(b)] * step[b];
                    change += step[a] * (point.gradient[a] + hs / 2);
                    gradient[a] += hs;
                }
                for (int j = 0; j < k; ++j) out.parameters[j] = trial[j];
                point.llf += change;
                point.gradient = gradient;
                modeled = converged = true;
                out.modeled_step = step;
                out.iterations = iteration;
                out.history.push_back({iteration, point.llf, length, out.parameters});
                break;
            }
            int row = -1;
            trial_complete = (newton || climbing_exact) && h == 0;
            const bool evaluated =
                evaluate(trial, trial_complete ? needs : value_only, trial_point, row);
            if (evaluated && trial_point.llf > point.llf) {
                taken = true;
                break;
            }
            // A short full Newton step (below the square root of the tolerance) that leaves
            // the log-likelihood unchanged: the log-likelihood no longer tells the two points
            // apart, and the error after a Newton step is of the order of the step's square.
            // It is taken and ends the iteration, as is one that lowers the log-likelihood
            // (by rounding alone, at that length: a parameter whose maximum is at 0 never meets
            // the relative tolerance and would otherwise end as stuck). (Long steps that change
            // nothing are those of coefficients running off to infinity, where the likelihood
            // is flat.)
            if (evaluated && trial_complete && trial_point.llf <= point.llf &&
                small_change(step, out.parameters, qm::sqrt(control.parameter_tolerance))) {
                taken = level = true;
                break;
            }
            if (small_change(step, out.parameters, control.parameter_tolerance)) {
                converged = true;
                break;
            }
        }
        if (modeled) break;
        if (!taken) {
            out.iterations = iteration;
            if (!converged) out.status = MaximizeStatus::STUCK;
            break;
        }
        // The quasi-Newton and gradient directions are often too short: while the first step
        // gains, doubling it is tried as long as the log-likelihood keeps rising.
        Real doubled = 1;
        const bool updated_model = quasi || gradient_only || (climbing && !climbing_exact);
        if (updated_model && halvings == 0) {
            std::vector<Real> longer(k);
            LikelihoodPoint longer_point;
            for (int d = 0; d < MAX_DOUBLINGS; ++d) {
                for (int j = 0; j < k; ++j) longer[j] = out.parameters[j] + 2 * step[j];
                int row = -1;
                if (!evaluate(longer, value_only, longer_point, row) ||
                    !(longer_point.llf > trial_point.llf))
                    break;
                for (int j = 0; j < k; ++j) step[j] *= 2;
                doubled *= 2;
                trial = longer;
                trial_point.llf = longer_point.llf;
            }
        }
        const bool small = small_change(step, out.parameters, control.parameter_tolerance);
        const Real old_llf = point.llf;
        const std::vector<Real> old_gradient = point.gradient;
        out.parameters = trial;
        if (trial_complete)
            point = std::move(trial_point);
        else
            evaluate(out.parameters, needs, point, failed);
        hessian_evaluated = true;
        converged = level || (small && point.llf - old_llf <=
                                           control.llf_tolerance * (qm::abs(old_llf) + 1));
        if (quasi || (climbing && !climbing_exact)) {
            std::vector<Real> y(k);
            for (int j = 0; j < k; ++j) y[j] = old_gradient[j] - point.gradient[j];
            if (quasi)
                update_inverse(inverse, step, y, method);
            else
                update_hessian_dfp(updated, step, y, first_update);
            first_update = false;
        }
        // The next line search starts from the length that served this one.
        if (gradient_only) first_length = length * doubled;
        // A full step: the quadratic model is trusted more; a shortened one: less.
        if (climbing) {
            if (halvings == 0)
                lambda = lambda / SHIFT_GROWTH < SHIFT_FLOOR ? Real(0) : lambda / SHIFT_GROWTH;
            else
                lambda = lambda < SHIFT_FIRST ? SHIFT_FIRST : lambda * SHIFT_GROWTH;
        }
        out.iterations = iteration;
        out.history.push_back({iteration, point.llf, length, out.parameters});
    }
    if (!converged && out.status == MaximizeStatus::CONVERGED)
        out.status = MaximizeStatus::ITERATION_LIMIT;
    // Everything the covariance may need, at the parameters returned. Newton's last
    // evaluation was there and holds the Hessian: only the outer product is added.
    // Without a call for the outer product the point in hand is all there is to give.
    if (newton && hessian_evaluated && !control.opg_at_maximum) {
        out.at_maximum = point;
        out.hessian_available = exact_hessian;
        return out;
    }
    out.modeled_step.clear(); // the point is evaluated itself below
    LikelihoodNeeds all;
    all.gradient = true;
    all.hessian = exact_hessian && !(newton && hessian_evaluated);
    all.opg = true;
    evaluate(out.parameters, all, out.at_maximum, failed);
    if (newton && hessian_evaluated) out.at_maximum.hessian = point.hessian;
    out.hessian_available = exact_hessian;
    return out;
}

} // namespace tarvex
