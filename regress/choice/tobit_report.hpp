// The report of TOBIT, the censored normal regression: heading, the counts at and between the
// limits, how the iteration ended, the log-likelihoods and the likelihood-ratio test, the
// coefficient table with SIGMA, and the marginal effects on the observed mean; and the failure
// of data that are not censored. The report only writes: the command stores the result.
#pragma once

#include "regress/choice/choice_data.hpp"
#include "regress/choice/choice_equation.hpp"
#include "regress/choice/choice_options.hpp"
#include "regress/choice/tobit_estimate.hpp"
#include "regress/fit/model_result.hpp"

#include <string>

namespace tarvex {

struct Run;

// The name of TOBIT's last coefficient, the error scale.
inline const char* const TOBIT_SIGMA_NAME = "SIGMA   ";

// No observation at a limit, or none between them: the model is not a censored one (an empty
// failure when the data are censored).
EstimationFailure tobit_censoring_failure(const ChoiceEquation& eq, const ChoiceData& data,
                                          const TobitCensoring& c);
// The same from the count of the `n` observations that lie at a limit.
EstimationFailure tobit_censoring_failure(const ChoiceEquation& eq, long long at_limit, long long n,
                                          const TobitCensoring& c);

void report_tobit(Run& run, const ChoiceEquation& eq, const ChoiceData& data,
                  const TobitCensoring& c, const TobitEstimate& e, const ChoiceOptions& o);

} // namespace tarvex
