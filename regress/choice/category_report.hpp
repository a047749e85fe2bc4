// The pieces the reports of the multinomial logit and the ordered models share: the error and
// warning lines of a failed or unfinished estimation, the table of outcomes, the iteration
// history, the lines of the log-likelihoods and tests.
#pragma once

#include "kernels/maximize_likelihood.hpp"
#include "numeric/real.hpp"
#include "regress/choice/category_fit.hpp"
#include "regress/choice/choice_data.hpp"
#include "regress/choice/choice_report_flags.hpp"
#include "regress/fit/model_result.hpp"

#include <string>
#include <vector>

namespace tarvex {

struct Run;

// An outcome's value as the reports print it (an integer).
std::string outcome_text(Real value);

// The error line, with $ERR `base` + the sequence number, of an estimation that ended without
// coefficients; `bad_name` names the coefficient not identified (SINGULAR).
EstimationFailure category_failure(const ChoiceData& data, const CategoryEstimate& e,
                                   const std::string& bad_name, int base);

// " OUTCOME  OBSERVATIONS  FRACTION" and a line per outcome; with frequency weights also the
// weight of each outcome's rows, the fraction then of the weights.
void write_outcome_table(Run& run, const std::string& heading, const CategoryEstimate& e);

// The log-likelihood and the parameters at every iteration, four to a line.
void write_iteration_history(Run& run, const std::vector<MaximizeIteration>& history,
                             const std::vector<std::string>& names);

// The coefficient table (after a blank line) of the `names.size()` parameters of `result` from
// `first` on, under `label` (empty: none).
void write_category_table(Run& run, const std::string& label, const std::vector<std::string>& names,
                          const ModelResult& result, std::size_t first, bool wide);

// The log-likelihoods, the likelihood-ratio test, McFadden's R-square, the percentage of
// outcomes predicted right and the covariance in use.
void write_category_fit(Run& run, const CategoryEstimate& e);

} // namespace tarvex
