// The stored part of an OLS estimate: the record TEST, FCAST and the listings read, the
// p-values and partial correlations of the coefficients, the last two columns of the
// coefficient table, DLAG's lag-sum tests, and the result scalars in the order OLS sets them
// (those of the exact Durbin-Watson test and of the restrictions first, then the lag-sum tests,
// the summary, and last Durbin's h and the Durbin-Watson statistic of RSTAT). OLS sets its own
// scalars and leaves the others as they stand.
#include "regress/ols/ols_estimation.hpp"

#include "core/result_scalars.hpp"
#include "regress/fit/coefficient_table.hpp"
#include "regress/fit/ols_options.hpp"
#include "regress/test/test_lag_sums.hpp"

namespace tarvex {

namespace {

// a / b, or 0 when b is 0.
Real ratio_or_nothing(Real a, Real b) {
    return b != 0 ? a / b : Real(0);
}

void fill_record(OlsEstimate& e, const OlsOptions& o) {
    const OlsFit& fit = e.fit;
    EstimationResults& r = e.result.record;
    r = EstimationResults{};
    r.command = fit.label.find("IMLS") != std::string::npos ? "IMLS" : "OLSQ";
    for (const OlsTerm& t : fit.terms) r.names.push_back(t.name);
    r.coef = fit.coef;
    r.cov = fit.cov;
    r.xtx_inv = fit.xtx_inv;
    r.stderrs = fit.se;
    r.tratios = fit.tstat;
    r.weights = fit.w;
    r.recursive = fit.recursive;
    r.n = fit.n;
    r.k = fit.k;
    r.beg = fit.beg;
    r.end = fit.end;
    r.sse = fit.sse;
    r.sst = fit.sst;
    r.raw = fit.raw;
    r.rsqr = e.summary.r2;
    r.df = fit.df;
    r.sigma = fit.sigma;
    r.ridge = o.RIDGE;
    for (Real w : fit.w) r.swt += w;
    if (fit.rows_in_blocks) r.swt = fit.weight_total;
    r.log_dependent = fit.log_dependent;
    r.log_regressors = fit.log_regressors;
    r.intercept = fit.has_intercept;
    r.asymptotic = o.DN;
    // The table's p-values are those of t with the fit's degrees of freedom, under DN as well.
    coefficient_inference(r.tratios, r.df, false, r.pvalues, e.result.partials);
}

// Standardised coefficients and elasticities at the means (of the logs where logs are taken).
void fill_table_columns(OlsEstimate& e, const OlsOptions& o) {
    const OlsFit& fit = e.fit;
    e.standardised.assign(fit.k, 0);
    e.elasticity.assign(fit.k, 0);
    for (int j = 0; j < fit.k; ++j) {
        const Real b = fit.coef[j];
        Real standardised = ratio_or_nothing(b * fit.xsd[j], fit.ysd);
        if (standardised == 0) standardised = 0; // no "-0.0000" for the intercept
        Real elasticity = ratio_or_nothing(b * fit.xmean[j], fit.ymean);
        if (fit.terms[j].kind == TermKind::VARIABLE) {
            if (o.LOGLOG)
                elasticity = b;
            else if (o.LOGLIN)
                elasticity = b * fit.xmean[j];
            else if (o.LINLOG)
                elasticity = ratio_or_nothing(b, fit.ymean);
        }
        e.standardised[j] = standardised;
        e.elasticity[j] = elasticity;
    }
}

void add_test_scalars(ModelResult& m, const TestOutcome& t) {
    // A test that cannot be done leaves its $ERR number, and the table goes on.
    if (!t.warning.empty() && t.error_number != 0) m.set_scalar(R_ERR, t.error_number);
    for (const ResultScalar& s : test_result_scalars(t)) m.set_scalar(s.id, s.value);
}

void fill_scalars(OlsEstimate& e, const OlsOptions& o) {
    const OlsFit& fit = e.fit;
    const OlsSummary& s = e.summary;
    const ResidualStats& r = e.residuals;
    ModelResult& m = e.result;
    m.clears_other_scalars = false;
    if (e.exact_dw.done) m.set_scalar(R_DW, e.exact_dw.dw);
    if (e.exact_dw.has_pvalue) m.set_scalar(R_CDF, e.exact_dw.pvalue);
    if (e.exact_dw.has_critical) m.set_scalar(R_CRIT, e.exact_dw.critical);
    if (e.restricted) m.set_scalar(R_PVAL, e.restriction_pvalue);
    for (const LagSumTest& t : e.lag_sums) {
        add_test_scalars(m, t.sum);
        add_test_scalars(m, t.joint);
    }
    const ResultScalar summary[] = {
        {R_R2, s.r2},     {R_K, Real(fit.k)}, {R_SIG2, s.sigma2}, {R_LLF, s.llf},
        {R_RAW, s.raw},   {R_SST, fit.sst},   {R_SSR, s.ssr},     {R_SSE, fit.sse},
        {R_DF, fit.df},   {R_ANF, s.anf},     {R_ZSST, s.zsst},   {R_ZSSR, s.zssr},
        {R_ZDF, s.zdf},   {R_ZANF, s.zanf},   {R_N, fit.nobs},    {R_R2OP, r.r2op},
        {R_RHO, r.rho},   {R_JB, r.jb},       {R_ADR2, s.adr2},   {R_FPE, s.fpe},
        {R_LAIC, s.laic}, {R_LSC, s.lsc},     {R_GCV, s.gcv},     {R_HQ, s.hq},
        {R_RICE, s.rice}, {R_SHIB, s.shib},   {R_SC, s.sc},       {R_AIC, s.aic},
    };
    for (const ResultScalar& v : summary) m.set_scalar(v.id, v.value);
    if (r.durh_available && fit.lagged_dependent >= 0) m.set_scalar(R_DURH, r.durh);
    if (o.RSTAT) m.set_scalar(R_DW, r.dw);
}

} // namespace

void fill_ols_result(OlsEstimate& e, const OlsOptions& o, bool output_on) {
    fill_record(e, o);
    fill_table_columns(e, o);
    // The lag-sum tests are part of the written report only.
    if (o.DLAG && output_on) e.lag_sums = lag_sum_tests(e.fit, o.DN);
    fill_scalars(e, o);
}

} // namespace tarvex
