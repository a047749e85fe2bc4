// The report of the multinomial logit: heading, iteration history on request, how the
// iteration ended, the outcomes, the log-likelihoods, the likelihood-ratio test of the slopes,
// McFadden's R-square, the percentage predicted right, and a coefficient table per non-base
// outcome; or why an estimation has no coefficients. The report only writes.
#pragma once

#include "regress/choice/choice_data.hpp"
#include "regress/choice/choice_report_flags.hpp"
#include "regress/choice/multinomial_logit.hpp"
#include "regress/fit/model_result.hpp"

#include <string>
#include <vector>

namespace tarvex {

struct Run;

// The names TEST knows the coefficients by: the regressor's name, "_" and the outcome
// ("X1_2" for X1 in outcome 2), 8 columns.
std::vector<std::string> multinomial_parameter_names(const ChoiceData& data,
                                                     const MultinomialEstimate& e);

// Why an estimate that is not reportable has no coefficients.
EstimationFailure multinomial_failure(const ChoiceData& data, const MultinomialEstimate& e);

// Prints a reportable estimate.
void report_multinomial_logit(Run& run, const ChoiceData& data, const MultinomialEstimate& e,
                              const EstimatorOptions& flags);

} // namespace tarvex
