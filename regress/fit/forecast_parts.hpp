// The parts of a stored estimation that FCAST applies beyond x'b, one kind of model each: a
// power transformation of y and the regressors, autocorrelated errors, a censored outcome, and
// the effects of a panel. The estimator that has one attaches it to the record it stores; FCAST
// asks the record for the kind it needs.
#pragma once

#include "core/estimation_results.hpp"
#include "numeric/real.hpp"

#include <memory>
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

// The part of kind `Part` the record holds, or null.
template <class Part>
const Part* model_part(const EstimationResults& e) {
    return dynamic_cast<const Part*>(e.model.get());
}

} // namespace tarvex
