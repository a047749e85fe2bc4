// Where PROBIT and LOGIT hand over to the models of more than two outcomes: LOGIT of an outcome
// with more than two values (the multinomial logit) and the ORDERED option (ordered probit and
// logit). Each takes the equation, the rows, the controls of the maximisation and the options
// as the command gathered and checked them, estimates, reports and stores.
#pragma once

#include "regress/choice/choice_data.hpp"
#include "regress/choice/choice_equation.hpp"
#include "regress/choice/choice_options.hpp"

namespace tarvex {

struct Run;

void run_multinomial_logit(Run& run, const ChoiceEquation& eq, const ChoiceData& data,
                           const ChoiceControl& control, const ChoiceOptions& options);
void run_ordered_choice(Run& run, const ChoiceEquation& eq, const ChoiceData& data,
                        const ChoiceControl& control, const ChoiceOptions& options);

} // namespace tarvex
