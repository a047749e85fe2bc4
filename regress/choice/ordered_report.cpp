// Writing and storing the ordered probit and logit.
#include "regress/choice/ordered_report.hpp"

#include "core/estimation_results.hpp"
#include "core/run.hpp"
#include "numeric/fortran_format.hpp"
#include "numeric/text.hpp"
#include "regress/choice/category_errors.hpp"
#include "regress/choice/category_report.hpp"
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

void report_ordered_choice(Run& run, const ChoiceData& data, OrderedLink link,
                           const OrderedEstimate& e, const ChoiceReportFlags& flags) {
    const int base = ordered_error_base(link);
    if (!category_fit_reportable(e.end)) {
        CategoryFailure f;
        f.end = e.end;
        f.bad_row = e.bad_row;
        f.bad_value = e.bad_value;
        f.certain = e.certain;
        f.parameters = e.slopes();
        if (e.end == CategoryFitEnd::SINGULAR)
            f.bad_name = e.bad_column >= 0 && e.bad_column < int(data.names.size())
                             ? trim_trailing_blanks(data.names[std::size_t(e.bad_column)])
                             : std::string("A CUT POINT");
        report_category_failure(run, data, f, base);
        return;
    }
    const bool put = run.flags.OPUT;
    const std::vector<std::string> names = ordered_parameter_names(data, e);
    if (put) {
        write_line(run, std::string(" ORDERED ") +
                            (link == OrderedLink::PROBIT ? "PROBIT" : "LOGIT") + ":" +
                            fmt_I(e.cuts() + 1, 4) +
                            (e.cuts() == 1
                                 ? std::string(" CATEGORIES CUT AT MU1")
                                 : " CATEGORIES CUT AT MU1 < ... < MU" + std::to_string(e.cuts())));
        write_line(run, fmt_I(e.n, 9) + " OBSERVATIONS" + fmt_X(5) +
                            "DEPENDENT VARIABLE= " + first_8_padded(data.dependent));
        write_line(run, std::string(" METHOD: ") + maximize_method_name(e.method) +
                            " (MAXIMUM LIKELIHOOD)");
    }
    write_notes(run, e.notes, NotePlace::DATA);
    if (put && flags.PITER) write_iteration_history(run, e.history, names);
    report_category_iteration_end(run, e.end, e.iterations, base);
    if (!put) return;
    write_line(run, " ");
    write_outcome_table(run, "CATEGORY", e.values, e.counts, e.n);
    CategoryFitLines lines;
    lines.llf = e.llf;
    lines.llf_constant = e.llf_constant;
    lines.constant_label = "CUT POINTS ONLY";
    lines.lr = e.lr;
    lines.lr_df = e.lr_df;
    lines.lr_pvalue = e.lr_pvalue;
    lines.lr_label = "THE SLOPES";
    lines.pseudo_r2 = e.pseudo_r2;
    lines.percent_correct = e.percent_correct;
    lines.sandwich = e.sandwich;
    write_category_fit(run, lines);
    write_category_table(run, "", names, e.coef, e.se, e.tstat, 0, e.n, flags.WIDE);
    write_coefficient_matrices(run, names, e.cov, flags.PCOV, flags.PCOR, flags.WIDE);
}

void record_ordered_choice(Run& run, const ChoiceData& data, const OrderedEstimate& e,
                           const ChoiceOutputs& out) {
    if (!category_fit_reportable(e.end)) {
        run.last_estimation = EstimationResults{};
        return;
    }
    CategoryRecord r;
    r.names = ordered_parameter_names(data, e);
    r.model = "ORDERED " + out.command;
    r.coef = &e.coef;
    r.cov = &e.cov;
    r.se = &e.se;
    r.tstat = &e.tstat;
    for (const int c : e.predicted) r.predicted.push_back(e.values[std::size_t(c)]);
    r.index = &e.index;
    r.llf = e.llf;
    r.lr = e.lr;
    r.n = e.n;
    record_category_estimation(run, data, out, r);
}

} // namespace tarvex
