// Writing and storing the estimates of POOL.
#include "regress/pool/pool_report.hpp"

#include "core/run.hpp"
#include "numeric/fortran_format.hpp"
#include "numeric/qmath.hpp"
#include "numeric/text.hpp"
#include "regress/fit/coefficient_table.hpp"
#include "regress/fit/forecast_parts.hpp"
#include "regress/fit/output_variables.hpp"
#include "regress/fit/term_names.hpp"

namespace tarvex {

namespace {

const char* model_title(PoolModel m) {
    switch (m) {
    case PoolModel::FIXED:
        return "FIXED EFFECTS (WITHIN ESTIMATOR)";
    case PoolModel::RANDOM:
        return "RANDOM EFFECTS (SWAMY-ARORA)";
    default:
        return "POOLED LEAST SQUARES";
    }
}

std::vector<std::string> term_names(const std::vector<OlsTerm>& terms) {
    std::vector<std::string> names;
    for (const OlsTerm& t : terms) names.push_back(t.name);
    return names;
}

void write_heading(Run& run, const PoolEquation& eq, const PanelGroups& g, const PoolEstimate& e,
                   const PoolOptions& o) {
    write_line(run, " POOLED CROSS-SECTION TIME-SERIES REGRESSION: " +
                        std::string(model_title(e.model)));
    write_line(run,
               fmt_I(e.n, 9) + " OBSERVATIONS" + fmt_X(5) + "DEPENDENT VARIABLE= " + eq.dep_name);
    write_line(run, fmt_I(e.groups, 9) + " CROSS-SECTIONS  OBSERVATIONS EACH: MIN=" +
                        fmt_I(g.shortest, 8) + " MAX=" + fmt_I(g.longest, 8) +
                        (g.balanced() ? "  (BALANCED)" : "  (UNBALANCED)"));
    if (e.model == PoolModel::RANDOM) {
        write_line(run, " VARIANCE OF THE CROSS-SECTION EFFECT =" + fmt_G(e.sigma2_a, 13, 5));
        write_line(run, " VARIANCE OF THE IDIOSYNCRATIC ERROR  =" + fmt_G(e.sigma2_e, 13, 5));
        if (e.theta_min == e.theta_max)
            write_line(run, " THETA =" + fmt_F(e.theta_min, 10, 6));
        else
            write_line(run, " THETA: MIN=" + fmt_F(e.theta_min, 10, 6) +
                                " MAX=" + fmt_F(e.theta_max, 10, 6));
        if (e.sigma2_a_clipped)
            write_line(run, " ...NOTE..THE CROSS-SECTION VARIANCE ESTIMATE WAS NEGATIVE: SET TO 0");
    }
    if (o.CLUSTER)
        write_line(run, std::string(" USING COVARIANCE CLUSTERED BY CROSS-SECTION") +
                            (o.HC1 ? " (HC1: TIMES N/(N-K))" : " (HC0)"));
}

void write_summary(Run& run, const PoolEstimate& e) {
    write_line(run, " ");
    write_line(run, "  R-SQUARE =" + fmt_F(e.r2, 9, 4) + fmt_X(5) +
                        "R-SQUARE ADJUSTED =" + fmt_F(e.adjusted_r2, 9, 4));
    write_line(run, " VARIANCE OF THE ESTIMATE-SIGMA**2 =" + fmt_G(e.fit.sigma2, 13, 5));
    write_line(run,
               " STANDARD ERROR OF THE ESTIMATE-SIGMA =" + fmt_G(qm::sqrt(e.fit.sigma2), 13, 5));
    write_line(run, " SUM OF SQUARED ERRORS-SSE=" + fmt_G(e.fit.sse, 13, 5));
    write_line(run, " MEAN OF DEPENDENT VARIABLE =" + fmt_G(e.ymean, 13, 5));
    if (e.llf_available) write_line(run, " LOG OF THE LIKELIHOOD FUNCTION =" + fmt_G(e.llf, 13, 6));
}

void write_tests(Run& run, const PanelGroups& g, const PoolEstimate& e, bool effects) {
    if (e.model == PoolModel::FIXED && e.f_df1 > 0) {
        write_line(run, " ");
        write_line(run, " F TEST OF EQUAL FIXED EFFECTS: F =" + fmt_F(e.f_effects, 12, 4) +
                            " WITH" + fmt_I(e.f_df1, 8) + " AND" + fmt_I(e.f_df2, 9) +
                            " D.F., P-VALUE=" + fmt_F(e.f_pvalue, 8, 5));
    }
    if (e.model == PoolModel::RANDOM) {
        write_line(run, " ");
        if (e.hausman_done)
            write_line(run, " HAUSMAN TEST OF RANDOM AGAINST FIXED EFFECTS: CHI-SQUARE =" +
                                fmt_F(e.hausman, 12, 4) + " WITH" + fmt_I(e.hausman_df, 4) +
                                " D.F., P-VALUE=" + fmt_F(e.hausman_pvalue, 8, 5));
        else if (e.within_slopes == 0)
            write_line(run, " ...NOTE..NO HAUSMAN TEST: NO REGRESSOR VARIES WITHIN THE "
                            "CROSS-SECTIONS");
        else
            write_line(run, " ...NOTE..NO HAUSMAN TEST: THE DIFFERENCE OF THE COVARIANCE "
                            "MATRICES IS SINGULAR");
    }
    if (effects && e.model == PoolModel::FIXED) {
        write_line(run, " ");
        write_line(run, " CROSS-SECTION  OBSERVATIONS       FIXED EFFECT");
        for (std::size_t c = 0; c < e.effects.size(); ++c)
            write_line(run, fmt_I((long long)c + 1, 14) + fmt_I(g.rows[c], 14) +
                                fmt_G(e.effects[c], 19, 10));
    }
}

void store_estimation(Run& run, const PoolEquation& eq, const PanelGroups& g,
                      const PoolEstimate& e) {
    EstimationResults& s =
        new_estimation_record(run, "POOL", eq.dep_ref, eq.dep_lag, eq.dep_name, eq.terms);
    s.coef = e.fit.coef;
    s.cov = e.fit.cov;
    s.xtx_inv = e.fit.xtx_inv;
    s.stderrs = e.fit.se;
    s.tratios = e.fit.tstat;
    s.obs = eq.obs;
    s.predicted = e.fitted;
    s.residuals = e.resid;
    s.n = e.n;
    s.k = e.k;
    s.beg = eq.beg;
    s.end = eq.end;
    s.df = e.fit.df;
    s.sse = e.fit.sse;
    s.rsqr = e.r2;
    s.sigma = qm::sqrt(e.fit.sigma2);
    s.intercept = e.model != PoolModel::FIXED;
    auto panel = std::make_shared<PanelPart>();
    panel->cross_sections = e.groups;
    panel->fixed = e.model == PoolModel::FIXED;
    panel->effects = e.effects;
    if (panel->fixed) {
        panel->counts = g.rows;
        panel->means = e.xmeans;
    }
    s.model = std::move(panel);
}

} // namespace

void report_pool(Run& run, const PoolEquation& eq, const PanelGroups& groups, const PoolEstimate& e,
                 const PoolOptions& o) {
    if (run.flags.OPUT) {
        write_heading(run, eq, groups, e, o);
        write_summary(run, e);
        write_line(run, " ");
        CoefficientTable t;
        t.names = term_names(eq.terms);
        t.coef = e.fit.coef;
        t.se = e.fit.se;
        t.tstat = e.fit.tstat;
        t.df = e.fit.df;
        t.wide = o.WIDE;
        write_coefficient_table(run, t);
        write_tests(run, groups, e, o.PEFFECTS);
        write_coefficient_matrices(run, t.names, e.fit.cov, o.PCOV, o.PCOR, o.WIDE);
    }
    ResultScalars& res = run.res;
    res[R_N] = e.n;
    res[R_K] = e.k;
    res[R_DF] = e.fit.df;
    res[R_SSE] = e.fit.sse;
    res[R_SIG2] = e.fit.sigma2;
    res[R_R2] = e.r2;
    res[R_ADR2] = e.adjusted_r2;
    if (e.llf_available) res[R_LLF] = e.llf;
    if (e.model == PoolModel::FIXED && e.f_df1 > 0) {
        res[R_F] = e.f_effects;
        res[R_DF1] = e.f_df1;
        res[R_DF2] = e.f_df2;
        res[R_PVAL] = e.f_pvalue;
    }
    if (e.model == PoolModel::RANDOM && e.hausman_done) {
        res[R_CHI] = e.hausman;
        res[R_PVAL] = e.hausman_pvalue;
    }
    store_estimation(run, eq, groups, e);
    if (!store_by_observation(run, o.PREDICT, eq.end, eq.obs, e.fitted)) return;
    if (!store_by_observation(run, o.RESID, eq.end, eq.obs, e.resid)) return;
    if (e.model == PoolModel::FIXED && !store_vector(run, o.EFFECTS, e.effects)) return;
    store_coefficient_outputs(run, o.COEF, o.STDERR, o.TRATIO, o.COVARIAN, e.fit.coef, e.fit.se,
                              e.fit.tstat, e.fit.cov);
}

} // namespace tarvex
