// The shared pieces of the choice-model reports.
#include "regress/choice/choice_report_parts.hpp"

#include "core/run.hpp"
#include "numeric/fitted_fields.hpp"
#include "numeric/fortran_format.hpp"
#include "numeric/text.hpp"
#include "regress/choice/choice_errors.hpp"
#include "regress/fit/coefficient_table.hpp"
#include "regress/fit/iteration_end.hpp"

namespace tarvex {

EstimationFailure choice_fit_failure(const ChoiceEquation& eq, ChoiceEnd end, int bad_column,
                                     const std::vector<std::string>& names) {
    if (end == ChoiceEnd::UNDEFINED)
        return {" ...ERROR..THE LOG-LIKELIHOOD CANNOT BE EVALUATED AT THE START VALUES",
                choice_error(eq.command, CHOICE_UNDEFINED)};
    if (end == ChoiceEnd::EXACT_FIT)
        return {" ...ERROR..THE REGRESSORS FIT " + trim_trailing_blanks(eq.dep_name) +
                    " EXACTLY: THE LIKELIHOOD HAS NO MAXIMUM (SIGMA GOES TO 0)",
                choice_error(eq.command, CHOICE_EXACT_FIT)};
    if (end == ChoiceEnd::SINGULAR) {
        const std::string which = bad_column >= 0 && bad_column < int(names.size())
                                      ? trim_trailing_blanks(names[std::size_t(bad_column)])
                                      : std::string("A COEFFICIENT");
        return {" ...ERROR.." + which +
                    " IS NOT IDENTIFIED: IT IS A COMBINATION OF THE OTHER REGRESSORS",
                choice_error(eq.command, CHOICE_SINGULAR)};
    }
    return {};
}

void report_fit_end(Run& run, ChoiceEnd end, int iterations, int limit_error, int stuck_error) {
    report_iteration_end(run,
                         end == ChoiceEnd::ITERATION_LIMIT ? IterationEnd::ITERATION_LIMIT
                         : end == ChoiceEnd::STUCK         ? IterationEnd::STUCK
                                                           : IterationEnd::CONVERGED,
                         iterations, "LOG-LIKELIHOOD", limit_error, stuck_error);
}

void write_index_opening(Run& run, const std::string& title, const std::string& counts,
                         const ChoiceEquation& eq, const IndexEstimate& e, const ChoiceOptions& o,
                         const std::vector<std::string>& names) {
    if (!run.flags.OPUT) return;
    write_line(run, title);
    write_line(run, fmt_I_fitted(e.n, 9) + " OBSERVATIONS" + fmt_X(5) +
                        "DEPENDENT VARIABLE= " + eq.dep_name);
    write_line(run, counts);
    write_line(run, " METHOD: " + o.METHOD + " (MAXIMUM LIKELIHOOD)");
    if (e.subsample_n > 0)
        write_line(run, " STARTING VALUES FROM A FIT TO" + fmt_I_fitted(e.subsample_n, 8) +
                            " EVENLY SPACED OBSERVATIONS");
    if (e.double_iterations > 0)
        write_line(run, " THE FIRST" + fmt_I_fitted(e.double_iterations, 4) +
                            " ITERATIONS IN DOUBLE PRECISION, THE REST IN QUADRUPLE");
    for (std::size_t it = 0; o.PITER && it < e.history.size(); ++it)
        write_iteration(run, int(it + 1), "LOG-LIKELIHOOD", e.history_llf[it], names,
                        e.history[it]);
}

void write_index_likelihood(Run& run, const IndexEstimate& e, const ConstantsTest* test) {
    write_line(run, " ");
    write_line(run, " LOG OF THE LIKELIHOOD FUNCTION =" + fmt_G(e.result.record.llf, 13, 6));
    if (test == nullptr) return;
    write_line(run, " LOG-LIKELIHOOD WITH " + test->constants + " =" + fmt_G(test->llf0, 13, 6));
    if (test->df > 0)
        write_line(run, " LIKELIHOOD RATIO TEST OF " + test->tested + ": CHI-SQUARE =" +
                            fmt_F_fitted(test->lr, 10, 4) + " WITH" + fmt_I_fitted(test->df, 3) +
                            " D.F., P-VALUE=" + fmt_F_fitted(test->pvalue, 6, 3));
}

void write_index_coefficients(Run& run, const IndexEstimate& e,
                              const std::vector<std::string>& names, const ChoiceOptions& o) {
    if (!o.covariance_note.empty())
        write_line(run, o.covariance_note);
    else if (o.HETCOV)
        write_line(run, " USING HETEROSKEDASTICITY-CONSISTENT COVARIANCE MATRIX");
    write_line(run, " ");
    CoefficientTable t = coefficient_table(e.result);
    t.names = names;
    t.wide = o.WIDE;
    write_coefficient_table(run, t);
    write_coefficient_matrices(run, names, e.result.record.cov, o.PCOV, o.PCOR, o.WIDE);
}

void write_effects(Run& run, const std::string& lead, const std::string& heading,
                   const std::vector<std::string>& names, int intercept,
                   const std::vector<EffectColumn>& columns) {
    std::vector<int> rows;
    for (int j = 0; j < int(columns[0].effects.effect.size()); ++j)
        if (j != intercept) rows.push_back(j);
    if (rows.empty()) return;
    write_line(run, lead);
    write_line(run, heading);
    std::string titles = fmt_X(9), header = " VARIABLE";
    for (std::size_t c = 0; c < columns.size(); ++c) {
        const std::string gap = c > 0 ? "  " : "";
        titles += gap + first_n_padded(columns[c].title, 32);
        header += gap + "  EFFECT     STD. ERROR  Z-RATIO";
    }
    write_line(run, trim_trailing_blanks(titles));
    write_line(run, header);
    for (int j : rows) {
        std::string line = " " + first_8_padded(names[std::size_t(j)]);
        for (std::size_t c = 0; c < columns.size(); ++c) {
            const MarginalEffects& m = columns[c].effects;
            line += (c > 0 ? "  " : "") + fmt_G(m.effect[std::size_t(j)], 12, 5) +
                    fmt_G(m.se[std::size_t(j)], 12, 5) +
                    fmt_F_fitted(m.ratio[std::size_t(j)], 8, 3);
        }
        write_line(run, trim_trailing_blanks(line));
    }
}

} // namespace tarvex
