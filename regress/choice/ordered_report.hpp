// The report of the ordered probit and logit: heading, the note that the intercept gave way to
// the cut points, iteration history on request, how the iteration ended, the categories, the
// log-likelihoods, the likelihood-ratio test of the slopes, McFadden's R-square, the percentage
// predicted right and the coefficient table (slopes, then the cut points MU1, MU2 ...); or why
// an estimation has no coefficients. The report only writes.
#pragma once

#include "regress/choice/choice_data.hpp"
#include "regress/choice/choice_report_flags.hpp"
#include "regress/choice/ordered_choice.hpp"
#include "regress/fit/model_result.hpp"

#include <string>
#include <vector>

namespace tarvex {

struct Run;

// The names TEST knows the parameters by: the regressors' names, then MU1 .. MUJ.
std::vector<std::string> ordered_parameter_names(const ChoiceData& data, const OrderedEstimate& e);

// $ERR base of the link: ordered probit 55100, ordered logit 56150.
int ordered_error_base(OrderedLink link);

// Why an estimate that is not reportable has no coefficients.
EstimationFailure ordered_failure(const ChoiceData& data, OrderedLink link,
                                  const OrderedEstimate& e);

// Prints a reportable estimate.
void report_ordered_choice(Run& run, const ChoiceData& data, OrderedLink link,
                           const OrderedEstimate& e, const EstimatorOptions& flags);

} // namespace tarvex
