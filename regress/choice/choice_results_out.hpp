// The output options of PROBIT, LOGIT and TOBIT beyond those every estimator has: MARGEFF= and
// MARGSE=, the marginal effects at the means and their delta-method standard errors (one
// element per coefficient, 0 for the intercept, as the report prints them), and PROBS=, after
// the ordered and multinomial models, the fitted probability of every outcome by observation.
#pragma once

#include "numeric/real.hpp"
#include "regress/choice/choice_equation.hpp"
#include "regress/choice/choice_fit.hpp"
#include "regress/choice/choice_options.hpp"

#include <string>
#include <vector>

namespace tarvex {

struct Run;

// MARGEFF= and MARGSE= from the effects at the means. False when a variable could not be made.
bool store_marginal_effects(Run& run, const ChoiceOptions& o, const MarginalEffects& at_means);

// PROBS=: a matrix of eq.end rows (observations 1 .. end) and one column per outcome, in the
// outcomes' increasing order; `probability[j][i]` goes to row eq.obs[i], column j, and the rows
// of observations not used hold the missing-value code.
bool store_outcome_probabilities(Run& run, const std::string& name, const ChoiceEquation& eq,
                                 const std::vector<std::vector<Real>>& probability);

} // namespace tarvex
