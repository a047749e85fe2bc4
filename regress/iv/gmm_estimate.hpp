// The generalised method of moments for one linear equation y = Xb + u with the moment
// conditions E z_t u_t = 0 (instruments Z, the included exogenous regressors among them). With
// A = Z'X and c = Z'y every estimate is b = (A'WA)**-1 A'Wc for a weight W:
// - one step: W = I (the identity weight) or W = (Z'Z)**-1 (two-stage least squares);
// - two steps: W = S(b1)**-1, S the moment covariance of the two-stage least squares residuals;
// - iterated: W renewed from each estimate's residuals until the coefficients settle.
// S(b) = sum u_t**2 z_t z_t' (White) or with the Newey-West terms of lags 1..L (HAC), uncentred.
// The efficient estimates (two steps or iterated, White or HAC) take the covariance
// (A'S(b)**-1 A)**-1 with S renewed at the final estimate, and Hansen's J, the minimised
// criterion g'Wg with g = c - Ab and the weight of the last step; the one-step estimates take the
// sandwich (A'WA)**-1 A'W S(b) WA (A'WA)**-1 and no J. The estimator writes nothing.
#pragma once

#include "regress/iv/iv_estimate.hpp"

namespace tarvex {

enum class GmmWeight { IDENTITY, WHITE, HAC };
enum class GmmSteps { ONE, TWO, ITERATE };

struct GmmControl {
    GmmWeight weight = GmmWeight::WHITE;
    GmmSteps steps = GmmSteps::TWO;
    int lags = 0;             // the Newey-West lag of S (HAC; with the identity weight, optional)
    int max_iterations = 100; // ITERATE: the most weighted steps
    Real converge = 1e-20Q;   // ITERATE: |b - b_old| <= converge |b_old| ends the steps
};

enum class GmmEnd {
    OK,
    FIRST_STEP,      // two-stage least squares failed: `first.end` says why
    WEIGHT_SINGULAR, // a moment covariance S is singular (no positive definite weight)
    NON_FINITE,      // a value of the residuals is infinite or not a number
};

struct GmmEstimate {
    GmmEnd end = GmmEnd::OK;
    // The two-stage least squares start: the sizes, the endogenous regressors and, when it
    // failed, why (its result is not the estimate).
    IvEstimate first;
    // The estimate: coefficients, covariance, ratios and asymptotic p-values, fitted values Xb
    // and residuals y - Xb, N, K, df = N - K, SSE, SST, R-square, sigma; HANSEN J as the named
    // statistic where it is made; the scalars.
    ModelResult result;
    Real sigma2 = 0, adjr2 = 0, ymean = 0;
    bool centred = false;
    IvStatistic j;          // efficient and over-identified only
    int weighted_steps = 0; // steps with W = S**-1 (two steps: 1)
    bool converged = true;  // ITERATE: the coefficients settled within max_iterations
};

GmmEstimate estimate_gmm(const IvData& data, const GmmControl& control);

// The stored results of a GMM estimate whose record is filled: HANSEN J as the named statistic
// (where it is made), $N, $K, $DF, $SSE, $SIG2, $R2, $ADR2, $SST and with J $CHI, $DF1, $PVAL.
void store_gmm_statistics(ModelResult& m, const IvStatistic& j, Real sigma2, Real adjr2);

} // namespace tarvex
