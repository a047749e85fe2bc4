// The multinomial and ordered models are not part of this version yet: each says so with its
// own error.
#include "regress/choice/other_choice_models.hpp"

#include "core/error_report.hpp"
#include "core/run.hpp"
#include "regress/choice/choice_errors.hpp"

namespace tarvex {

void run_multinomial_logit(Run& run, const ChoiceEquation& eq, const ChoiceData&,
                           const ChoiceControl&, const ChoiceOptions&) {
    run.last_estimation = EstimationResults{};
    report_error(run,
                 " ...ERROR..THE MULTINOMIAL LOGIT MODEL (MORE THAN TWO OUTCOMES) IS NOT "
                 "AVAILABLE IN THIS VERSION",
                 choice_error(eq.command, CHOICE_MULTINOMIAL));
}

void run_ordered_choice(Run& run, const ChoiceEquation& eq, const ChoiceData&, const ChoiceControl&,
                        const ChoiceOptions&) {
    run.last_estimation = EstimationResults{};
    report_error(run, " ...ERROR..THE ORDERED MODEL IS NOT AVAILABLE IN THIS VERSION",
                 choice_error(eq.command, CHOICE_ORDERED));
}

} // namespace tarvex
