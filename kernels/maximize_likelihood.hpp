// Maximum likelihood: maximises a log-likelihood that is a sum of one term per observation over
// its parameters, by Newton's method (the exact Hessian), BHHH (the outer product of the
// observations' gradients in its place), the quasi-Newton updates BFGS and DFP started from
// the outer product, steepest ascent (GRADX: the gradient itself, its length carried from step
// to step), or quadratic hill-climbing (GQOPT: minus the exact Hessian shifted by lambda times
// its diagonal scale until positive definite, lambda falling after full steps and rising after
// shortened ones; GQDFP: the same with a DFP-updated Hessian started from the outer product,
// scaled at its first update to the curvature met along the step).
// Each direction is searched by step halving until the log-likelihood rises; under BFGS, DFP,
// GRADX and GQDFP a full step that keeps gaining is doubled.
// The fit has converged when the step taken changes no parameter and not the log-likelihood by
// more than the relative tolerances, or when no step along the direction raises the
// log-likelihood and the step is already below the parameter tolerance; Newton's method has also
// converged when its full step is below the parameter tolerance. The kernel sees the
// model only through the evaluation callback.
#pragma once

#include "kernels/interrupt_check.hpp"
#include "numeric/real.hpp"

#include <functional>
#include <vector>

namespace tarvex {

enum class MaximizeMethod { NEWTON, BHHH, BFGS, DFP, GRADX, GQOPT, GQDFP };

// What an evaluation must give besides the log-likelihood.
struct LikelihoodNeeds {
    bool gradient = false;
    bool hessian = false; // the exact second derivatives
    bool opg = false;     // sum over observations of g_i g_i'
};

struct LikelihoodPoint {
    Real llf = 0;
    std::vector<Real> gradient; // K
    std::vector<Real> hessian;  // K x K row-major
    std::vector<Real> opg;      // K x K row-major
};

// Evaluates at `b`; false when the log-likelihood cannot be evaluated there (`failed_row` the
// observation).
using LikelihoodEvaluate = std::function<bool(const std::vector<Real>& b, const LikelihoodNeeds&,
                                              LikelihoodPoint&, int& failed_row)>;

struct MaximizeControl {
    MaximizeMethod method = MaximizeMethod::NEWTON;
    int max_iterations = 100;
    Real parameter_tolerance = 1e-28Q;
    Real llf_tolerance = 1e-30Q;
    // NEWTON: an approximation of the Hessian at the start (K x K row-major; empty: none),
    // which takes the first step in place of second derivatives evaluated there.
    std::vector<Real> start_hessian;
    // NEWTON: a full step whose relative change of every parameter is below this (0: never)
    // is taken on the quadratic model at the point it leaves, with no evaluation at its end,
    // and ends the iteration: the error after a Newton step is of the order of its square.
    Real modeled_step = 0;
    // Whether the outer product of the scores is wanted at the maximum (a sandwich covariance
    // or one from the outer product); without it Newton's last point is returned as it is.
    bool opg_at_maximum = true;
    // Asked before every iteration and every halving of a step; it throws to stop the work.
    InterruptCheck interrupt;
};

enum class MaximizeStatus {
    CONVERGED,
    ITERATION_LIMIT,    // the last iterate is returned
    UNDEFINED_AT_START, // the log-likelihood cannot be evaluated at the starting values
    SINGULAR,           // the matrix of the step is singular (a parameter is not identified)
    STUCK,              // no step raises the log-likelihood, yet the steps are not small
};

struct MaximizeIteration {
    int iteration = 0;
    Real llf = 0;
    Real step = 0; // the step length taken along the direction
    std::vector<Real> parameters;
};

struct MaximizeResult {
    MaximizeStatus status = MaximizeStatus::CONVERGED;
    int iterations = 0;
    int failed_row = -1;          // UNDEFINED_AT_START
    int dependent_parameter = -1; // SINGULAR
    std::vector<Real> parameters;
    LikelihoodPoint at_maximum; // llf, gradient, Hessian (when it exists) and OPG
    bool hessian_available = false;
    // When at_maximum is the quadratic model's after a step taken on it (see modeled_step):
    // that step, from the point whose derivatives the model holds; else empty.
    std::vector<Real> modeled_step;
    std::vector<MaximizeIteration> history;
};

// `exact_hessian` says whether the evaluation can give second derivatives (needed by NEWTON and
// by a covariance from the Hessian).
MaximizeResult maximize_likelihood(const std::vector<Real>& start,
                                   const LikelihoodEvaluate& evaluate,
                                   const MaximizeControl& control, bool exact_hessian);

} // namespace tarvex
