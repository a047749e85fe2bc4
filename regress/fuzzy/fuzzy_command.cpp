// FUZZY depvar indeps / options: reads and checks the options and the list, gathers the rows,
// checks that the design identifies the centres, solves the linear program, writes the report
// and stores the results.
//
// The program always has a solution, so its INFEASIBLE and UNBOUNDED statuses are refused here
// only as a guard against a fault of the solver: with every observation reachable (the
// intercept's spread reaches them all; without an intercept an observation whose regressors are
// all zero is refused before the program is built unless its y is 0 too), a = 0 with every
// spread large enough holds every observation in the band, since 1 - h > 0; and the total
// spread is a sum of spreads c_j >= 0 with weights sum_i |x_ij| >= 0, bounded below by 0.
#include "regress/fuzzy/fuzzy_command.hpp"

#include "core/error_report.hpp"
#include "core/result_scalars.hpp"
#include "core/run.hpp"
#include "kernels/householder.hpp"
#include "numeric/fortran_format.hpp"
#include "numeric/text.hpp"
#include "options/options.hpp"
#include "regress/fit/estimator_front.hpp"
#include "regress/fit/list_equation.hpp"
#include "regress/fit/output_variables.hpp"
#include "regress/fit/store_result.hpp"
#include "regress/fit/term_names.hpp"
#include "regress/fuzzy/fuzzy_errors.hpp"
#include "regress/fuzzy/fuzzy_estimate.hpp"
#include "regress/fuzzy/fuzzy_options.hpp"
#include "regress/fuzzy/fuzzy_report.hpp"
#include "regress/lp/lp_report.hpp"

#include <utility>

namespace tarvex {

namespace {

bool fuzzy_level_valid(Run& run, Real h) {
    if (h >= 0 && h < 1) return true;
    report_error(run,
                 " ...ERROR..H=" + trim_blanks(fmt_G(h, 14, 6)) +
                     ": THE LEVEL OF THE BAND MUST BE AT LEAST 0 AND BELOW 1",
                 ERR_FUZZY_H);
    return false;
}

// The centres are unique only when the regressors are linearly independent (a column of zeros
// among them leaves its spread free of cost as well).
bool fuzzy_design_identified(Run& run, const EstimationEquation& eq, const FuzzyData& d) {
    const int n = int(d.y.size()), k = int(d.x.size());
    DataMatrix m(n, k + 1);
    for (int j = 0; j < k; ++j)
        for (int i = 0; i < n; ++i) m.at(i, j) = d.x[std::size_t(j)][std::size_t(i)];
    for (int i = 0; i < n; ++i) m.at(i, k) = d.y[std::size_t(i)];
    const HouseholderSolve s = householder_solve(m);
    if (s.fit.ok()) return true;
    const int bad = s.fit.failed_column >= 0 ? s.fit.failed_column : 0;
    report_error(run,
                 " ...ERROR..THE REGRESSORS ARE LINEARLY DEPENDENT (" +
                     trim_trailing_blanks(eq.terms[std::size_t(bad)].name) +
                     "): THE CENTRES ARE NOT IDENTIFIED",
                 ERR_FUZZY_DEPENDENT);
    return false;
}

// Without an intercept an observation whose regressors are all zero has a band of width zero
// at 0: no coefficients reach a y other than 0 there.
bool fuzzy_rows_reachable(Run& run, const EstimationEquation& eq, const FuzzyData& d) {
    for (std::size_t i = 0; i < d.y.size(); ++i) {
        bool zero = true;
        for (const std::vector<Real>& column : d.x) zero = zero && column[i] == 0;
        if (!zero || d.y[i] == 0) continue;
        report_error(run,
                     " ...ERROR..AT OBSERVATION" + fmt_I(eq.obs[i], 6) +
                         " EVERY REGRESSOR IS 0 BUT THE DEPENDENT VARIABLE IS NOT: NO BAND "
                         "REACHES IT",
                     ERR_FUZZY_ZERO_ROW);
        return false;
    }
    return true;
}

// The program is always feasible (a = 0 with spreads large enough holds every observation, as
// 1 - h > 0) and bounded (the objective is a sum of spreads, none negative), so the solver's only
// other end is a basis that failed the binary128 check: said in the words LP uses.
bool fuzzy_program_solved(Run& run, const FuzzyData& d, const FuzzyFit& fit) {
    if (fit.status == LpStatus::OPTIMAL) return true;
    report_uncertified(run, fit.iterations,
                       default_pivot_limit(2 * int(d.y.size()), 2 * int(d.x.size())),
                       ERR_FUZZY_UNCERTIFIED);
    return false;
}

// The record FUZZY leaves: the centres, no covariance (nothing for TEST), the centre fit and
// its residuals; $N, $K and $VAL, the total spread.
ModelResult fuzzy_model_result(const FuzzyData& d, const FuzzyFit& fit) {
    ModelResult m;
    EstimationResults& r = m.record;
    r.coef = fit.centre;
    r.not_forecast = "FUZZY REGRESSION";
    r.n = int(d.y.size()), r.k = int(d.x.size());
    r.predicted = fit.fitted;
    for (std::size_t i = 0; i < d.y.size(); ++i) r.residuals.push_back(d.y[i] - fit.fitted[i]);
    m.set_scalar(R_N, r.n);
    m.set_scalar(R_K, r.k);
    m.set_scalar(R_VAL, fit.total_spread);
    return m;
}

} // namespace

void cmd_fuzzy(Run& run) {
    if (run.sw[OTRACE]) write_line(run, " FUZZY");
    set_fuzzy_defaults(run);
    if (!OPTION(run, fuzzy_option_table())) return;
    const FuzzyOptions o = read_fuzzy_options(run);
    if (!fuzzy_level_valid(run, o.H) ||
        !check_name_options(run, fuzzy_option_table(), ERR_FUZZY_OPTION))
        return;
    // SPREAD, LOWER and UPPER are FUZZY's own outputs: none may overwrite a variable of the list.
    std::vector<int> inputs;
    for (int k = 1; k <= run.scan.NF; ++k)
        inputs.push_back(plain_reference(run.scan.list[std::size_t(k)]));
    if (!check_output_names(run, {{"SPREAD", o.SPREAD}, {"LOWER", o.LOWER}, {"UPPER", o.UPPER}},
                            inputs))
        return;
    EstimationEquation eq;
    if (!read_estimation_equation(run, "FUZZY", o.CONSTANT, ERR_FUZZY_NO_LIST, ERR_FUZZY_BOTH_SIDES,
                                  eq))
        return;
    ListRows rows;
    if (!gather_equation_rows(run, eq, eq.terms, o.BEG, o.END, rows)) return;
    const std::size_t n = rows.obs.size(), k = eq.terms.size();
    if (n < k) {
        report_error(run,
                     " ...ERROR.." + fmt_I((long long)n, 5) + " OBSERVATIONS IS NOT ENOUGH FOR" +
                         fmt_I((long long)k, 4) + " FUZZY COEFFICIENTS",
                     ERR_FUZZY_TOO_FEW);
        return;
    }
    if (run.sw[OSCAN] || run.flags.ODONT) return;
    FuzzyData d;
    d.y = std::move(rows.y);
    d.x = std::move(rows.x);
    if (!fuzzy_design_identified(run, eq, d) || !fuzzy_rows_reachable(run, eq, d)) return;
    const FuzzyFit fit = fit_fuzzy_regression(d, o.H);
    if (!fuzzy_program_solved(run, d, fit)) return;
    ModelResult result = fuzzy_model_result(d, fit);
    name_equation(run, "FUZZY", eq, {}, result.record);
    result.record.intercept = o.CONSTANT;
    report_fuzzy(run, eq, d, fit, o.H, o.PRINT);
    OutputNames out;
    out.PREDICT = o.PREDICT, out.RESID = o.RESID, out.COEF = o.COEF;
    const std::vector<int> obs = eq.obs;
    const int end = eq.end;
    if (!store_model_result(run, std::move(result), out) ||
        !store_vector(run, o.SPREAD, fit.spread) ||
        !store_by_observation(run, o.LOWER, end, obs, fit.lower))
        return;
    store_by_observation(run, o.UPPER, end, obs, fit.upper);
}

} // namespace tarvex
