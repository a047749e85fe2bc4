// Box-Cox regression by maximum likelihood: T(y, ly) = x(lx)'b + e, e normal with variance s2,
// T(v, l) = (v**l - 1)/l (log v at l = 0), the regressors transformed with their own lambda
// (XLAMBDA), with the lambda of y (ALLBOX), or not at all:
//   log L = -n/2 log(2 pi s2) - sum e_i**2/(2 s2) + (ly - 1) sum log y_i.
// The lambdas are found on the profile likelihood (b and s2 concentrated out) over a grid, and
// the full likelihood in (b, lambdas, s2) is then maximised by Newton's method with its exact
// Hessian, whose inverse is the covariance. The estimator writes nothing: it returns the
// estimates, and the log-likelihoods at lambda 1 and 0 also as the record's named statistics.
#pragma once

#include "kernels/interrupt_check.hpp"
#include "numeric/real.hpp"
#include "regress/fit/model_result.hpp"

#include <vector>

namespace tarvex {

enum class BoxRegressors { NONE, SAME_LAMBDA, OWN_LAMBDA };

struct BoxData {
    std::vector<Real> y;              // N, positive
    std::vector<std::vector<Real>> x; // K columns
    std::vector<bool> transformed;    // per column: transformed (a positive regressor)
    BoxRegressors regressors = BoxRegressors::NONE;
    Real missing = 0; // the prediction and residual where the inverse transformation is undefined
};

struct BoxControl {
    int max_iterations = 100;
    Real parameter_tolerance = 1e-28Q;
    InterruptCheck interrupt; // asked between iterations; throws to stop the estimation
};

// EXACT_FIT: at a lambda of the grid the regressors fit the transformed y exactly (sigma**2 goes
// to 0 there and the likelihood has no maximum).
enum class BoxEnd { CONVERGED, ITERATION_LIMIT, STUCK, SINGULAR, EXACT_FIT };

// T(v, l) and its first two derivatives in l, from log v: a power series in l log v near 0.
struct BoxCoxValue {
    Real value = 0, d1 = 0, d2 = 0;
};
BoxCoxValue box_cox(Real log_v, Real lambda);
// The value v with T(v, l) = t: (1 + l t)**(1/l), exp(t) at l = 0; false when 1 + l t <= 0.
bool box_cox_inverse(Real t, Real lambda, Real& v);

struct BoxEstimate {
    BoxEnd end = BoxEnd::CONVERGED;
    int bad_parameter = -1; // SINGULAR
    Real exact_lambda = 0;  // EXACT_FIT: the lambda of y where the fit is exact
    int iterations = 0;
    // b, lambda(s) and s2 with their covariance (p x p row-major), standard errors, asymptotic
    // ratios and p-values; N, p, df, sigma, the log-likelihood, the lambdas for FCAST, the
    // named statistics and the result scalars (the command adds the predictions below).
    ModelResult result;
    Real lambda_y = 0, lambda_x = 0, sigma2 = 0;
    Real llf_linear = 0, llf_log = 0; // the profile at every lambda 1 and at every lambda 0
};

BoxEstimate estimate_box(const BoxData& data, const BoxControl& control);

} // namespace tarvex
