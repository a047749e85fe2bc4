// Writing the estimates of POOL.
#include "regress/pool/pool_report.hpp"

#include "core/run.hpp"
#include "numeric/fitted_fields.hpp"
#include "numeric/fortran_format.hpp"
#include "numeric/text.hpp"
#include "regress/fit/coefficient_table.hpp"

#include <vector>

namespace tarvex {

namespace {

const char* model_title(PoolModel m) {
    switch (m) {
    case PoolModel::FIXED:
        return "FIXED EFFECTS (WITHIN ESTIMATOR)";
    case PoolModel::RANDOM:
        return "RANDOM EFFECTS (SWAMY-ARORA)";
    case PoolModel::PERIOD:
        return "PERIOD EFFECTS (WITHIN ESTIMATOR)";
    case PoolModel::TWO_WAY:
        return "TWO-WAY FIXED EFFECTS (WITHIN ESTIMATOR)";
    default:
        return "POOLED LEAST SQUARES";
    }
}

void write_heading(Run& run, const EstimationEquation& eq, const PanelGroups& g,
                   const PoolEstimate& e, const PoolOptions& o) {
    write_line(run, " POOLED CROSS-SECTION TIME-SERIES REGRESSION: " +
                        std::string(model_title(e.model)));
    write_line(run, fmt_I_fitted(e.n, 9) + " OBSERVATIONS" + fmt_X(5) +
                        "DEPENDENT VARIABLE= " + eq.dep_name);
    write_line(run, fmt_I_fitted(e.groups, 9) + " CROSS-SECTIONS  OBSERVATIONS EACH: MIN=" +
                        fmt_I_fitted(g.shortest, 8) + " MAX=" + fmt_I_fitted(g.longest, 8) +
                        (g.balanced() ? "  (BALANCED)" : "  (UNBALANCED)"));
    if (e.model == PoolModel::PERIOD || e.model == PoolModel::TWO_WAY)
        write_line(run, fmt_I_fitted(g.periods, 9) + " PERIODS");
    if (e.model == PoolModel::RANDOM) {
        write_line(run, " VARIANCE OF THE CROSS-SECTION EFFECT =" + fmt_G(e.sigma2_a, 13, 5));
        write_line(run, " VARIANCE OF THE IDIOSYNCRATIC ERROR  =" + fmt_G(e.sigma2_e, 13, 5));
        if (e.theta_min == e.theta_max)
            write_line(run, " THETA =" + fmt_F_fitted(e.theta_min, 10, 6));
        else
            write_line(run, " THETA: MIN=" + fmt_F_fitted(e.theta_min, 10, 6) +
                                " MAX=" + fmt_F_fitted(e.theta_max, 10, 6));
        if (e.sigma2_a_clipped)
            write_line(run, " ...NOTE..THE CROSS-SECTION VARIANCE ESTIMATE WAS NEGATIVE: SET TO 0");
    }
    if (o.CLUSTER)
        write_line(run, std::string(" USING COVARIANCE CLUSTERED BY CROSS-SECTION") +
                            (o.HC1 ? " (HC1: TIMES N/(N-K))" : " (HC0)"));
}

void write_summary(Run& run, const PoolEstimate& e) {
    const EstimationResults& r = e.result.record;
    write_line(run, " ");
    write_line(run, "  R-SQUARE =" + fmt_F_fitted(r.rsqr, 9, 4) + fmt_X(5) +
                        "R-SQUARE ADJUSTED =" + fmt_F_fitted(e.adjusted_r2, 9, 4));
    write_line(run, " VARIANCE OF THE ESTIMATE-SIGMA**2 =" + fmt_G(r.sse / r.df, 13, 5));
    write_line(run, " STANDARD ERROR OF THE ESTIMATE-SIGMA =" + fmt_G(r.sigma, 13, 5));
    write_line(run, " SUM OF SQUARED ERRORS-SSE=" + fmt_G(r.sse, 13, 5));
    write_line(run, " MEAN OF DEPENDENT VARIABLE =" + fmt_G(e.ymean, 13, 5));
    if (r.has_llf) write_line(run, " LOG OF THE LIKELIHOOD FUNCTION =" + fmt_G(r.llf, 13, 6));
}

// The period effects (after the cross-section effects of the two-way model), with the number of
// observations of each period.
void write_period_effects(Run& run, const PanelGroups& g, const PoolEstimate& e) {
    std::vector<int> rows(std::size_t(g.periods), 0);
    for (int p : g.period) ++rows[std::size_t(p)];
    const std::size_t first = e.model == PoolModel::TWO_WAY ? std::size_t(e.groups) : 0;
    if (first > 0) {
        write_line(run, " ");
        write_line(run, " CROSS-SECTION  OBSERVATIONS       FIXED EFFECT");
        for (std::size_t c = 0; c < first; ++c)
            write_line(run, fmt_I_fitted((long long)c + 1, 14) + fmt_I_fitted(g.rows[c], 14) +
                                fmt_G(e.effects[c], 19, 10));
    }
    write_line(run, " ");
    write_line(run, "        PERIOD  OBSERVATIONS      PERIOD EFFECT");
    for (std::size_t p = 0; p < rows.size(); ++p)
        write_line(run, fmt_I_fitted((long long)p + 1, 14) + fmt_I_fitted(rows[p], 14) +
                            fmt_G(e.effects[first + p], 19, 10));
}

void write_tests(Run& run, const PanelGroups& g, const PoolEstimate& e, bool effects) {
    const bool within = e.model == PoolModel::FIXED || e.model == PoolModel::PERIOD ||
                        e.model == PoolModel::TWO_WAY;
    if (within && e.f_df1 > 0) {
        write_line(run, " ");
        write_line(run, " F TEST OF EQUAL FIXED EFFECTS: F =" + fmt_F_fitted(e.f_effects, 12, 4) +
                            " WITH" + fmt_I_fitted(e.f_df1, 8) + " AND" + fmt_I_fitted(e.f_df2, 9) +
                            " D.F., P-VALUE=" + fmt_F_fitted(e.f_pvalue, 8, 5));
    }
    if (e.model == PoolModel::RANDOM) {
        write_line(run, " ");
        if (e.hausman_done)
            write_line(run, " HAUSMAN TEST OF RANDOM AGAINST FIXED EFFECTS: CHI-SQUARE =" +
                                fmt_F_fitted(e.hausman, 12, 4) + " WITH" +
                                fmt_I_fitted(e.hausman_df, 4) +
                                " D.F., P-VALUE=" + fmt_F_fitted(e.hausman_pvalue, 8, 5));
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
            write_line(run, fmt_I_fitted((long long)c + 1, 14) + fmt_I_fitted(g.rows[c], 14) +
                                fmt_G(e.effects[c], 19, 10));
    }
    if (effects && (e.model == PoolModel::PERIOD || e.model == PoolModel::TWO_WAY))
        write_period_effects(run, g, e);
}

} // namespace

void report_pool(Run& run, const EstimationEquation& eq, const PanelGroups& groups,
                 const PoolEstimate& e, const PoolOptions& o) {
    if (!run.flags.OPUT) return;
    write_heading(run, eq, groups, e, o);
    write_summary(run, e);
    write_line(run, " ");
    CoefficientTable t = coefficient_table(e.result);
    t.wide = o.WIDE;
    write_coefficient_table(run, t);
    write_tests(run, groups, e, o.PEFFECTS);
    write_coefficient_matrices(run, t.names, e.result.record.cov, o.PCOV, o.PCOR, o.WIDE);
}

} // namespace tarvex
