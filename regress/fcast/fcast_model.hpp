// The equation a forecast evaluates: the dependent variable, the right-hand-side terms with
// their coefficients, and what is known of the coefficients' precision. It comes either from
// the last estimation or from a variable list typed on FCAST with a COEF= vector.
#pragma once

#include "numeric/real.hpp"
#include "regress/choice/choice_link.hpp"
#include "regress/choice/tobit_estimate.hpp"
#include "regress/fit/ols_fit.hpp"

#include <string>
#include <vector>

namespace tarvex {

struct Run;
struct FcastOptions;

// Error numbers of FCAST.
inline constexpr int ERR_FCAST_OPTION_VALUE = 49001;
inline constexpr int ERR_FCAST_SHAPE = 49002;
inline constexpr int ERR_FCAST_NO_ESTIMATION = 49003;
inline constexpr int ERR_FCAST_NO_COEF = 49004;
inline constexpr int ERR_FCAST_NO_VARIABLES = 49005;
inline constexpr int ERR_FCAST_ORDER = 49006;
inline constexpr int ERR_FCAST_TOO_FEW = 49007;
inline constexpr int ERR_FCAST_SHORT_COEF = 49008;
inline constexpr int ERR_FCAST_NCROSS = 49009;
inline constexpr int ERR_FCAST_RANGE_TOO_LONG = 49010; // more observations than the work area
inline constexpr int ERR_FCAST_UNDEFINED = 49011;      // no prediction at an observation
inline constexpr int ERR_FCAST_BEFORE_STATE = 49012;   // ARIMA: the range starts in the sample
inline constexpr int ERR_FCAST_VARIABLE_GONE = 49090;
inline constexpr int ERR_FCAST_NO_TOBIT = 49091;
inline constexpr int ERR_FCAST_NOT_FORECAST = 49092; // a model FCAST has no forecast for
inline constexpr int ERR_FCAST_NO_RHO = 49095;       // MODEL=AUTO without rho

// The prediction of a choice model: the probability F(x'b) (PROBIT, LOGIT) or the expected
// value of the censored y (TOBIT).
enum class FcastChoice { NONE, PROBIT, LOGIT, TOBIT };

struct FcastModel {
    std::string type; // model type word, trimmed: "OLSQ", "IMLS", "AUTO" ...
    int dep_ref = 0;  // plain reference of the dependent variable
    int dep_lag = 0;
    std::string dep_name;        // 8 columns
    std::vector<OlsTerm> terms;  // the intercept last
    std::vector<Real> coef;      // one per term
    std::vector<Real> cov;       // K x K coefficient covariance; empty when not known
    Real sigma = 0;              // standard error of the estimate (with cov)
    bool log_dependent = false;  // the equation explains log(y)
    bool log_regressors = false; // the regressors enter in logs
    int estimation_end = 0;      // last observation of the estimation; 0 when none recorded
    int max_lag = 0;             // largest lag among the terms
    // A nonlinear equation (NLINEAR): its right side and parameter names; no terms then.
    std::string equation;
    std::vector<std::string> parameter_names;
    // MODEL=BOX: x'b is on the Box-Cox scale of y with lambda_y, and the regressors (other
    // than the intercept) are transformed with lambda_x when box_regressors.
    bool box_cox = false, box_regressors = false;
    Real lambda_y = 0, lambda_x = 0;
    // MODEL=AUTO: rho of the AR(1) or AR(2) errors (from the estimation, or RHO= and SRHO=),
    // which BLUP applies to the lagged residuals.
    std::vector<Real> rho;
    // MODEL=PROBIT, LOGIT, TOBIT; TOBIT's sigma and censoring come from its estimation.
    FcastChoice choice = FcastChoice::NONE;
    Real tobit_sigma = 0;
    TobitCensoring censoring;

    // MODEL=POOL: the cross-section forecast (CSNUMBER=), the pooled standard error and, with
    // FIXED, the cross-section's effect, which is the coefficient of the term FIXED.
    bool pooled = false, fixed_effect = false;
    int cs_number = 0;
    Real pool_se = 0, effect = 0;
    // After POOL with period effects: the observations estimated on (ascending) and the effects
    // of each, added to x'b (fcast_period).
    bool period_effects = false;
    std::vector<int> period_obs;
    std::vector<Real> period_row_effects;

    // Series bound to a file (READ ... / BIND): the bound name of the dependent variable and of
    // each term (empty: in memory, or no variable).
    std::string dep_bound;
    std::vector<std::string> term_bound;

    bool nonlinear() const { return !equation.empty(); }
    bool any_bound() const {
        if (!dep_bound.empty()) return true;
        for (const std::string& name : term_bound)
            if (!name.empty()) return true;
        return false;
    }
    int k() const { return nonlinear() ? int(parameter_names.size()) : int(terms.size()); }
    bool has_covariance() const { return !cov.empty(); }
};

// Whether the variable of a reference (slot, temporary or column) still has its name; a deleted
// variable leaves a blank name behind.
bool reference_exists(const Run& run, int ref);

// The model types that FCAST recognises by name; any other word is a linear model.
bool is_named_model_type(const std::string& type);
// Whether the model is the linear (OLS) model: its type is none of the words FCAST recognises.
// The forecast standard errors sigma*sqrt(1 + x'(X'X)**-1 x) hold for that model only.
bool is_linear_model_type(const std::string& type);

// Builds the model from the scan block, the options and the last estimation. On an error the
// message is written, $ERR set and false returned.
bool build_fcast_model(Run& run, const FcastOptions& o, FcastModel& model);

} // namespace tarvex
