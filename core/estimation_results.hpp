// What the last estimation leaves for the commands that follow it (TEST, RESTRICT, FCAST and
// the listings): the command's name, the equation, the coefficients with their covariance and
// the summary numbers. Every estimation command rewrites it; a failed one clears it. STATS
// leaves it in place but marks it, so that TEST refuses it while FCAST still forecasts from it.
#pragma once

#include "numeric/real.hpp"

#include <string>
#include <vector>

namespace tarvex {

// The references that stand for named coefficients (the parameters of NLINEAR and MLE, the
// variance coefficients of HETERO, the lambdas of BOX): parameter j is MAXVAR + 3 + j, above the
// intercept (MAXVAR + 1) and the IMLS trend (MAXVAR + 2), below the column references.
inline int parameter_reference(int maxvar, int j) {
    return maxvar + 3 + j;
}
// Whether a reference is a term named by its report name (the intercept, the trend or a named
// parameter) rather than a variable.
inline bool named_term_reference(int maxvar, int ref) {
    return ref > maxvar && ref <= 2 * maxvar;
}

struct EstimationResults {
    std::string command; // "OLSQ", "IMLS"; empty when no estimation stands
    int dep_ref = 0;     // the dependent variable (plain reference)
    int dep_lag = 0;
    std::string dep_name;     // 8 columns
    std::string dep_variable; // the dependent variable's name (no lag)
    std::string equation;     // NLINEAR and MLE: the right side of the equation as typed
    // One entry per coefficient, in report order (the intercept last).
    std::vector<std::string> names;     // 8 columns
    std::vector<std::string> variables; // name of each term's variable (no lag); "" for others
    // Plain reference; MAXVAR+1 intercept, MAXVAR+2 IMLS trend, from MAXVAR+3 on the named
    // parameters of NLINEAR and MLE.
    std::vector<int> refs;
    std::vector<int> lags;       // lag of each regressor
    std::vector<Real> coef;      // KCOEF
    std::vector<Real> cov;       // KCOV, K x K, row-major (robust under HETCOV)
    std::vector<Real> xtx_inv;   // (X'X)**-1, K x K, row-major: the forecast variances use it
    std::vector<Real> stderrs;   // KSTD
    std::vector<Real> tratios;   // KTRAT
    std::vector<int> obs;        // observations used
    std::vector<Real> predicted; // KPRED, one per observation used
    std::vector<Real> residuals; // KRES
    std::vector<Real> weights;   // KWT (empty without weights)
    std::vector<Real> recursive; // recursive residuals (RECURSIV), XMISS where none
    // HETERO and BOX: the first `mean_terms` coefficients make the linear equation FCAST
    // evaluates (the rest are the variance equation, the lambdas and sigma**2); 0: all of them.
    int mean_terms = 0;
    // A model FCAST has no forecast for (the multinomial logit, the ordered models): its name,
    // which FCAST's message gives; empty for every other estimation.
    std::string not_forecast;
    // BOX: lambda of the dependent variable and of the regressors (box_regressors), which
    // FCAST with MODEL=BOX applies.
    bool box_cox = false, box_regressors = false;
    Real lambda_y = 0, lambda_x = 0;
    // AUTO: rho of the AR(1) or AR(2) errors, which FCAST with MODEL=AUTO applies.
    std::vector<Real> rho;
    // TOBIT: the censoring of y, which FCAST with MODEL=TOBIT applies to x'b with sigma.
    bool censored_below = false, censored_above = false;
    Real censor_lower = 0, censor_upper = 0;
    // POOL: the number of cross-sections; with fixed effects each cross-section's effect, its
    // observations and its regressor means (K a cross-section), which FCAST with MODEL=POOL and
    // FIXED adds to the forecast with their variance.
    int pool_cross_sections = 0;
    bool pool_fixed = false;
    std::vector<Real> pool_effects;
    std::vector<int> pool_counts;
    std::vector<Real> pool_means;
    int n = 0, k = 0, beg = 0, end = 0;
    Real sse = 0, sst = 0, raw = 0, rsqr = 0, df = 0, sigma = 0, ridge = 0, swt = 0;
    bool log_dependent = false, log_regressors = false, intercept = false;
    bool asymptotic = false;  // normal and chi-square statistics replace t and F (DN)
    bool stats_since = false; // a STATS ran after the estimation: nothing left to TEST
};

} // namespace tarvex
