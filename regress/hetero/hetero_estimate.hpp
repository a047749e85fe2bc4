// The linear regression with multiplicative heteroskedasticity, y_i = x_i'b + e_i with
// Var(e_i) = exp(z_i'g), by maximum likelihood:
//   log L = -1/2 sum [log 2pi + z_i'g + e_i**2 exp(-z_i'g)],
// maximised with the exact gradient and Hessian. Start: b from OLS, g from the regression of
// log e_i**2 on z, its intercept raised by Euler's gamma + log 2 (minus the mean of the log of a
// chi-square with one degree of freedom). The estimator writes nothing: it returns the estimates
// with their covariance, the log-likelihood and the likelihood-ratio test of g's slopes = 0 (also
// the record's named statistic).
#pragma once

#include "kernels/maximize_likelihood.hpp"
#include "numeric/real.hpp"
#include "regress/fit/model_result.hpp"

#include <string>
#include <vector>

namespace tarvex {

struct HeteroData {
    std::vector<Real> y;                 // N
    std::vector<std::vector<Real>> x, z; // K and M columns of N values
    int z_intercept = -1;                // the column of z that is the intercept
};

struct HeteroControl {
    MaximizeMethod method = MaximizeMethod::NEWTON;
    int max_iterations = 100;
    Real parameter_tolerance = 1e-28Q;
    bool sandwich = false;    // H^-1 (sum g_i g_i') H^-1 in place of -H^-1
    InterruptCheck interrupt; // asked between iterations; throws to stop the estimation
};

enum class HeteroEnd {
    CONVERGED,
    ITERATION_LIMIT,
    STUCK,
    MEAN_SINGULAR,     // a regressor of the mean equation is a combination of the others
    VARIANCE_SINGULAR, // the same in the variance equation, or the Hessian is singular there
    UNDEFINED,         // exp(-z'g) overflows at the start
    EXACT_FIT,         // OLS leaves no residual: the variances can shrink to 0 without end
};

struct HeteroEstimate {
    HeteroEnd end = HeteroEnd::CONVERGED;
    int bad_column = -1; // MEAN_SINGULAR, VARIANCE_SINGULAR: the column (0-based in its equation)
    int iterations = 0;
    std::vector<MaximizeIteration> history;
    // Coefficients b then g, their covariance ((K+M) x (K+M) row-major), standard errors,
    // asymptotic ratios and p-values, x'b and y - x'b, N, K+M (K the mean terms), df, SSE, sigma,
    // the log-likelihood, the LR test as a named statistic, and the result scalars.
    ModelResult result;
    Real llf_constant = 0; // the OLS likelihood: Var(e_i) the same for every i
    Real lr = 0, lr_pvalue = 0;
    int lr_df = 0;
    std::vector<Real> variance; // exp(z'g) by row
};

HeteroEstimate estimate_hetero(const HeteroData& data, const HeteroControl& control);

} // namespace tarvex
