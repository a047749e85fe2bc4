// Writing TOBIT.
#include "regress/choice/tobit_report.hpp"

#include "core/run.hpp"
#include "numeric/fortran_format.hpp"
#include "numeric/text.hpp"
#include "regress/choice/choice_errors.hpp"
#include "regress/choice/choice_report_parts.hpp"
#include "regress/fit/coefficient_table.hpp"
#include "regress/fit/iteration_end.hpp"

namespace tarvex {

namespace {

std::string censoring_text(const TobitCensoring& c) {
    if (c.below && c.above)
        return "BELOW AT " + number_text(c.lower) + " AND ABOVE AT " + number_text(c.upper);
    return c.below ? "BELOW AT " + number_text(c.lower) : "ABOVE AT " + number_text(c.upper);
}

void write_history(Run& run, const std::vector<std::string>& names, const TobitEstimate& e) {
    for (std::size_t it = 0; it < e.history.size(); ++it) {
        write_iteration(run, int(it + 1), "LOG-LIKELIHOOD", e.history_llf[it], names,
                        e.history[it]);
    }
}

} // namespace

TobitCensoring tobit_censoring(const ChoiceOptions& o) {
    TobitCensoring c;
    c.below = o.censored_below;
    c.above = o.censored_above;
    c.lower = o.LOWER;
    c.upper = o.UPPER;
    return c;
}

EstimationFailure tobit_censoring_failure(const ChoiceEquation& eq, const ChoiceData& data,
                                          const TobitCensoring& c) {
    long long at_limit = 0;
    for (Real y : data.y) at_limit += (c.below && y <= c.lower) || (c.above && y >= c.upper);
    const std::string y = trim_trailing_blanks(eq.dep_name);
    if (at_limit == 0)
        return {" ...ERROR..NO OBSERVATION OF " + y + " IS CENSORED (" + censoring_text(c) +
                    "): USE OLS",
                choice_error(eq.command, CHOICE_NO_CENSORING)};
    if (at_limit == static_cast<long long>(data.y.size()))
        return {" ...ERROR..EVERY OBSERVATION OF " + y + " IS CENSORED (" + censoring_text(c) + ")",
                choice_error(eq.command, CHOICE_ALL_CENSORED)};
    return {};
}

void report_tobit(Run& run, const ChoiceEquation& eq, const ChoiceData& data,
                  const TobitCensoring& c, const TobitEstimate& e, const ChoiceOptions& o) {
    std::vector<std::string> names = data.names;
    names.push_back(TOBIT_SIGMA_NAME);
    const bool put = run.flags.OPUT;
    if (put) {
        write_line(run, " TOBIT MODEL: CENSORED NORMAL REGRESSION, CENSORED " + censoring_text(c));
        write_line(run, fmt_I(e.n, 9) + " OBSERVATIONS" + fmt_X(5) +
                            "DEPENDENT VARIABLE= " + eq.dep_name);
        std::string counts = fmt_I(e.n_between, 9) + " UNCENSORED";
        if (c.below) counts += fmt_I(e.n_below, 9) + " CENSORED BELOW";
        if (c.above) counts += fmt_I(e.n_above, 9) + " CENSORED ABOVE";
        write_line(run, counts);
        write_line(run, " METHOD: " + o.METHOD + " (MAXIMUM LIKELIHOOD)");
        report_subsample(run, e.subsample_n);
        if (o.PITER) write_history(run, names, e);
    }
    report_fit_end(run, eq, e.end, e.iterations);
    if (put) {
        write_line(run, " ");
        write_line(run, " LOG OF THE LIKELIHOOD FUNCTION =" + fmt_G(e.llf, 13, 6));
        if (e.has_llf0) {
            write_line(run, " LOG-LIKELIHOOD WITH THE INTERCEPT ALONE =" + fmt_G(e.llf0, 13, 6));
            write_line(run, " LIKELIHOOD RATIO TEST OF THE SLOPES: CHI-SQUARE =" +
                                fmt_F(e.lr, 10, 4) + " WITH" + fmt_I(e.lr_df, 3) +
                                " D.F., P-VALUE=" + fmt_F(e.lr_pvalue, 6, 3));
        }
        if (o.HETCOV) write_line(run, " USING HETEROSKEDASTICITY-CONSISTENT COVARIANCE MATRIX");
        write_line(run, " ");
        CoefficientTable t = coefficient_table(e.result);
        t.names = names;
        t.wide = o.WIDE;
        write_coefficient_table(run, t);
        write_coefficient_matrices(run, names, e.cov, o.PCOV, o.PCOR, o.WIDE);
        write_line(run, " ");
        write_line(run, " AT THE MEANS OF THE REGRESSORS: X'B =" + fmt_G(e.index_at_means, 13, 6) +
                            "  E[Y|X] =" + fmt_G(e.expected_at_means, 13, 6));
        write_line(run, "    PROBABILITY OF AN UNCENSORED OBSERVATION =" +
                            fmt_F(e.uncensored_at_means, 8, 4));
        std::vector<int> rows;
        for (int j = 0; j < e.k; ++j)
            if (j != data.intercept) rows.push_back(j);
        if (!rows.empty()) {
            write_line(run, " EFFECTS ON THE LATENT MEAN X'B ARE THE COEFFICIENTS.");
            write_effects(
                run, " MARGINAL EFFECTS ON THE OBSERVED MEAN E[Y|X] (DELTA-METHOD STD. ERRORS)",
                names, rows, {{"AT THE MEANS", e.observed}});
        }
    }
}

} // namespace tarvex
