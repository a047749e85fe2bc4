// The binary128 iterations that end the exact maximisation of a long series, from the end of the
// double-precision search, on the exact gradient of the log-likelihood: Newton steps with the
// search's Hessian (each step shrinks the distance to the maximum by that Hessian's relative
// error) until a full step is below the parameter tolerance, as Newton's iterations end; then
// the caller's Hessian at that point (or else one from forward differences of exact gradients,
// good to about 1e-16) takes one last step, on the quadratic model, which leaves the estimates
// within rounding of the maximum. A full step already shorter than about 1e-19 is taken on the
// caller's Hessian at its point, and is that last step when the error this leaves (its length
// times the Hessian's rounding times its condition number) is below the binary128 rounding of
// the parameters: then one gradient pass ends the iterations. That Hessian is also the one the
// covariance inverts. The last pass keeps the filter at the estimates (residuals, state): given the
// caller's filter of values, that pass forms no gradient (nothing decides on it any more), else it
// is the exact gradient's.
#pragma once

#include "kernels/interrupt_check.hpp"
#include "kernels/maximize_likelihood.hpp"
#include "numeric/real.hpp"
#include "regress/arima/arima_likelihood.hpp"

#include <functional>
#include <vector>

namespace tarvex {

// The log-likelihood and its gradient at theta; false where they are not defined. With `keep`
// (not null), also the filter at theta with its residuals and last state (the last pass).
using ExactScoreAt = std::function<bool(const std::vector<Real>& theta, Real& llf,
                                        std::vector<Real>& gradient, ArmaFilter* keep)>;

// The filter at theta with its residuals and last state (the log-likelihood without its
// gradient); its `ok` false where not defined.
using ExactFilterAt = std::function<ArmaFilter(const std::vector<Real>& theta)>;

// The log-likelihood's Hessian at theta (K x K row-major); false where not defined.
using ExactHessianAt = std::function<bool(const std::vector<Real>& theta, std::vector<Real>& h)>;

// The log-likelihood and gradient at the start, when the caller has them already.
struct ExactScoreKnown {
    bool known = false;
    Real llf = 0;
    std::vector<Real> gradient;
};

struct ExactFinish {
    // false: the steps did not shrink as Newton's do near the maximum, a point was not defined
    // or a Hessian not negative definite (the caller then takes the iterations of values).
    bool ok = false;
    MaximizeResult fit;         // CONVERGED or ITERATION_LIMIT; its history lists every step
    std::vector<Real> gradient; // at fit.parameters (empty when `filter_at` formed the last pass)
    std::vector<Real> hessian;  // the log-likelihood's, K x K row-major
    ArmaFilter filter;          // at fit.parameters, with residuals and last state
};

ExactFinish finish_by_exact_gradient(const ExactScoreAt& score, const std::vector<Real>& start,
                                     const std::vector<Real>& start_hessian,
                                     const std::vector<Real>& scale, int max_iterations,
                                     Real tolerance, const InterruptCheck& interrupt,
                                     const ExactScoreKnown& at_start = {},
                                     const ExactHessianAt& hessian_at = {},
                                     const ExactFilterAt& filter_at = {});

} // namespace tarvex
