// TOBIT: the censored normal regression run on the gathered rows, its failures reported with
// their own errors, and the report of a finished estimate; then what is stored.
#pragma once

#include "regress/choice/choice_data.hpp"
#include "regress/choice/choice_equation.hpp"
#include "regress/choice/choice_options.hpp"

namespace tarvex {

struct Run;

void run_tobit(Run& run, const ChoiceEquation& eq, const ChoiceData& data,
               const ChoiceControl& control, const ChoiceOptions& o);

} // namespace tarvex
