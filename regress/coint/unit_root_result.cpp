// Judging the unit-root and cointegration tests and filling their results.
#include "regress/coint/unit_root_result.hpp"

#include "core/result_scalars.hpp"
#include "regress/coint/johansen_tables.hpp"
#include "regress/coint/mackinnon.hpp"
#include "regress/fit/coefficient_table.hpp"

namespace tarvex {

namespace {

// Kwiatkowski, Phillips, Schmidt and Shin (1992), table 1: upper 10%, 5%, 2.5% and 1% points.
const Real KPSS_LEVEL[4] = {0.347Q, 0.463Q, 0.574Q, 0.739Q};
const Real KPSS_TREND[4] = {0.119Q, 0.146Q, 0.176Q, 0.216Q};
const Real KPSS_P[4] = {0.10Q, 0.05Q, 0.025Q, 0.01Q};

NamedStatistic judged(const std::string& name, Real value, bool has_pvalue, Real pvalue) {
    return {name, value, StatisticLaw::NONE, 0, 0, has_pvalue, has_pvalue ? pvalue : Real(0)};
}

void set_test_scalars(ModelResult& m, Real stat, Real pvalue, Real crit5, int lags, int n) {
    m.set_scalar(R_VAL, stat);
    m.set_scalar(R_PVAL, pvalue);
    m.set_scalar(R_CRIT, crit5);
    m.set_scalar(R_VAL1, lags);
    m.set_scalar(R_N, n);
}

} // namespace

AdfTest judge_adf(AdfFit fit, Deterministic surface, int nvars) {
    AdfTest t;
    t.covered = mackinnon_covers(surface, nvars);
    if (t.covered) {
        t.pvalue = mackinnon_pvalue(fit.tau, surface, nvars);
        t.critical = mackinnon_critical_values(surface, nvars, fit.n);
    }
    coefficient_inference(fit.tstat, Real(fit.n - fit.k), false, t.ratio_pvalue, t.partial);
    t.fit = std::move(fit);
    return t;
}

PhillipsPerronTest judge_phillips_perron(PhillipsPerronFit fit, Deterministic det) {
    PhillipsPerronTest t;
    t.pvalue = mackinnon_pvalue(fit.z_tau, det, 1);
    t.critical = mackinnon_critical_values(det, 1, fit.n);
    t.fit = fit;
    return t;
}

Real kpss_pvalue(Real eta, Deterministic det) {
    const Real* c = det == Deterministic::TREND ? KPSS_TREND : KPSS_LEVEL;
    if (eta <= c[0]) return KPSS_P[0];
    if (eta >= c[3]) return KPSS_P[3];
    int i = 0;
    while (eta > c[i + 1]) ++i;
    return KPSS_P[i] + (KPSS_P[i + 1] - KPSS_P[i]) * (eta - c[i]) / (c[i + 1] - c[i]);
}

KpssTest judge_kpss(KpssFit fit, Deterministic det) {
    KpssTest t;
    const Real* c = det == Deterministic::TREND ? KPSS_TREND : KPSS_LEVEL;
    for (int i = 0; i < 4; ++i) t.critical[std::size_t(i)] = c[i];
    t.pvalue = kpss_pvalue(fit.eta, det);
    t.beyond = t.pvalue <= KPSS_P[3] ? -1 : t.pvalue >= KPSS_P[0] ? 1 : 0;
    t.fit = fit;
    return t;
}

void add_adf_statistic(ModelResult& m, const AdfTest& t) {
    const AdfFit& f = t.fit;
    m.add_statistic(judged("DICKEY-FULLER TAU", f.tau, t.covered, t.pvalue));
    set_test_scalars(m, f.tau, t.pvalue, t.critical[1], f.lag, f.n);
    m.set_scalar(R_K, f.k);
    m.set_scalar(R_SSE, f.sse);
    m.set_scalar(R_SIG2, f.sigma2);
    m.set_scalar(R_DF, f.n - f.k);
}

ModelResult adf_result(const AdfTest& t) {
    ModelResult m;
    EstimationResults& r = m.record;
    r.coef = t.fit.coef;
    r.cov = t.fit.cov;
    r.stderrs = t.fit.se;
    r.tratios = t.fit.tstat;
    r.n = t.fit.n;
    r.k = t.fit.k;
    r.df = t.fit.n - t.fit.k;
    r.sse = t.fit.sse;
    r.pvalues = t.ratio_pvalue;
    m.partials = t.partial;
    add_adf_statistic(m, t);
    return m;
}

ModelResult phillips_perron_result(const PhillipsPerronTest& t) {
    ModelResult m;
    m.add_statistic(judged("Z-ALPHA", t.fit.z_alpha, false, 0));
    m.add_statistic(judged("Z-TAU", t.fit.z_tau, true, t.pvalue));
    set_test_scalars(m, t.fit.z_tau, t.pvalue, t.critical[1], t.fit.bandwidth, t.fit.n);
    m.set_scalar(R_VAL2, t.fit.z_alpha);
    return m;
}

ModelResult kpss_result(const KpssTest& t) {
    ModelResult m;
    m.add_statistic(judged("KPSS ETA", t.fit.eta, true, t.pvalue));
    set_test_scalars(m, t.fit.eta, t.pvalue, t.critical[1], t.fit.bandwidth, t.fit.n);
    return m;
}

ModelResult johansen_result(const JohansenFit& fit, JohansenTerms terms) {
    ModelResult m;
    const auto hypothesis = [](int r) { return (r == 0 ? "R = " : "R <= ") + std::to_string(r); };
    for (int r = 0; r < fit.m; ++r)
        m.add_statistic(judged("TRACE " + hypothesis(r), fit.trace[std::size_t(r)], false, 0));
    for (int r = 0; r < fit.m; ++r)
        m.add_statistic(
            judged("MAXIMUM EIGENVALUE " + hypothesis(r), fit.max_eigen[std::size_t(r)], false, 0));
    m.record.coef.assign(fit.vectors.begin(), fit.vectors.begin() + fit.p);
    const bool covered = johansen_table_covers(terms, fit.m);
    m.set_scalar(R_VAL, fit.trace[0]);
    m.set_scalar(R_VAL2, fit.max_eigen[0]);
    m.set_scalar(R_CRIT, covered ? johansen_critical_values(terms, fit.m, true)[1] : Real(0));
    m.set_scalar(R_VAL1, fit.lags);
    m.set_scalar(R_N, fit.n);
    return m;
}

} // namespace tarvex
