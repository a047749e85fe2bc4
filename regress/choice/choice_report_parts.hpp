// Report pieces PROBIT, LOGIT and TOBIT share: the opening with the iteration history, how a fit
// ended (and why a fit failed), the log-likelihoods, the coefficients, the marginal effects.
#pragma once

#include "numeric/real.hpp"
#include "regress/choice/choice_data.hpp"
#include "regress/choice/choice_equation.hpp"
#include "regress/choice/choice_fit.hpp"
#include "regress/choice/choice_options.hpp"
#include "regress/choice/choice_result.hpp"
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
// The convergence line or the warning of an unfinished fit, with the $ERR number of each warning.
void report_fit_end(Run& run, ChoiceEnd end, int iterations, int limit_error, int stuck_error);

// The opening of the binary and TOBIT reports (with OUTPUT only): the title, N with the
// dependent variable, the counts of the outcomes, the method, the preliminary fit when one gave
// the start and, with PITER, the parameters `names` at every iteration.
void write_index_opening(Run& run, const std::string& title, const std::string& counts,
                         const ChoiceEquation& eq, const IndexEstimate& e, const ChoiceOptions& o,
                         const std::vector<std::string>& names);
// After a blank line the log-likelihood at the estimates; with `test`, that of the constants
// alone and the likelihood-ratio test.
void write_index_likelihood(Run& run, const IndexEstimate& e, const ConstantsTest* test);
// The covariance in use, the coefficient table of `names` and the matrices PCOV and PCOR ask for.
void write_index_coefficients(Run& run, const IndexEstimate& e,
                              const std::vector<std::string>& names, const ChoiceOptions& o);

// One column pair of marginal effects: the title above and effect, standard error per name.
struct EffectColumn {
    std::string title;
    const MarginalEffects& effects;
};
// The line `lead`, then the table of marginal effects of every coefficient but the intercept, one
// or two columns side by side; nothing when the intercept is the only coefficient.
void write_effects(Run& run, const std::string& lead, const std::string& heading,
                   const std::vector<std::string>& names, int intercept,
                   const std::vector<EffectColumn>& columns);

} // namespace tarvex
