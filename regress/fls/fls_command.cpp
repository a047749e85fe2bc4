// FLS depvar indeps / options: reads and checks the options and the list, gathers the rows
// (the observations in use taken as consecutive periods), solves for the path at MU and at
// every weight of FRONTIER=, writes the report and stores the results.
#include "regress/fls/fls_command.hpp"

#include "core/error_report.hpp"
#include "core/result_scalars.hpp"
#include "core/run.hpp"
#include "numeric/decimal.hpp"
#include "numeric/fortran_format.hpp"
#include "numeric/text.hpp"
#include "options/options.hpp"
#include "regress/fit/estimator_front.hpp"
#include "regress/fit/list_equation.hpp"
#include "regress/fit/named_matrix.hpp"
#include "regress/fit/ols_options.hpp"
#include "regress/fit/output_variables.hpp"
#include "regress/fit/store_result.hpp"
#include "regress/fls/fls_errors.hpp"
#include "regress/fls/fls_estimate.hpp"
#include "regress/fls/fls_options.hpp"
#include "regress/fls/fls_report.hpp"

#include <algorithm>
#include <utility>

namespace tarvex {

namespace {

bool fls_weight_positive(Run& run, const std::string& what, Real mu) {
    if (mu > 0) return true;
    report_error(run,
                 " ...ERROR.." + what + trim_blanks(fmt_G(mu, 14, 6)) +
                     ": THE WEIGHT OF THE DYNAMIC COST MUST BE POSITIVE",
                 ERR_FLS_MU);
    return false;
}

bool fls_frontier_weights(Run& run, const FlsOptions& o, std::vector<Real>& weights) {
    if (name_blank(o.FRONTIER)) return true;
    NamedMatrix m;
    if (!read_named_matrix(run, "FRONTIER", o.FRONTIER, ERR_FLS_NOT_FOUND, m)) return false;
    for (Real mu : m.values)
        if (!fls_weight_positive(run, "FRONTIER= " + trim_trailing_blanks(o.FRONTIER) + " HOLDS ",
                                 mu))
            return false;
    weights = m.values;
    return true;
}

// The record FLS leaves: the coefficients at the last observation (where a forecast would
// start), no covariance (nothing for TEST), the fit and its residuals.
ModelResult fls_model_result(const EstimationEquation& eq, const FlsPath& path, Real mu) {
    ModelResult m;
    EstimationResults& r = m.record;
    const std::size_t k = eq.terms.size(), t_count = path.fitted.size();
    r.coef.assign(path.b.end() - std::ptrdiff_t(k), path.b.end());
    r.not_forecast = "FLS";
    r.n = int(t_count), r.k = int(k);
    r.sse = path.measurement_cost;
    r.predicted = path.fitted;
    r.residuals = path.residuals;
    m.add_statistic(NamedStatistic{"MU", mu, StatisticLaw::NONE, 0, 0, false, 0});
    m.add_statistic(NamedStatistic{"R(D)", path.dynamic_cost, StatisticLaw::NONE, 0, 0, false, 0});
    m.set_scalar(R_N, r.n);
    m.set_scalar(R_K, r.k);
    m.set_scalar(R_SSE, path.measurement_cost);
    m.set_scalar(R_VAL, path.dynamic_cost);
    return m;
}

// COEF=: the path as a T x K matrix, column after column.
bool store_fls_path(Run& run, const std::string& name, const FlsPath& path, std::size_t k) {
    if (name_blank(name)) return true;
    const std::size_t t_count = path.fitted.size();
    std::vector<Real> by_column(t_count * k);
    for (std::size_t c = 0; c < k; ++c)
        for (std::size_t t = 0; t < t_count; ++t) by_column[c * t_count + t] = path.b[t * k + c];
    return store_column_matrix(run, name, int(t_count), int(k), by_column);
}

} // namespace

void cmd_fls(Run& run) {
    if (run.sw[OTRACE]) write_line(run, " FLS");
    set_fls_defaults(run);
    if (!OPTION(run, fls_option_table())) return;
    const FlsOptions o = read_fls_options(run);
    if (!fls_weight_positive(run, "MU=", o.MU) ||
        !check_name_options(run, fls_option_table(), ERR_FLS_OPTION))
        return;
    std::vector<Real> weights;
    if (!fls_frontier_weights(run, o, weights)) return;
    EstimationEquation eq;
    if (!read_estimation_equation(run, "FLS", o.CONSTANT, ERR_FLS_NO_LIST, ERR_FLS_BOTH_SIDES, eq))
        return;
    ListRows rows;
    if (!gather_equation_rows(run, eq, eq.terms, o.BEG, o.END, rows)) return;
    const std::size_t t_count = rows.obs.size(), k = eq.terms.size();
    const std::size_t needed = std::max<std::size_t>(2, k);
    if (t_count < needed) {
        report_error(run,
                     " ...ERROR.." + fmt_I((long long)t_count, 5) +
                         " OBSERVATIONS IS NOT ENOUGH FOR A PATH OF" + fmt_I((long long)k, 4) +
                         " COEFFICIENTS: FLS NEEDS" + fmt_I((long long)needed, 5),
                     ERR_FLS_TOO_FEW);
        return;
    }
    if (run.sw[OSCAN] || run.flags.ODONT) return;
    FlsData d;
    d.y = std::move(rows.y);
    d.x = std::move(rows.x);
    const FlsPath path = solve_fls(d, o.MU);
    if (!path.identified) {
        report_estimation_failure(
            run, {" ...ERROR..THE REGRESSORS ARE LINEARLY DEPENDENT: THE COEFFICIENT PATH IS "
                  "NOT IDENTIFIED",
                  ERR_FLS_DEPENDENT});
        return;
    }
    std::vector<FlsFrontierPoint> frontier;
    for (Real mu : weights) {
        const FlsPath at = solve_fls(d, mu);
        frontier.push_back({mu, at.measurement_cost, at.dynamic_cost});
    }
    ModelResult result = fls_model_result(eq, path, o.MU);
    name_equation(run, "FLS", eq, {}, result.record);
    result.record.intercept = o.CONSTANT;
    report_fls(run, eq, path, o, frontier);
    OutputNames out;
    out.PREDICT = o.PREDICT, out.RESID = o.RESID;
    if (store_model_result(run, std::move(result), out)) store_fls_path(run, o.COEF, path, k);
}

} // namespace tarvex
