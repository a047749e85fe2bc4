// Report pieces PROBIT, LOGIT and TOBIT share: the iteration history, how a fit ended (and why
// a fit failed), the table of marginal effects.
#pragma once

#include "numeric/real.hpp"
#include "regress/choice/choice_data.hpp"
#include "regress/choice/choice_equation.hpp"
#include "regress/choice/choice_fit.hpp"
#include "regress/fit/message_number.hpp"
#include "regress/fit/model_result.hpp"

#include <string>
#include <vector>

namespace tarvex {

struct Run;

// Why a fit that ended UNDEFINED, EXACT_FIT or SINGULAR has no estimate; an empty failure for
// every other end.
EstimationFailure choice_fit_failure(const ChoiceEquation& eq, ChoiceEnd end, int bad_column,
                                     const std::vector<std::string>& names);
// The convergence line or the warning of an unfinished fit.
void report_fit_end(Run& run, const ChoiceEquation& eq, ChoiceEnd end, int iterations);
// " STARTING VALUES FROM ..." when a subsample fit gave them.
void report_subsample(Run& run, int subsample_n);

// One column pair of marginal effects: the title above and effect, standard error per name.
struct EffectColumn {
    std::string title;
    const MarginalEffects& effects;
};
// The table of marginal effects of the named rows `rows` (indices into names), one or two
// columns side by side.
void write_effects(Run& run, const std::string& heading, const std::vector<std::string>& names,
                   const std::vector<int>& rows, const std::vector<EffectColumn>& columns);

} // namespace tarvex
