// PROBIT and LOGIT of a 0/1 outcome: the estimator run on the gathered rows, its failures
// reported with their own errors, and the report of a finished estimate: heading, how the
// iteration ended, the log-likelihoods and the likelihood-ratio test, the pseudo R-squares, the
// coefficient table, the prediction table and the marginal effects; then what is stored.
#pragma once

#include "regress/choice/choice_data.hpp"
#include "regress/choice/choice_equation.hpp"
#include "regress/choice/choice_options.hpp"

namespace tarvex {

struct Run;

void run_binary(Run& run, const ChoiceEquation& eq, const ChoiceData& data,
                const ChoiceControl& control, const ChoiceOptions& o);

} // namespace tarvex
