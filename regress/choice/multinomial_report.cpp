// Writing the multinomial logit.
#include "regress/choice/multinomial_report.hpp"

#include "core/estimation_results.hpp"
#include "core/run.hpp"
#include "numeric/fitted_fields.hpp"
#include "numeric/fortran_format.hpp"
#include "numeric/text.hpp"
#include "regress/choice/category_errors.hpp"
#include "regress/choice/category_report.hpp"
#include "regress/choice/choice_report_parts.hpp"
#include "regress/fit/coefficient_table.hpp"
#include "regress/fit/term_names.hpp"

namespace tarvex {

EstimationFailure multinomial_failure(const ChoiceData& data, const MultinomialEstimate& e) {
    std::string name = e.bad_column >= 0 && e.bad_column < int(data.names.size())
                           ? trim_trailing_blanks(data.names[std::size_t(e.bad_column)])
                           : std::string("A COEFFICIENT");
    if (e.bad_outcome > 0 && e.bad_outcome < e.outcomes())
        name += " FOR OUTCOME " + outcome_text(e.values[std::size_t(e.bad_outcome)]);
    return category_failure(data, e, name, ERR_MULTINOMIAL_LOGIT_BASE);
}

std::vector<std::string> multinomial_parameter_names(const ChoiceData& data,
                                                     const MultinomialEstimate& e) {
    std::vector<std::string> names;
    for (int j = 1; j < e.outcomes(); ++j)
        for (const std::string& name : data.names)
            names.push_back(first_8_padded(suffixed_name(
                trim_trailing_blanks(name), "_" + outcome_text(e.values[std::size_t(j)]))));
    return names;
}

void report_multinomial_logit(Run& run, const ChoiceData& data, const MultinomialEstimate& e,
                              const EstimatorOptions& flags) {
    const bool put = run.flags.OPUT;
    const std::vector<std::string> names = multinomial_parameter_names(data, e);
    const std::string base = outcome_text(e.values[0]);
    if (put) {
        write_line(run, " MULTINOMIAL LOGIT: OUTCOMES " + base + " TO " +
                            outcome_text(e.values.back()) + ", THE BASE OUTCOME " + base);
        write_line(run, fmt_I_fitted(e.n, 9) + " OBSERVATIONS" + fmt_X(5) +
                            "DEPENDENT VARIABLE= " + first_8_padded(data.dependent));
        write_line(run, std::string(" METHOD: ") + maximize_method_name(e.method) +
                            " (MAXIMUM LIKELIHOOD)");
        if (flags.PITER) write_iteration_history(run, e.history, names);
    }
    report_fit_end(run, e.end, e.iterations, ERR_MULTINOMIAL_LOGIT_BASE + ERR_CAT_NO_CONVERGENCE,
                   ERR_MULTINOMIAL_LOGIT_BASE + ERR_CAT_STUCK);
    if (!put) return;
    write_line(run, " ");
    write_outcome_table(run, "OUTCOME", e);
    write_category_fit(run, e);
    std::vector<std::string> regressors;
    for (const std::string& name : data.names) regressors.push_back(first_8_padded(name));
    for (int j = 1; j < e.outcomes(); ++j) {
        write_category_table(run,
                             " OUTCOME " + outcome_text(e.values[std::size_t(j)]) +
                                 " AGAINST THE BASE OUTCOME " + base + ":",
                             regressors, e.result, std::size_t(j - 1) * std::size_t(e.k),
                             flags.WIDE);
    }
    write_coefficient_matrices(run, names, e.result.record.cov, flags.PCOV, flags.PCOR, flags.WIDE);
}

} // namespace tarvex
