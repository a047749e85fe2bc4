// What the last estimation leaves for the commands that follow it (TEST, RESTRICT, FCAST and
// the listings): the command's name, the equation, the coefficients with their covariance, the
// summary numbers and the named statistics. Every estimation command rewrites it; a failed one
// clears it. STATS leaves it in place but marks it, so that TEST refuses it while FCAST still
// forecasts from it. What one kind of model adds for FCAST (a transformation, error
// autocorrelation, censoring, effects) is a part the model's own folder defines; this record
// holds it without knowing what it is.
#pragma once

#include "numeric/real.hpp"

#include <memory>
#include <string>
#include <vector>

namespace tarvex {

// The references that stand for named coefficients (parameters of an equation, variance
// coefficients, transformation parameters): parameter j is MAXVAR + 3 + j, above the intercept
// (MAXVAR + 1) and the trend (MAXVAR + 2), below the column references.
inline int parameter_reference(int maxvar, int j) {
    return maxvar + 3 + j;
}
// Whether a reference is a term named by its report name (the intercept, the trend or a named
// parameter) rather than a variable.
inline bool named_term_reference(int maxvar, int ref) {
    return ref > maxvar && ref <= 2 * maxvar;
}

// The distribution a statistic is referred to for its p-value.
enum class StatisticLaw { NONE, NORMAL, T, CHI_SQUARE, F };

// A statistic an estimation computes besides its coefficients (a first-stage F, an
// overidentification test, a test of the model's form, a likelihood ratio ...): its name as the
// report and the TESTSTAT= output list it, its value, its law with degrees of freedom, and its
// p-value.
struct NamedStatistic {
    std::string name;
    Real value = 0;
    StatisticLaw law = StatisticLaw::NONE;
    Real df1 = 0, df2 = 0;
    bool has_pvalue = false;
    Real pvalue = 0;
};

// What one kind of model adds to the record for FCAST; the model's folder derives from it and
// FCAST asks for the kind it knows.
struct ModelPart {
    virtual ~ModelPart() = default;
};

struct EstimationResults {
    std::string command; // "OLSQ", "IMLS"; empty when no estimation stands
    int dep_ref = 0;     // the dependent variable (plain reference)
    int dep_lag = 0;
    std::string dep_name;     // 8 columns
    std::string dep_variable; // the dependent variable's name (no lag)
    std::string equation;     // an estimation by equation: the right side as typed
    // One entry per coefficient, in report order (the intercept last).
    std::vector<std::string> names;     // 8 columns
    std::vector<std::string> variables; // name of each term's variable (no lag); "" for others
    // Plain reference; MAXVAR+1 intercept, MAXVAR+2 trend, from MAXVAR+3 on the named
    // parameters (parameter_reference).
    std::vector<int> refs;
    std::vector<int> lags;       // lag of each regressor
    std::vector<Real> coef;      // KCOEF
    std::vector<Real> cov;       // KCOV, K x K, row-major (robust under HETCOV)
    std::vector<Real> xtx_inv;   // (X'X)**-1, K x K, row-major: the forecast variances use it
    std::vector<Real> stderrs;   // KSTD
    std::vector<Real> tratios;   // KTRAT
    std::vector<Real> pvalues;   // of the t (or z) statistics; empty where the model gives none
    std::vector<int> obs;        // observations used
    std::vector<Real> predicted; // KPRED, one per observation used
    std::vector<Real> residuals; // KRES
    std::vector<Real> weights;   // KWT (empty without weights)
    std::vector<Real> recursive; // recursive residuals (RECURSIV), XMISS where none
    // The first `mean_terms` coefficients make the linear equation FCAST evaluates (the rest
    // belong to a variance equation, a transformation or the error scale); 0: all of them.
    int mean_terms = 0;
    // A model FCAST has no forecast for: its name, which FCAST's message gives; empty for every
    // other estimation.
    std::string not_forecast;
    // FCAST's part of the model, when the model has one (see ModelPart).
    std::shared_ptr<const ModelPart> model;
    // The statistics besides the coefficients, in report order.
    std::vector<NamedStatistic> statistics;
    int n = 0, k = 0, beg = 0, end = 0;
    Real sse = 0, sst = 0, raw = 0, rsqr = 0, df = 0, sigma = 0, ridge = 0, swt = 0;
    bool has_llf = false;
    Real llf = 0; // the log-likelihood at the estimates
    bool log_dependent = false, log_regressors = false, intercept = false;
    bool asymptotic = false;  // normal and chi-square statistics replace t and F (DN)
    bool stats_since = false; // a STATS ran after the estimation: nothing left to TEST
};

} // namespace tarvex
