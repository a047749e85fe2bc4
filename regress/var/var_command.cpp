// VAR: reads and checks the options and the list of series, gathers their rows (observations
// that follow one another), fits the autoregression, works out what the options ask for
// (stability, order selection, causality, responses, decomposition), reports it and stores the
// result: the coefficients equation after equation, named series, "L", lag, "_" and the
// equation's number (Y1L2_1), so that TEST reads them, with their covariance
// kron(sigma, (X'X)^-1).
#include "regress/var/var_command.hpp"

#include "core/error_report.hpp"
#include "core/run.hpp"
#include "kernels/symmetric_solve.hpp"
#include "numeric/fortran_format.hpp"
#include "numeric/qmath.hpp"
#include "numeric/text.hpp"
#include "options/options.hpp"
#include "regress/fit/coefficient_table.hpp"
#include "regress/fit/estimator_front.hpp"
#include "regress/fit/list_equation.hpp"
#include "regress/fit/output_variables.hpp"
#include "regress/fit/store_result.hpp"
#include "regress/fit/term_names.hpp"
#include "regress/var/var_errors.hpp"
#include "regress/var/var_forecast.hpp"
#include "regress/var/var_irf_stderr.hpp"
#include "regress/var/var_report.hpp"

#include <algorithm>
#include <memory>
#include <utility>

namespace tarvex {

namespace {

bool check_var_options(Run& run, const VarOptions& o) {
    if (o.NLAG < 1) return option_out_of_range(run, "NLAG", o.NLAG, "IT MUST BE 1 OR MORE");
    if (o.MAXLAG < 0) return option_out_of_range(run, "MAXLAG", o.MAXLAG, "IT MUST BE 0 OR MORE");
    if (o.HORIZON < 0)
        return option_out_of_range(run, "HORIZON", o.HORIZON, "IT MUST BE 0 OR MORE");
    if (o.SEASONAL < 0 || o.SEASONAL == 1)
        return option_out_of_range(run, "SEASONAL", o.SEASONAL, "IT MUST BE 0 OR 2 OR MORE");
    return check_name_options(run, var_option_table(), ERR_VAR_OPTION);
}

// The regressors' names, each with `tail` (the equation's "_e" in the stored names; the
// series' name is shortened so that the lag and the tail fit in 8 columns).
std::vector<std::string> regressor_names(const std::vector<OlsTerm>& series,
                                         const std::vector<OlsTerm>& exog, const VarTerms& s,
                                         const std::string& tail) {
    std::vector<std::string> names;
    const auto add = [&](const std::string& base, const std::string& more) {
        names.push_back(first_8_padded(suffixed_name(base, more + tail)));
    };
    for (int l = 1; l <= s.lags; ++l)
        for (const OlsTerm& t : series) add(trim_trailing_blanks(t.name), "L" + std::to_string(l));
    for (const OlsTerm& t : exog) add(trim_trailing_blanks(t.name), "");
    if (s.trend) add("TREND", "");
    for (int i = 1; i < s.seasons; ++i) add("S" + std::to_string(i), "");
    if (s.constant) add("CONSTANT", "");
    return names;
}

EstimationFailure var_failure(const VarAnalysis& v) {
    const VarFit& f = v.fit;
    switch (f.end) {
    case VarEnd::TOO_FEW:
        return {" ...ERROR.." + fmt_I(f.t, 5) + " OBSERVATIONS AFTER THE LAGS IS NOT ENOUGH FOR" +
                    fmt_I(f.m, 4) + " COEFFICIENTS PER EQUATION",
                ERR_VAR_TOO_FEW};
    case VarEnd::SINGULAR_X:
        return {" ...ERROR..REGRESSOR " +
                    trim_trailing_blanks(v.regressors[std::size_t(f.bad_column)]) +
                    " IS A LINEAR COMBINATION OF THE REGRESSORS BEFORE IT",
                ERR_VAR_SINGULAR_X};
    case VarEnd::SINGULAR_SIGMA:
        return {" ...ERROR..THE RESIDUAL COVARIANCE MATRIX IS SINGULAR: A SERIES IS FITTED EXACTLY",
                ERR_VAR_SINGULAR_SIGMA};
    case VarEnd::NOT_FINITE:
        return {" ...ERROR..A VALUE OF THE SERIES IS INFINITE OR NOT A NUMBER", ERR_VAR_NOT_FINITE};
    case VarEnd::OK:
        break;
    }
    return {};
}

// Everything the options ask for beyond the fit.
void analyse(VarAnalysis& v, const VarData& data, const VarTerms& terms, const VarOptions& o) {
    VarFit& f = v.fit;
    const int k = f.k, m = f.m;
    const std::size_t cells = std::size_t(m) * k;
    v.se.resize(cells), v.tstat.resize(cells);
    for (int r = 0; r < m; ++r)
        for (int e = 0; e < k; ++e) {
            const std::size_t i = std::size_t(r) * k + e;
            v.se[i] = qm::sqrt(f.xtx_inv[std::size_t(r) * m + r] * f.sigma[std::size_t(e) * k + e]);
            v.tstat[i] = v.se[i] > 0 ? f.coef[i] / v.se[i] : 0;
        }
    coefficient_inference(v.tstat, Real(f.t - m), false, v.pvalue, v.partial);
    const Real t = f.t;
    const Real free = Real(terms.lags) * k * k + Real(k) * var_other_terms(data, terms);
    v.aic = f.log_det_ml + 2 / t * free;
    v.bic = f.log_det_ml + qm::log(t) / t * free;
    v.hq = f.log_det_ml + 2 * qm::log(qm::log(t)) / t * free;
    v.fpe = qm::pow((t + m) / (t - m), Real(k)) * qm::exp(f.log_det_ml);
    const LagMatrices a = var_lag_matrices(f.coef, k, terms.lags);
    v.moduli = companion_moduli(a, k);
    v.stable = !v.moduli.empty() && v.moduli.front() < 1;
    if (o.MAXLAG > 0) v.criteria = var_order_criteria(data, terms, o.MAXLAG);
    if (o.GRANGER)
        for (int j = 0; j < k; ++j) {
            std::vector<int> others;
            for (int i = 0; i < k; ++i)
                if (i != j) others.push_back(i);
            v.granger.push_back(
                granger_test(f.coef, f.xtx_inv, f.sigma, k, m, terms.lags, f.t, j, others));
            v.instantaneous.push_back(instantaneous_test(f.sigma, k, f.t, j, others));
        }
    const bool responses = o.IRF || !name_blank(o.IMPULSE) || !name_blank(o.IRFSE);
    const bool decomposition = o.FEVD || !name_blank(o.DECOMP);
    if (!responses && !decomposition) return;
    std::vector<Real> lower;
    int failed = -1;
    cholesky_factor(f.sigma, k, lower, failed);
    if (responses) {
        v.responses = impulse_responses(a, k, o.HORIZON, o.ORTHOG ? lower : std::vector<Real>{});
        VarResponseInputs in;
        in.lags = &a;
        in.xtx_inv = &f.xtx_inv;
        in.m = m;
        in.sigma = &f.sigma;
        in.factor = &lower;
        in.k = k;
        in.t = f.t;
        in.horizon = o.HORIZON;
        v.response_se = impulse_response_stderr(in, o.ORTHOG);
    }
    if (decomposition)
        v.decomposition = variance_decomposition(impulse_responses(a, k, o.HORIZON, lower), k);
}

// The steps' k x k blocks as a column matrix of (steps) k rows and k columns.
bool store_steps(Run& run, const std::string& name, const std::vector<std::vector<Real>>& steps,
                 int k) {
    if (name_blank(name)) return true;
    const int rows = int(steps.size()) * k;
    std::vector<Real> values(std::size_t(rows) * k);
    for (std::size_t h = 0; h < steps.size(); ++h)
        for (int i = 0; i < k; ++i)
            for (int j = 0; j < k; ++j)
                values[std::size_t(j) * rows + h * k + i] = steps[h][std::size_t(i) * k + j];
    return store_column_matrix(run, name, rows, k, values);
}

// What FCAST forecasts from: the fit and the last p rows of the series.
std::shared_ptr<const ModelPart> var_forecast_part(const VarAnalysis& v, const VarData& data,
                                                   const VarTerms& terms,
                                                   const std::vector<OlsTerm>& exog) {
    auto part = std::make_shared<VarForecastPart>();
    for (const OlsTerm& x : exog) {
        part->exog_refs.push_back(x.ref);
        part->exog_lags.push_back(x.lag);
        part->exog_names.push_back(x.name);
    }
    part->last = v.end;
    part->equations = v.fit.k;
    part->names = v.series;
    part->terms = terms;
    part->first_season = data.first_season;
    part->next_row = long(data.n);
    part->m = v.fit.m;
    part->coef = v.fit.coef;
    part->sigma = v.fit.sigma;
    for (std::size_t row = data.n - std::size_t(terms.lags); row < data.n; ++row)
        for (const Real* y : data.series) part->history.push_back(y[row]);
    return part;
}

ModelResult var_result(const Run& run, const VarAnalysis& v, const std::vector<OlsTerm>& series,
                       const std::vector<int>& obs) {
    const VarFit& f = v.fit;
    const int k = f.k, m = f.m;
    ModelResult res;
    EstimationResults& r = res.record;
    // Named by the first series and every coefficient (named parameters, as TEST reads them).
    const OlsTerm& first = series.front();
    const EstimationEquation eq{first.ref, first.lag, first.name, {}, obs, v.beg, v.end};
    name_equation(run, "VAR", eq, v.stored_names, r);
    for (int e = 0; e < k; ++e)
        for (int c = 0; c < m; ++c) {
            const std::size_t i = std::size_t(c) * k + e;
            r.coef.push_back(f.coef[i]);
            r.stderrs.push_back(v.se[i]);
            r.tratios.push_back(v.tstat[i]);
            r.pvalues.push_back(v.pvalue[i]);
            res.partials.push_back(v.partial[i]);
        }
    const int n = k * m;
    r.cov.assign(std::size_t(n) * n, 0);
    for (int e = 0; e < k; ++e)
        for (int a = 0; a < m; ++a)
            for (int e2 = 0; e2 < k; ++e2)
                for (int b = 0; b < m; ++b)
                    r.cov[std::size_t(e * m + a) * n + std::size_t(e2 * m + b)] =
                        f.sigma[std::size_t(e) * k + e2] * f.xtx_inv[std::size_t(a) * m + b];
    r.n = f.t;
    r.k = n;
    r.df = f.t - m;
    r.beg = v.beg;
    r.end = v.end;
    r.has_llf = true;
    r.llf = f.llf;
    r.not_forecast = "VAR"; // FCAST forecasts it through its forecast part, not as one equation
    r.intercept = false;
    for (Real s : f.sse) r.sse += s;
    res.set_size_scalars();
    res.set_scalar(R_LLF, f.llf);
    res.set_scalar(R_SSE, r.sse);
    res.set_scalar(R_AIC, v.aic);
    res.set_scalar(R_SC, v.bic);
    res.set_scalar(R_HQ, v.hq);
    res.set_scalar(R_FPE, v.fpe);
    return res;
}

} // namespace

void cmd_var(Run& run) {
    if (run.sw[OTRACE]) write_line(run, " VAR");
    set_var_defaults(run);
    if (!OPTION(run, var_option_table())) return;
    const VarOptions o = read_var_options(run);
    if (!check_var_options(run, o)) return;
    // The series, then after ";" the exogenous variables.
    const int split = run.scan.list_break >= 0 ? run.scan.list_break : run.scan.NF;
    if (split < 1) {
        report_error(run, " ...ERROR..VAR NEEDS A LIST OF SERIES: VAR y1 y2 ... / NLAG=p",
                     ERR_VAR_NO_LIST);
        return;
    }
    std::vector<OlsTerm> series, exog, all;
    for (int i = 1; i <= run.scan.NF; ++i)
        (i <= split ? series : exog).push_back(list_term(run, i));
    all = series;
    all.insert(all.end(), exog.begin(), exog.end());
    for (std::size_t a = 0; a < all.size(); ++a)
        for (std::size_t b = 0; b < a; ++b)
            if (all[a].ref == all[b].ref && all[a].lag == all[b].lag) {
                report_error(run,
                             " ...ERROR..SERIES " + trim_trailing_blanks(all[a].name) +
                                 " IS LISTED TWICE",
                             ERR_VAR_REPEATED);
                return;
            }
    ListRows rows;
    const std::vector<OlsTerm> others(all.begin() + 1, all.end());
    if (!gather_list_rows(run, series.front().ref, series.front().lag, others, o.BEG, o.END, rows))
        return;
    if (!rows.obs.empty() && rows.obs.back() - rows.obs.front() + 1 != int(rows.obs.size())) {
        report_estimation_failure(run, {" ...ERROR..THE OBSERVATIONS OF VAR MUST FOLLOW ONE "
                                        "ANOTHER: A SERIES IS MISSING OR SKIPPED INSIDE THE RANGE",
                                        ERR_VAR_GAP});
        return;
    }
    if (run.sw[OSCAN] || run.flags.ODONT) return;

    VarData data;
    data.series.push_back(rows.y.data());
    for (std::size_t j = 0; j < rows.x.size(); ++j)
        (j + 1 < series.size() ? data.series : data.exog).push_back(rows.x[j].data());
    data.n = rows.obs.size();
    VarTerms terms;
    terms.lags = o.NLAG;
    terms.constant = o.CONSTANT;
    terms.trend = o.TREND;
    terms.seasons = o.SEASONAL;
    if (terms.seasons > 1 && !rows.obs.empty())
        data.first_season = (rows.obs.front() - 1) % terms.seasons;

    VarAnalysis v;
    for (const OlsTerm& t : series) v.series.push_back(first_8_padded(t.name));
    v.regressors = regressor_names(series, exog, terms, "");
    for (int e = 0; e < int(series.size()); ++e)
        for (std::string& name : regressor_names(series, exog, terms, "_" + std::to_string(e + 1)))
            v.stored_names.push_back(std::move(name));
    v.lags = terms.lags;
    const int skip = std::max(terms.lags, o.MAXLAG);
    v.fit = fit_var(data, terms, skip);
    if (!rows.obs.empty() && int(rows.obs.size()) > skip) {
        v.beg = rows.obs[std::size_t(skip)];
        v.end = rows.obs.back();
    }
    if (v.fit.end == VarEnd::TOO_FEW && v.fit.t < 0) v.fit.t = 0;
    if (v.fit.end != VarEnd::OK) {
        report_estimation_failure(run, var_failure(v));
        return;
    }
    analyse(v, data, terms, o);
    report_var(run, v, o);
    const std::vector<int> fitted_obs(rows.obs.begin() + skip, rows.obs.end());
    OutputNames stacked = o.out;
    stacked.PREDICT = stacked.RESID = "";
    ModelResult result = var_result(run, v, series, fitted_obs);
    result.record.model = var_forecast_part(v, data, terms, exog);
    if (!store_model_result(run, std::move(result), stacked)) return;
    for (int e = 0; e < v.fit.k; ++e)
        for (const auto& [base, values] :
             {std::pair{o.out.PREDICT, &v.fit.fitted}, std::pair{o.out.RESID, &v.fit.resid}})
            if (!name_blank(base) &&
                !store_by_observation(
                    run, suffixed_name(trim_trailing_blanks(base), std::to_string(e + 1)), rows.end,
                    fitted_obs, (*values)[std::size_t(e)]))
                return;
    if (!store_square_matrix(run, o.RESCOV, v.fit.k, v.fit.sigma)) return;
    if (!store_steps(run, o.IMPULSE, v.responses, v.fit.k)) return;
    if (!store_steps(run, o.IRFSE, v.response_se, v.fit.k)) return;
    store_steps(run, o.DECOMP, v.decomposition, v.fit.k);
}

} // namespace tarvex
