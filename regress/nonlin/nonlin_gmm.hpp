// NLINEAR / METHOD=GMM: the generalised method of moments for one nonlinear equation
// y_t = f(x_t, b) + u_t with the moment conditions E z_t u_t(b) = 0 on the instruments z_t.
// With g(b) = Z'u(b) and the Jacobian G(b) = Z'F(b) (F = df/db' from the derivative generator,
// exact), each step minimises g'Wg by Gauss-Newton: the moments are linear in the step d to first
// order, g(b + d) = g(b) - G d, so d is the linear GMM estimate of that system, and the step is
// halved until the criterion does not rise. The weights and steps are those of the linear GMM:
// - one step: W = (Z'Z)**-1 (nonlinear two-stage least squares) or W = I;
// - two steps: W = S(b1)**-1, S the moment covariance at the one-step estimate;
// - iterated: W renewed from each step's residuals until the parameters settle.
// S(b) = sum u_t**2 z_t z_t' (White) or with the Newey-West terms of lags 1..L (HAC). The
// efficient estimates take the covariance (G'S**-1 G)**-1 with S and G at the estimate, and
// Hansen's J, the minimised g'Wg with the weight of the last step; the one-step estimates the
// sandwich (G'WG)**-1 G'W S WG (G'WG)**-1. The estimator writes nothing.
#pragma once

#include "regress/iv/gmm_estimate.hpp"
#include "regress/nonlin/equation_model.hpp"
#include "regress/nonlin/nonlin_estimate.hpp"

#include <vector>

namespace tarvex {

enum class NonlinGmmEnd {
    OK,
    UNDEFINED,             // the equation cannot be evaluated at the starting values
    INSTRUMENTS_COLLINEAR, // Z'Z singular: `bad_instrument` is a combination of those before it
    NOT_IDENTIFIED,        // G'WG singular where the iteration stood
    WEIGHT_SINGULAR,       // a moment covariance S is singular
};

struct NonlinGmmEstimate {
    NonlinGmmEnd end = NonlinGmmEnd::OK;
    RowFailure evaluation; // UNDEFINED: where
    int bad_instrument = -1;
    int l = 0; // the instruments
    // How the Gauss-Newton minimisation of the last step ended (CONVERGED, ITERATION_LIMIT or
    // STUCK), whether it stopped where rounding leaves no lower criterion, and the Gauss-Newton
    // iterations of every step together.
    NonlinEnd minimisation = NonlinEnd::CONVERGED;
    bool at_rounding_floor = false;
    int iterations = 0;
    int last_iterations = 0; // those of the last minimisation (the limit applies to each)
    std::vector<NonlinIteration> history; // the criterion and the parameters, every step
    int weighted_steps = 0;               // steps with W = S**-1
    bool settled = true;                  // ITERATE: the parameters settled within MAXIT steps
    // The estimate: parameters, covariance, asymptotic ratios and p-values, fitted values and
    // residuals, N, K, df, SSE, SST, R-square, sigma; HANSEN J as the named statistic where it
    // is made; the scalars.
    ModelResult result;
    Real sigma2 = 0, adjr2 = 0, ymean = 0;
    IvStatistic j;
};

// `instruments`: L columns, each the instrument at the model's observations in use.
NonlinGmmEstimate estimate_nonlinear_gmm(const EquationModel& model,
                                         const std::vector<std::vector<Real>>& instruments,
                                         const GmmControl& control);

} // namespace tarvex
