// Nonlinear least squares by Levenberg-Marquardt in binary128. Each iteration forms the exact
// cross-product matrix of [J r] (J the Jacobian of the fitted function, r the residuals) with
// the exact Gram kernel and solves in double-binary128 by the cross-product Cholesky factor, so
// that each step is as accurate as the data allow however badly the problem is conditioned.
// Far from the minimum the diagonal is damped by lambda times a scale (Nielsen's update of
// lambda: a step that lowers the sum of squares is taken and lambda falls by up to three by the
// gain ratio; one that does not is refused and lambda doubles, then quadruples ...), and each
// damped step carries its geodesic acceleration. Near it (the undamped Gauss-Newton step predicts a
// fall below 1e-10 of the sum of squares) the Gauss-Newton steps are taken as they come, as long as
// the falls they predict contract, each at the length that minimises the sum of squares along it
// to second order (the residuals' curvature along the step, which J'J leaves out, keeps plain
// steps too long or too short by a steady factor on large-residual problems). The fit has
// converged when the Gauss-Newton step changes no parameter by more than the relative tolerance,
// or where it can no longer improve in binary128: a full step predicting a fall below the
// rounding of the sum of squares that does not lower it, or steps that stop shrinking there (they
// are then rounding noise, and the minimum is found to the precision of the data and arithmetic).
// The damping is scaled along each parameter by the largest diagonal element of J'J met so far;
// when that run does not converge, the iteration starts again from the starting values with the
// damping scaled by the current diagonal; when that does not converge either, a scaled trust
// region (the radius on |D step|, D'D that same largest diagonal) carries the starting values to
// the neighbourhood of the minimum and Levenberg-Marquardt finishes from there, the two sharing
// one iteration limit. When that fails too and the model is linear in some of its parameters
// (but not all), variable projection carries the starting values instead: those parameters are
// set to their least-squares values given the others after every step, and only the others are
// damped. The best of the results stands. The kernel sees the model only through the
// evaluation and curvature callbacks.
#pragma once

#include "kernels/interrupt_check.hpp"
#include "numeric/real.hpp"

#include <functional>
#include <vector>

namespace tarvex {

// The model at a set of parameters: residuals y - f (N values) and, when `jacobian` is not null,
// df/db column-major (N x K). Returns false when the function cannot be evaluated; `failed_row`
// is then the row.
using NlsEvaluate = std::function<bool(const std::vector<Real>& b, Real* residuals, Real* jacobian,
                                       int& failed_row)>;

// The second derivative of the residuals along a direction v, d2 r_i / dt2 of r(b + t v) at
// t = 0 (N values). False when it cannot be evaluated.
using NlsCurvature =
    std::function<bool(const std::vector<Real>& b, const std::vector<Real>& v, Real* second)>;

struct NlsControl {
    int max_iterations = 100;
    Real parameter_tolerance = 1e-28Q; // relative change of every parameter
    Real lambda_start = 1e-3Q;
    // Asked before every iteration and every damped step tried; it throws to stop the work.
    InterruptCheck interrupt;
};

enum class NlsStatus {
    CONVERGED,
    ITERATION_LIMIT,    // the limit came first: the last iterate is returned
    UNDEFINED_AT_START, // the function cannot be evaluated at the starting values
    SINGULAR,           // J'J is singular at the solution (a parameter is not identified)
    STUCK,              // no step lowers the sum of squares, yet the steps are not small
};

// One line of the iteration history: the parameters and sum of squares after the iteration.
struct NlsIteration {
    int iteration = 0;
    Real sse = 0;
    Real lambda = 0;
    std::vector<Real> parameters;
};

struct NlsResult {
    NlsStatus status = NlsStatus::CONVERGED;
    int iterations = 0; // the steps taken (one line of the history each)
    // CONVERGED where the steps no longer change the sum of squares: they are below its
    // rounding, and the parameters are as close to the minimum as the arithmetic can tell.
    bool at_rounding_floor = false;
    int failed_row = -1;          // UNDEFINED_AT_START: the row
    int dependent_parameter = -1; // SINGULAR: the parameter found dependent (0-based)
    std::vector<Real> parameters;
    Real sse = 0;
    std::vector<Real> residuals;   // N, at the parameters returned
    std::vector<Real> jacobian;    // N x K column-major, at the parameters returned
    std::vector<Real> jtj_inverse; // (J'J)^-1, K x K row-major (empty when SINGULAR)
    std::vector<NlsIteration> history;
};

// Minimises the sum of squared residuals over the parameters from `start`.
// With `curvature`, the damped steps carry the geodesic acceleration (the second-order
// correction along the step), which takes the iteration along narrow curved valleys in far
// fewer steps.
NlsResult nonlinear_least_squares(int nobs, const std::vector<Real>& start,
                                  const NlsEvaluate& evaluate, const NlsControl& control,
                                  const NlsCurvature& curvature = nullptr);

// The last iterations of a fit whose start is already next to the minimum (found in double) and
// comes with half the Hessian of the sum of squares there, J'J less the residuals' curvature,
// good to double's precision (K x K row-major). Each iteration is a Newton step with that
// Hessian and the gradient J'r summed exactly in binary128: the error of the parameters
// contracts by the Hessian's relative error (about 1e-16) at each step, so that two steps carry
// a start good to double's precision to binary128's. The fit has converged once a step changing
// no parameter by more than the relative tolerance has been taken and the undamped Gauss-Newton
// step where it lands is below the tolerance too; ITERATION_LIMIT after `max_steps` steps
// without that, or when a step raises the sum of squares beyond its rounding or leaves the
// domain (the caller then fits without this start). The covariance factor, residuals and
// Jacobian are those at the point returned, as from nonlinear_least_squares.
NlsResult newton_finish(int nobs, const std::vector<Real>& start, const std::vector<Real>& hessian,
                        const NlsEvaluate& evaluate, const NlsControl& control, int max_steps);

} // namespace tarvex
