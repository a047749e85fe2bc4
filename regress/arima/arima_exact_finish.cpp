// Newton's iterations on the exact gradient, with a fixed Hessian, and the last step on the
// caller's Hessian (or one of gradient differences).
#include "regress/arima/arima_exact_finish.hpp"

#include "kernels/convergence.hpp"
#include "kernels/symmetric_solve.hpp"
#include "numeric/qmath.hpp"

namespace tarvex {

namespace {

// The forward-difference step of the exact gradient, relative to each parameter's scale: the
// truncation is of order the step (1e-16), the rounding of order eps |g| / step, far below it.
const Real GRADIENT_DIFFERENCE_STEP = 1e-16Q;
// Each step must be at most this fraction of the one before (the search's Hessian makes it
// about 1e-8): a path that shrinks slower is not the converging Newton path.
const Real REQUIRED_CONTRACTION = 1e-2Q;
// A full step this short (relative) is taken on the caller's Hessian at its point, and is the
// last when its error, about its length times that Hessian's relative error (EXTENDED_ROUNDING,
// measured below 2e-19) times its condition number, is below LAST_STEP_ERROR: a twentieth of the
// rounding of a binary128 parameter near 1 (and below the band within which the rounding of the
// binary128 gradient leaves the maximum), whatever the tolerance. Over a step this short the
// Hessian changes by less than its own rounding, so that it serves the point the step reaches.
const Real CALLER_HESSIAN_STEP = 1e-19Q;
const Real EXTENDED_ROUNDING = 1e-18Q;
const Real LAST_STEP_ERROR = 1e-35Q;

Real largest_relative(const std::vector<Real>& step, const std::vector<Real>& at) {
    Real top = 0;
    for (std::size_t j = 0; j < step.size(); ++j)
        top = std::max(top, qm::abs(step[j]) / (qm::abs(at[j]) + 1));
    return top;
}

// -H's Cholesky factor; false when H is not negative definite.
bool negative_factor(const std::vector<Real>& h, int k, std::vector<Real>& lower) {
    std::vector<Real> minus(h);
    for (Real& v : minus) v = -v;
    int bad = -1;
    return cholesky_factor(minus, k, lower, bad, Real(1e-32Q));
}

// The condition number of -H in the 1-norm, from its Cholesky factor.
Real condition_number(const std::vector<Real>& h, const std::vector<Real>& lower, int k) {
    const std::vector<Real> inverse = cholesky_inverse(lower, k);
    auto norm = [k](const std::vector<Real>& m) {
        Real top = 0;
        for (int j = 0; j < k; ++j) {
            Real column = 0;
            for (int i = 0; i < k; ++i) column += qm::abs(m[std::size_t(i) * k + j]);
            top = std::max(top, column);
        }
        return top;
    };
    return norm(h) * norm(inverse);
}

} // namespace

ExactFinish finish_by_exact_gradient(const ExactScoreAt& score, const std::vector<Real>& start,
                                     const std::vector<Real>& start_hessian,
                                     const std::vector<Real>& scale, int max_iterations,
                                     Real tolerance, const InterruptCheck& interrupt,
                                     const ExactScoreKnown& at_start,
                                     const ExactHessianAt& hessian_at,
                                     const ExactFilterAt& filter_at) {
    ExactFinish out;
    const int k = int(start.size());
    std::vector<Real> lower;
    if (k == 0 || !negative_factor(start_hessian, k, lower)) return out;
    std::vector<Real> theta(start), g;
    Real llf = 0, previous = -1;
    bool converged = false;
    int iteration = 0;
    std::vector<Real> h(std::size_t(k) * k);
    bool hessian_here = false; // h is the caller's Hessian at theta (or within a short step)
    for (; iteration < max_iterations; ++iteration) {
        check_for_interrupt(interrupt);
        if (iteration == 0 && at_start.known) {
            llf = at_start.llf;
            g = at_start.gradient;
        } else if (!score(theta, llf, g, nullptr)) {
            return out;
        }
        if (!out.fit.history.empty()) out.fit.history.back().llf = llf;
        std::vector<Real> step = cholesky_solve(lower, k, g);
        if (small_change(step, theta, tolerance)) {
            converged = true;
            break;
        }
        Real size = largest_relative(step, theta);
        if (hessian_at && size <= CALLER_HESSIAN_STEP) {
            check_for_interrupt(interrupt);
            if (!hessian_at(theta, h) || !negative_factor(h, k, lower)) return out;
            hessian_here = true;
            if (size * condition_number(h, lower, k) * EXTENDED_ROUNDING <= LAST_STEP_ERROR) {
                converged = true;
                break;
            }
            // Not yet the last: the steps go on with the caller's Hessian.
            step = cholesky_solve(lower, k, g);
            size = largest_relative(step, theta);
        }
        if (previous >= 0 && size > REQUIRED_CONTRACTION * previous) return out;
        previous = size;
        for (int j = 0; j < k; ++j) theta[j] += step[j];
        hessian_here = hessian_here && size <= CALLER_HESSIAN_STEP;
        MaximizeIteration it;
        it.iteration = iteration + 1;
        it.step = 1;
        it.parameters = theta;
        out.fit.history.push_back(it);
    }
    // Each step lists the log-likelihood at the point it reached (the next pass's).
    // (Without a last step that pass is the last, and keeps the filter.)
    if (!converged) {
        if (!score(theta, llf, g, &out.filter)) return out;
        if (!out.fit.history.empty()) out.fit.history.back().llf = llf;
    }
    // The Hessian at theta (the caller's, unless formed there already, or of gradient
    // differences), and its step.
    if (hessian_at && !hessian_here) {
        check_for_interrupt(interrupt);
        if (!hessian_at(theta, h)) return out;
    }
    for (int j = 0; j < k && !hessian_at; ++j) {
        check_for_interrupt(interrupt);
        std::vector<Real> moved(theta), gj;
        const Real d = GRADIENT_DIFFERENCE_STEP * scale[std::size_t(j)];
        moved[std::size_t(j)] += d;
        const Real actual = moved[std::size_t(j)] - theta[std::size_t(j)];
        Real unused = 0;
        if (!score(moved, unused, gj, nullptr)) return out;
        for (int i = 0; i < k; ++i) h[std::size_t(i) * k + j] = (gj[i] - g[i]) / actual;
    }
    for (int i = 0; i < k; ++i)
        for (int j = 0; j < i; ++j) {
            const Real v = (h[std::size_t(i) * k + j] + h[std::size_t(j) * k + i]) / 2;
            h[std::size_t(i) * k + j] = h[std::size_t(j) * k + i] = v;
        }
    if (!negative_factor(h, k, lower)) return out;
    if (converged) {
        const std::vector<Real> last = cholesky_solve(lower, k, g);
        for (int j = 0; j < k; ++j) theta[j] += last[j];
        if (filter_at) {
            out.filter = filter_at(theta);
            if (!out.filter.ok) return out;
            llf = out.filter.llf;
            g.clear();
        } else if (!score(theta, llf, g, &out.filter)) {
            return out;
        }
    }
    out.fit.status = converged ? MaximizeStatus::CONVERGED : MaximizeStatus::ITERATION_LIMIT;
    out.fit.iterations = iteration;
    out.fit.parameters = theta;
    out.fit.at_maximum.llf = llf;
    out.fit.at_maximum.gradient = g;
    out.fit.at_maximum.hessian = h;
    out.fit.hessian_available = true;
    out.gradient = g;
    out.hessian = h;
    out.ok = true;
    return out;
}

} // namespace tarvex
