// Temporal disaggregation: a high-frequency series whose period sums (or averages) equal a
// given low-frequency series exactly. `ratio` sub-periods make one period; the aggregation
// row of period i takes sub-periods i*ratio .. i*ratio + ratio - 1 with weight c = 1 (sums) or
// 1/ratio (averages).
//
// Denton, proportional first differences: with an indicator x (all ones when none is given)
// the series y = x z minimises sum_{t>=2} (z_t - z_{t-1})^2 subject to the aggregation
// constraints; the first sub-period is free (no value before the series is assumed).
//
// Chow-Lin: y = X b + u at the high frequency, u an AR(1) process (coefficient rho), seen only
// through its aggregates. b is the GLS estimate on the aggregated regressors with the
// aggregated covariance W = C Sigma C', and the series is X b + Sigma C' W^-1 (y_low - C X b).
// rho is given or maximises the concentrated log-likelihood over [-0.999, 0.999].
#pragma once

#include "numeric/real.hpp"

#include <vector>

namespace tarvex {

// The AR(1) coefficients Chow-Lin takes, given or searched: -0.999 to 0.999 (nearer to 1 the
// aggregated covariance is too close to singular for the sums to be met to many digits).
inline const Real CHOW_LIN_RHO_LIMIT = 0.999Q;

struct DentonFit {
    bool ok = false; // false: the constraints are singular (an indicator all zero in a period)
    std::vector<Real> values;
};

// `indicator` holds low.size() * ratio values, or none.
DentonFit denton_distribute(const std::vector<Real>& low, int ratio,
                            const std::vector<Real>& indicator, bool average);

enum class ChowLinStatus {
    ok,
    too_few_periods,   // no more periods than regressors
    dependent_column,  // an aggregated regressor depends on the ones before it
    covariance_failed, // the aggregated covariance is not positive definite
};

struct ChowLinFit {
    ChowLinStatus status = ChowLinStatus::ok;
    int failed_column = -1;
    std::vector<Real> values;   // the high-frequency series
    std::vector<Real> coef, se; // GLS coefficients and standard errors (sigma^2 = SSE/(n-m))
    Real rho = 0;
    bool rho_estimated = false;
    Real llf = 0;    // concentrated log-likelihood at rho (sigma^2 = SSE/n)
    Real sigma2 = 0; // SSE / (n - m), the AR(1) innovation variance estimate
    int evaluations = 0;
};

// `regressors`: m columns of low.size() * ratio values, column after column.
ChowLinFit chow_lin(const std::vector<Real>& low, int ratio, const std::vector<Real>& regressors,
                    int m, bool average, bool rho_given, Real rho);

} // namespace tarvex
