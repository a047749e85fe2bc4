// The parts of a stored estimation that FCAST applies beyond x'b, one kind of model each: a
// power transformation of y and the regressors, autocorrelated errors, a censored outcome, and
// the effects of a panel, the state of ARIMA errors, the
// state of a system of autoregressions. The estimator that has one attaches it to the
// record it stores; FCAST asks the record for the kind it needs.
#pragma once

#include "core/estimation_results.hpp"
#include "numeric/real.hpp"

#include <memory>
#include <string>
#include <vector>

namespace tarvex {

// A Box-Cox transformation: x'b is on the transformed scale of y (lambda_y); the regressors
// other than the intercept are transformed with lambda_x when `regressors`.
struct PowerTransformPart : ModelPart {
    bool regressors = false;
    Real lambda_y = 0, lambda_x = 0;
};

// Autoregressive errors of order rho.size(), which FCAST's residual feedback applies.
struct AutocorrelationPart : ModelPart {
    std::vector<Real> rho;
};

// The censoring of the outcome, applied to x'b with the record's sigma.
struct CensoringPart : ModelPart {
    bool below = false, above = false;
    Real lower = 0, upper = 0;
};

// The cross-sections of a panel; with fixed effects each cross-section's effect, its
// observations and its regressor means (K a cross-section), which FCAST adds to the forecast
// with their variance. With period effects, the observations estimated on and the effects of
// each (a_i + g_t, or g_t alone), which FCAST adds to x'b on those observations.
struct PanelPart : ModelPart {
    int cross_sections = 0;
    bool fixed = false;
    std::vector<Real> effects;
    std::vector<int> counts;
    std::vector<Real> means;
    bool period = false;
    std::vector<int> observations; // ascending
    std::vector<Real> row_effects;
};

// Errors whose forecasts carry the state the estimation left after its last observation (ARIMA
// errors of a regression): the coefficients from `first_regressor` on are those of the
// regressors, and the forecasts of y are x'b plus the forecasts of the noise y - x'b.
struct StateForecastPart : ModelPart {
    int last = 0;            // the estimation's last observation
    int first_regressor = 0; // the index of the first regressor's coefficient
    // The noise's forecasts 1..horizon steps after `last` and their standard errors.
    virtual void noise_forecast(int horizon, std::vector<Real>& value,
                                std::vector<Real>& se) const = 0;
};

// A system of equations forecast together from the values its estimation left at its last
// observation (a vector autoregression): each equation's forecasts 1..horizon steps after `last`
// with their standard errors; FCAST stores equation e's under its output names followed by e.
struct SystemForecastPart : ModelPart {
    int last = 0;                   // the estimation's last observation
    int equations = 0;              // K
    std::vector<std::string> names; // each equation's series, 8 columns
    // The exogenous variables (plain reference and lag), whose values at the forecast
    // observations FCAST reads.
    std::vector<int> exog_refs, exog_lags;
    std::vector<std::string> exog_names;
    // exog: horizon rows of the exogenous values; value and se: horizon rows of K, row h - 1 the
    // forecasts h steps ahead.
    virtual void system_forecast(int horizon, const std::vector<Real>& exog,
                                 std::vector<Real>& value, std::vector<Real>& se) const = 0;
};

// The part of kind `Part` the record holds, or null.
template <class Part>
const Part* model_part(const EstimationResults& e) {
    return dynamic_cast<const Part*>(e.model.get());
}

} // namespace tarvex
