// The shared pieces of the choice-model reports.
#include "regress/choice/choice_report_parts.hpp"

#include "core/run.hpp"
#include "numeric/fortran_format.hpp"
#include "numeric/text.hpp"
#include "regress/choice/choice_errors.hpp"
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

void report_fit_end(Run& run, const ChoiceEquation& eq, ChoiceEnd end, int iterations) {
    report_iteration_end(run,
                         end == ChoiceEnd::ITERATION_LIMIT ? IterationEnd::ITERATION_LIMIT
                         : end == ChoiceEnd::STUCK         ? IterationEnd::STUCK
                                                           : IterationEnd::CONVERGED,
                         iterations, "LOG-LIKELIHOOD",
                         choice_error(eq.command, CHOICE_NO_CONVERGENCE),
                         choice_error(eq.command, CHOICE_STUCK));
}

void report_subsample(Run& run, int subsample_n) {
    if (subsample_n > 0 && run.flags.OPUT)
        write_line(run, " STARTING VALUES FROM A FIT TO" + fmt_I(subsample_n, 8) +
                            " EVENLY SPACED OBSERVATIONS");
}

void write_effects(Run& run, const std::string& heading, const std::vector<std::string>& names,
                   const std::vector<int>& rows, const std::vector<EffectColumn>& columns) {
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
                    fmt_G(m.se[std::size_t(j)], 12, 5) + fmt_F(m.ratio[std::size_t(j)], 8, 3);
        }
        write_line(run, trim_trailing_blanks(line));
    }
}

} // namespace tarvex
