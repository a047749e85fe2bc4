// The report of the multinomial logit: heading, iteration history on request, how the
// iteration ended, the outcomes, the log-likelihoods, the likelihood-ratio test of the slopes,
// McFadden's R-square, the percentage predicted right, and a coefficient table per non-base
// outcome; or the error of an estimation without coefficients. Then the record: the estimation
// that TEST reads, the result scalars and the output variables.
#pragma once

#include "regress/choice/choice_data.hpp"
#include "regress/choice/choice_report_flags.hpp"
#include "regress/choice/multinomial_logit.hpp"

#include <string>
#include <vector>

namespace tarvex {

struct Run;

// The names TEST knows the coefficients by: the regressor's name, "_" and the outcome
// ("X1_2" for X1 in outcome 2), 8 columns.
std::vector<std::string> multinomial_parameter_names(const ChoiceData& data,
                                                     const MultinomialEstimate& e);

// Prints the estimate, or the error when it has no coefficients.
void report_multinomial_logit(Run& run, const ChoiceData& data, const MultinomialEstimate& e,
                              const ChoiceReportFlags& flags);

// Stores a reportable estimate for TEST and FCAST, sets $LLF, $N, $K, $DF and $CHI (the
// likelihood-ratio statistic) and makes the output variables; clears the stored estimation
// when there is no estimate.
void record_multinomial_logit(Run& run, const ChoiceData& data, const MultinomialEstimate& e,
                              const ChoiceOutputs& out);

} // namespace tarvex
