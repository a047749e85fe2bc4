// VAR's estimator: every equation regresses one series on the same regressors (the lags 1..p of
// all the series, then the exogenous variables, a trend, seasonal dummies and the intercept), so
// one exact cross-product matrix of the regressors and the series solves them all. It returns the
// coefficients, the residuals, the residual covariance (ML, divided by T, and corrected by T - m),
// the log-likelihood, and the information criteria of the orders 0..MAXLAG on their common sample.
// The estimator never sees the run.
#pragma once

#include "numeric/real.hpp"

#include <cstddef>
#include <vector>

namespace tarvex {

struct VarTerms {
    int lags = 1;
    bool constant = true;
    bool trend = false; // 1, 2, ... from the first row of the data (lags included)
    int seasons = 0;    // 0: none; s > 1: dummies for the first s - 1 seasons of each period
};

struct VarData {
    std::vector<const Real*> series; // K series of n rows (consecutive observations)
    std::vector<const Real*> exog;   // exogenous variables of the same n rows (their value at t)
    std::size_t n = 0;
    int first_season = 0; // season (0-based) of row 0
};

enum class VarEnd { OK, TOO_FEW, SINGULAR_X, SINGULAR_SIGMA, NOT_FINITE };

struct VarFit {
    VarEnd end = VarEnd::OK;
    int bad_column = -1;       // SINGULAR_X: the regressor (0-based) that depends on those before
    int k = 0, m = 0, t = 0;   // series, regressors per equation, rows used
    std::vector<Real> coef;    // m x k: coef[r * k + e] is regressor r in equation e
    std::vector<Real> xtx_inv; // m x m row-major
    std::vector<std::vector<Real>> resid, fitted; // per equation, t rows
    std::vector<Real> sse;                        // per equation
    std::vector<Real> sigma_ml, sigma;            // k x k: divided by t, and by t - m
    Real log_det_ml = 0;
    Real llf = 0;
};

// The fit of rows `skip`.. of the data (the first `skip` rows only give lags); skip must be at
// least terms.lags.
VarFit fit_var(const VarData& data, const VarTerms& terms, int skip);

// The information criteria of one order.
struct VarCriteria {
    int lags = 0;
    Real aic = 0, bic = 0, hq = 0, fpe = 0;
    bool ok = false;
};
// Orders 0..max_lags, each on the rows after max_lags.
std::vector<VarCriteria> var_order_criteria(const VarData& data, const VarTerms& terms,
                                            int max_lags);

// The deterministic regressors' count for `terms`.
int var_deterministic_terms(const VarTerms& terms);
// The regressors of an equation besides the lags: the exogenous and the deterministic ones.
int var_other_terms(const VarData& data, const VarTerms& terms);

} // namespace tarvex
