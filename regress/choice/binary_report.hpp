// The report of binary PROBIT and LOGIT: heading, how the iteration ended, the log-likelihoods
// and the likelihood-ratio test, the pseudo R-squares, the coefficient table, the prediction
// table and the marginal effects; and the failure of a fit whose outcomes are separated, with
// the observations predicted perfectly. The report only writes: the command stores the result.
#pragma once

#include "regress/choice/binary_choice.hpp"
#include "regress/choice/choice_data.hpp"
#include "regress/choice/choice_equation.hpp"
#include "regress/choice/choice_options.hpp"
#include "regress/fit/model_result.hpp"

namespace tarvex {

struct Run;

// What predicts which outcome: the "...ERROR.." line of a separation and its $ERR number.
EstimationFailure separation_failure(const ChoiceEquation& eq, const ChoiceData& data,
                                     const Separation& s);
// The lines after that error: no estimate, and the observations predicted perfectly.
void write_separation_details(Run& run, const ChoiceData& data, const Separation& s);

void report_binary(Run& run, const ChoiceEquation& eq, const ChoiceData& data,
                   const BinaryEstimate& e, const ChoiceOptions& o);

} // namespace tarvex
