// The linear regression on a panel, y_it = x_it'b + a_i + e_it, in three forms:
//   POOLED  least squares on the stacked rows with one intercept (a_i = a);
//   FIXED   the within estimator: y and x less their cross-section means, no intercept; the
//           effects a_i = mean_i(y) - mean_i(x)'b, and the F test that they are all equal;
//   RANDOM  the Swamy-Arora random-effects estimator: the variance of e from the within fit,
//           that of a_i from the between fit (the cross-section means, each counted T_i
//           times), then least squares on y - theta_i mean_i(y), x - theta_i mean_i(x) and
//           1 - theta_i with theta_i = 1 - sqrt(s2_e / (s2_e + T_i s2_a)); the Hausman test of
//           the random against the fixed effects, |d'(V_fixed - V_random)^-1 d| with d the
//           difference of the slopes.
// The covariance is s2 (X'X)^-1 of the regression actually fitted, s2 its residual sum of
// squares over its degrees of freedom, or the sandwich clustered by cross-section. Each fit is
// the exact cross-product solver of kernels/gram_cholesky. Nothing is written here: the estimate
// comes back with its result, the F test of the effects or the Hausman test as named statistics.
#pragma once

#include "numeric/real.hpp"
#include "regress/fit/model_result.hpp"

#include <vector>

namespace tarvex {

// PERIOD: time effects g_t in place of a_i, the within estimator over the periods; TWO_WAY: both
// a_i and g_t, the within estimator on the deviations that sweep out both (pool_period).
enum class PoolModel { POOLED, FIXED, RANDOM, PERIOD, TWO_WAY };

// CLUSTER_HC0: (X'X)^-1 [sum_i X_i'e_i e_i'X_i] (X'X)^-1 over the cross-sections i;
// CLUSTER_HC1: the same times N / (N - K).
enum class PoolCovariance { CLASSICAL, CLUSTER_HC0, CLUSTER_HC1 };

struct PoolData {
    std::vector<Real> y;              // N
    std::vector<std::vector<Real>> x; // K slope columns of N values (no intercept)
    std::vector<int> group;           // 0-based cross-section of each row
    std::vector<int> rows;            // rows of each cross-section (every one at least 1)
    std::vector<int> period;          // 0-based period of each row (PERIOD, TWO_WAY)
    int periods = 0;
    std::vector<int> obs; // the observation number of each row (FCAST's in-sample effects)
};

struct PoolControl {
    PoolModel model = PoolModel::POOLED;
    PoolCovariance covariance = PoolCovariance::CLASSICAL;
};

enum class PoolEnd {
    OK,
    TOO_FEW,            // no residual degrees of freedom
    FEW_CROSS_SECTIONS, // RANDOM: the between fit has no degrees of freedom
    DEPENDENT,          // a regressor is a combination of the others (bad_column; K: the intercept)
    OUT_OF_RANGE,       // the squares of a column (bad_column; the slopes' count: y) overflow or
                        // underflow (too_large says which)
};

// One least-squares fit on (transformed) columns, with what the report and TEST need.
struct PoolFit {
    std::vector<Real> coef;    // K (+1 with the intercept, last)
    std::vector<Real> xtx_inv; // row-major
    std::vector<Real> cov, se, tstat;
    std::vector<Real> resid; // of the fitted (transformed) rows
    Real sse = 0, df = 0, sigma2 = 0;
};

struct PoolEstimate {
    PoolEnd end = PoolEnd::OK;
    int bad_column = -1;
    bool too_large = false;
    PoolModel model = PoolModel::POOLED;
    int n = 0, k = 0, groups = 0; // rows, coefficients, cross-sections
    Real adjusted_r2 = 0, ymean = 0;
    // FIXED: the effects, and F = ((SSE_pooled - SSE) / (groups - 1)) / (SSE / df). PERIOD: the
    // period effects, F on periods - 1 degrees of freedom; TWO_WAY: the cross-section effects
    // then the period effects, F on groups + periods - 2.
    std::vector<Real> effects;
    std::vector<Real> xmeans; // cross-section by cross-section, K regressor means each
    Real f_effects = 0, f_pvalue = 0;
    int f_df1 = 0, f_df2 = 0;
    // RANDOM: the variance components and the range of theta; the Hausman test of the slopes
    // (not done when the covariance difference is singular). R-square is the squared
    // correlation of the quasi-demeaned y with its fitted values.
    Real sigma2_e = 0, sigma2_a = 0, theta_min = 0, theta_max = 0;
    Real theta_mean = 0;           // over the rows
    bool sigma2_a_clipped = false; // the estimate of s2_a came out negative and was set to 0
    bool hausman_done = false;
    int within_slopes = 0; // the slopes that vary within a cross-section (those H compares)
    Real hausman = 0, hausman_pvalue = 0;
    int hausman_df = 0;
    // When estimated: the reported fit's coefficients, covariance, (X'X)**-1, ratios and
    // p-values, the fitted values x'b + a (the effect of the row's cross-section under FIXED,
    // the intercept else) and residuals on the scale of y, N, K, df, SSE, R-square, sigma, the
    // log-likelihood (not RANDOM), the panel for FCAST, the F TEST OF EQUAL EFFECTS (FIXED) or
    // HAUSMAN (RANDOM) as named statistics, and the result scalars.
    ModelResult result;
};

PoolEstimate estimate_pool(const PoolData& data, const PoolControl& control);

// RANDOM's variance components as VARCOMP= stores them, a 3 by 3 matrix column after column:
// row 1 the idiosyncratic error, row 2 the cross-section effect, each its variance, standard
// deviation and share of the total variance; row 3 theta's minimum, mean (over the rows) and
// maximum.
std::vector<Real> variance_components(const PoolEstimate& e);

} // namespace tarvex
