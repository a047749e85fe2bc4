// Writing TOBIT.
#include "regress/choice/tobit_report.hpp"

#include "core/run.hpp"
#include "numeric/fitted_fields.hpp"
#include "numeric/fortran_format.hpp"
#include "numeric/text.hpp"
#include "regress/choice/choice_errors.hpp"
#include "regress/choice/choice_report_parts.hpp"

namespace tarvex {

namespace {

std::string censoring_text(const TobitCensoring& c) {
    if (c.below && c.above)
        return "BELOW AT " + number_text(c.lower) + " AND ABOVE AT " + number_text(c.upper);
    return c.below ? "BELOW AT " + number_text(c.lower) : "ABOVE AT " + number_text(c.upper);
}

} // namespace

EstimationFailure tobit_censoring_failure(const ChoiceEquation& eq, const ChoiceData& data,
                                          const TobitCensoring& c) {
    long long at_limit = 0;
    for (Real y : data.y) at_limit += (c.below && y <= c.lower) || (c.above && y >= c.upper);
    return tobit_censoring_failure(eq, at_limit, static_cast<long long>(data.y.size()), c);
}

EstimationFailure tobit_censoring_failure(const ChoiceEquation& eq, long long at_limit, long long n,
                                          const TobitCensoring& c) {
    const std::string y = trim_trailing_blanks(eq.dep_name);
    if (at_limit == 0)
        return {" ...ERROR..NO OBSERVATION OF " + y + " IS CENSORED (" + censoring_text(c) +
                    "): USE OLS",
                choice_error(eq.command, CHOICE_NO_CENSORING)};
    if (at_limit == n)
        return {" ...ERROR..EVERY OBSERVATION OF " + y + " IS CENSORED (" + censoring_text(c) + ")",
                choice_error(eq.command, CHOICE_ALL_CENSORED)};
    return {};
}

void report_tobit(Run& run, const ChoiceEquation& eq, const ChoiceData& data,
                  const TobitCensoring& c, const TobitEstimate& e, const ChoiceOptions& o) {
    std::vector<std::string> names = data.names;
    names.push_back(TOBIT_SIGMA_NAME);
    std::string counts = fmt_I_fitted(e.n_between, 9) + " UNCENSORED";
    if (c.below) counts += fmt_I_fitted(e.n_below, 9) + " CENSORED BELOW";
    if (c.above) counts += fmt_I_fitted(e.n_above, 9) + " CENSORED ABOVE";
    write_index_opening(run,
                        " TOBIT MODEL: CENSORED NORMAL REGRESSION, CENSORED " + censoring_text(c),
                        counts, eq, e, o, names);
    report_fit_end(run, e.end, e.iterations, choice_error(eq.command, CHOICE_NO_CONVERGENCE),
                   choice_error(eq.command, CHOICE_STUCK));
    if (!run.flags.OPUT) return;
    write_index_likelihood(run, e, e.has_llf0 ? &e.constants : nullptr);
    write_index_coefficients(run, e, names, o);
    write_line(run, " ");
    write_line(run, " AT THE MEANS OF THE REGRESSORS: X'B =" + fmt_G(e.index_at_means, 13, 6) +
                        "  E[Y|X] =" + fmt_G(e.expected_at_means, 13, 6));
    write_line(run, "    PROBABILITY OF AN UNCENSORED OBSERVATION =" +
                        fmt_F_fitted(e.uncensored_at_means, 8, 4));
    write_effects(run, " EFFECTS ON THE LATENT MEAN X'B ARE THE COEFFICIENTS.",
                  " MARGINAL EFFECTS ON THE OBSERVED MEAN E[Y|X] (DELTA-METHOD STD. ERRORS)", names,
                  data.intercept, {{"AT THE MEANS", e.observed}});
}

} // namespace tarvex
