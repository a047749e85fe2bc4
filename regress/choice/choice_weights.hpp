// WEIGHT= of PROBIT, LOGIT and TOBIT: frequency weights. The weight variable is read with the
// regressors (a row where it is missing is not used); a weight below zero stops the command, a
// row of weight zero is dropped, and every other row counts as that many rows in the likelihood
// and in the statistics at the means. N stays the number of rows used.
#pragma once

#include "numeric/real.hpp"
#include "regress/choice/choice_equation.hpp"
#include "regress/fit/list_equation.hpp"

#include <string>
#include <vector>

namespace tarvex {

struct Run;

// The weight variable as a term read with the regressors; false (with the option error
// `option_error`) when WEIGHT= names no variable. A blank name leaves `term` with ref 0.
bool choice_weight_term(Run& run, const std::string& weight_name, int option_error, OlsTerm& term);

// Takes the weight column (the last of rows.x) out of `rows` into `weights`, drops the rows of
// weight zero (from rows and eq.obs) and writes the line that says weights are in use. False
// with `negative_error` at the first weight below zero.
bool take_choice_weights(Run& run, const std::string& weight_name, int negative_error,
                         ChoiceEquation& eq, ListRows& rows, std::vector<Real>& weights);

} // namespace tarvex
