// Writing the ordered probit and logit.
#include "regress/choice/ordered_report.hpp"

#include "core/estimation_results.hpp"
#include "core/run.hpp"
#include "numeric/fitted_fields.hpp"
#include "numeric/fortran_format.hpp"
#include "numeric/text.hpp"
#include "regress/choice/category_errors.hpp"
#include "regress/choice/category_report.hpp"
#include "regress/choice/choice_report_parts.hpp"
#include "regress/fit/coefficient_table.hpp"
#include "regress/fit/report_notes.hpp"

namespace tarvex {

std::vector<std::string> ordered_parameter_names(const ChoiceData& data, const OrderedEstimate& e) {
    std::vector<std::string> names;
    for (const int a : e.slope_columns) names.push_back(first_8_padded(data.names[std::size_t(a)]));
    for (int j = 1; j <= e.cuts(); ++j) names.push_back(first_8_padded("MU" + std::to_string(j)));
    return names;
}

int ordered_error_base(OrderedLink link) {
    return link == OrderedLink::PROBIT ? ERR_ORDERED_PROBIT_BASE : ERR_ORDERED_LOGIT_BASE;
}

EstimationFailure ordered_failure(const ChoiceData& data, OrderedLink link,
                                  const OrderedEstimate& e) {
    const std::string name = e.bad_column >= 0 && e.bad_column < int(data.names.size())
                                 ? trim_trailing_blanks(data.names[std::size_t(e.bad_column)])
                                 : std::string("A CUT POINT");
    return category_failure(data, e, name, ordered_error_base(link));
}

void report_ordered_choice(Run& run, const ChoiceData& data, OrderedLink link,
                           const OrderedEstimate& e, const EstimatorOptions& flags) {
    const int base = ordered_error_base(link);
    const bool put = run.flags.OPUT;
    const std::vector<std::string> names = ordered_parameter_names(data, e);
    if (put) {
        write_line(run, std::string(" ORDERED ") +
                            (link == OrderedLink::PROBIT ? "PROBIT" : "LOGIT") + ":" +
                            fmt_I_fitted(e.cuts() + 1, 4) +
                            (e.cuts() == 1
                                 ? std::string(" CATEGORIES CUT AT MU1")
                                 : " CATEGORIES CUT AT MU1 < ... < MU" + std::to_string(e.cuts())));
        write_line(run, fmt_I_fitted(e.n, 9) + " OBSERVATIONS" + fmt_X(5) +
                            "DEPENDENT VARIABLE= " + first_8_padded(data.dependent));
        write_line(run, std::string(" METHOD: ") + maximize_method_name(e.method) +
                            " (MAXIMUM LIKELIHOOD)");
    }
    write_notes(run, e.notes, NotePlace::DATA);
    if (put && flags.PITER) write_iteration_history(run, e.history, names);
    report_fit_end(run, e.end, e.iterations, base + ERR_CAT_NO_CONVERGENCE, base + ERR_CAT_STUCK);
    if (!put) return;
    write_line(run, " ");
    write_outcome_table(run, "CATEGORY", e);
    write_category_fit(run, e);
    write_category_table(run, "", names, e.result, 0, flags.WIDE);
    write_coefficient_matrices(run, names, e.result.record.cov, flags.PCOV, flags.PCOR, flags.WIDE);
}

} // namespace tarvex
