// BAYES depvar indeps / options with its block of RESTRICT lines: reads and checks the options,
// the list and the restrictions, fits least squares (the centre and scale of the unrestricted
// posterior), samples the posterior under the restrictions, writes the report and stores the
// posterior moments as the estimation.
#include "regress/bayes/bayes_command.hpp"

#include "core/error_report.hpp"
#include "core/result_scalars.hpp"
#include "core/run.hpp"
#include "numeric/fitted_fields.hpp"
#include "numeric/qmath.hpp"
#include "options/options.hpp"
#include "regress/bayes/bayes_errors.hpp"
#include "regress/bayes/bayes_options.hpp"
#include "regress/bayes/bayes_report.hpp"
#include "regress/bayes/bayes_restrictions.hpp"
#include "regress/bayes/bayes_sampler.hpp"
#include "regress/fit/coefficient_table.hpp"
#include "regress/fit/list_equation.hpp"
#include "regress/fit/ls_bridge.hpp"
#include "regress/fit/ols_options.hpp"
#include "regress/fit/store_result.hpp"

#include <utility>

namespace tarvex {

namespace {

// X column after column, from the gathered rows.
std::vector<Real> bayes_columns(const ListRows& rows) {
    std::vector<Real> x;
    for (const std::vector<Real>& c : rows.x) x.insert(x.end(), c.begin(), c.end());
    return x;
}

// The record BAYES leaves: the posterior moments under the restrictions as the coefficients
// and their covariance, the fit at the posterior means, and the probability as $VAL.
ModelResult bayes_model_result(const ListRows& rows, const BayesPosterior& post, Real df) {
    ModelResult m;
    EstimationResults& r = m.record;
    const std::size_t k = post.mean.size(), n = rows.y.size();
    r.coef = post.mean;
    r.cov = post.cov;
    r.stderrs = post.sd;
    for (std::size_t j = 0; j < k; ++j)
        r.tratios.push_back(post.sd[j] > 0 ? post.mean[j] / post.sd[j] : 0);
    r.n = int(n), r.k = int(k), r.df = df;
    r.not_forecast = "BAYES";
    for (std::size_t t = 0; t < n; ++t) {
        Real fit = 0;
        for (std::size_t j = 0; j < k; ++j) fit += rows.x[j][t] * post.mean[j];
        r.predicted.push_back(fit);
        r.residuals.push_back(rows.y[t] - fit);
        r.sse += (rows.y[t] - fit) * (rows.y[t] - fit);
    }
    infer_coefficients(m);
    m.add_statistic(NamedStatistic{"PROB", post.probability, StatisticLaw::NONE, 0, 0, false, 0});
    m.add_statistic(
        NamedStatistic{"NSE", post.probability_nse, StatisticLaw::NONE, 0, 0, false, 0});
    m.set_size_scalars();
    m.set_scalar(R_SSE, r.sse);
    m.set_scalar(R_VAL, post.probability);
    m.set_scalar(R_STES, post.probability_nse);
    return m;
}

bool bayes_fail(Run& run, const std::string& line, int number) {
    report_error(run, line, number);
    return false;
}

} // namespace

void cmd_bayes(Run& run) {
    if (run.sw[OTRACE]) write_line(run, " BAYES");
    set_bayes_defaults(run);
    if (!OPTION(run, bayes_option_table())) return pass_over_bayes_restrictions(run);
    const BayesOptions o = read_bayes_options(run);
    if (o.NDRAW < 1) {
        option_out_of_range(run, "NDRAW", o.NDRAW, "IT MUST BE 1 OR MORE");
        return pass_over_bayes_restrictions(run);
    }
    if (!check_name_options(run, bayes_option_table(), ERR_BAYES_OPTION))
        return pass_over_bayes_restrictions(run);
    EstimationEquation eq;
    if (!read_estimation_equation(run, "BAYES", o.CONSTANT, ERR_BAYES_NO_LIST, ERR_BAYES_BOTH_SIDES,
                                  eq))
        return pass_over_bayes_restrictions(run);
    EstimationResults named;
    name_equation(run, "BAYES", eq.dep_ref, eq.dep_lag, eq.dep_name, eq.terms, {}, named);
    std::vector<LinearInequality> restrictions;
    std::vector<std::string> texts;
    if (!read_bayes_restrictions(run, equation_of(named), restrictions, texts)) return;

    ListRows rows;
    if (!gather_equation_rows(run, eq, eq.terms, o.BEG, o.END, rows)) return;
    const std::size_t n = rows.y.size(), k = eq.terms.size();
    if (n <= k) {
        bayes_fail(run,
                   " ...ERROR.." + fmt_I_fitted((long long)n, 5) +
                       " OBSERVATIONS ARE NOT ENOUGH FOR" + fmt_I_fitted((long long)k, 4) +
                       " COEFFICIENTS: BAYES NEEDS" + fmt_I_fitted((long long)k + 1, 5),
                   ERR_BAYES_TOO_FEW);
        return;
    }
    if (run.sw[OSCAN] || run.flags.ODONT) return;
    const LsSolution ls =
        solve_least_squares(OlsMethod::GS, bayes_columns(rows), rows.y, int(n), int(k), 0);
    if (ls.dependent_column != 0 || ls.singular || ls.out_of_range != 0) {
        report_estimation_failure(
            run, {" ...ERROR..THE REGRESSORS ARE LINEARLY DEPENDENT: THE POSTERIOR IS NOT PROPER",
                  ERR_BAYES_DEPENDENT});
        return;
    }
    BayesModel model;
    model.coef = ls.coef;
    model.df = Real(n - k);
    const Real s2 = ls.sse / model.df;
    for (Real a : ls.xtx_inv) model.scale.push_back(s2 * a);
    model.restrictions = std::move(restrictions);

    expr::RandomGenerator own;
    expr::RandomGenerator* rng = &run.rng;
    if (o.seed_given) {
        own.seed(o.SEED);
        rng = &own;
    } else if (!run.rng.seeded) {
        run.rng.seed(run.vals.RANSEED);
    }
    const BayesPosterior post = sample_posterior(model, o.NDRAW, o.ANTITHET, *rng);
    if (!post.factored) {
        report_estimation_failure(
            run, {" ...ERROR..THE REGRESSORS ARE LINEARLY DEPENDENT: THE POSTERIOR IS NOT PROPER",
                  ERR_BAYES_DEPENDENT});
        return;
    }
    if (post.accepted == 0) {
        report_estimation_failure(run, {" ...ERROR..NONE OF THE" + fmt_I_fitted(post.tried, 12) +
                                            " COEFFICIENT VECTORS DRAWN SATISFIED THE RESTRICTIONS",
                                        ERR_BAYES_NONE_HELD});
        return;
    }
    ModelResult result = bayes_model_result(rows, post, model.df);
    name_equation(run, "BAYES", eq, {}, result.record);
    result.record.intercept = o.CONSTANT;
    BayesReport head;
    head.dep_name = eq.dep_name;
    head.n = int(n);
    head.restrictions = texts;
    head.ls_coef = ls.coef;
    for (std::size_t j = 0; j < k; ++j) head.ls_se.push_back(qm::sqrt(s2 * ls.xtx_inv[j * k + j]));
    report_bayes(run, head, o, post, result);
    store_model_result(run, std::move(result), o.out);
}

} // namespace tarvex
