// OLSOUT: the regression report of a finished estimate, in its fixed order (the notes the
// estimation met, its diagnostics, the warnings, summary block, model selection criteria,
// analysis-of-variance tables, coefficient table, coefficient matrices), the result scalars of
// the report's group, the named output variables, and then the residual output. It changes
// nothing of the estimate.
#include "regress/ols/ols_report.hpp"

#include "core/error_report.hpp"
#include "core/run.hpp"
#include "numeric/fortran_format.hpp"
#include "numeric/qmath.hpp"
#include "numeric/text.hpp"
#include "regress/fit/coefficient_table.hpp"
#include "regress/fit/ls_bridge.hpp"
#include "regress/fit/ols_fit.hpp"
#include "regress/ols/ols_estimation.hpp"
#include "regress/ols/ols_gnuplot.hpp"
#include "regress/ols/ols_influence.hpp"
#include "regress/ols/ols_residual_stats.hpp"
#include "regress/ols/recursive_residuals.hpp"
#include "regress/test/test_lag_sums.hpp"

#include <algorithm>
#include <array>

namespace tarvex {

namespace {

// a / b, or 0 when b is 0 (a mean square of no degrees of freedom).
Real ratio_or_zero(Real a, Real b) {
    return b != 0 ? a / b : Real(0);
}

void write_summary(Run& run, const OlsFit& fit, const OlsSummary& s) {
    write_line(run, " ");
    const std::string label = run.sw[OHTM] ? std::string(" <A HREF=/runtarvex/RSQR.HTM") +
                                                 " target=_blank>" + " R-SQUARE</A> ="
                                           : "  R-SQUARE =";
    write_line(run,
               label + fmt_F(s.r2, 9, 4) + fmt_X(5) + "R-SQUARE ADJUSTED =" + fmt_F(s.adr2, 9, 4));
    write_line(run, " VARIANCE OF THE ESTIMATE-SIGMA**2 =" + fmt_G(s.sigma2, 13, 5));
    write_line(run, " STANDARD ERROR OF THE ESTIMATE-SIGMA =" +
                        fmt_G(qm::sqrt(qm::abs(s.sigma2)), 13, 5));
    write_line(run, " SUM OF SQUARED ERRORS-SSE=" + fmt_G(fit.sse, 13, 5));
    write_line(run, " MEAN OF DEPENDENT VARIABLE =" + fmt_G(fit.ymean, 13, 5));
    if (s.llf_available) {
        if (fit.log_dependent)
            write_line(run, " LOG OF THE LIKELIHOOD FUNCTION(IF DEPVAR LOG) =" +
                                fmt_G(s.llf_log, 13, 6));
        write_line(run, " LOG OF THE LIKELIHOOD FUNCTION =" + fmt_G(s.llf, 13, 6));
    }
    if (!fit.has_intercept) write_line(run, " RAW MOMENT R-SQUARE =" + fmt_F(s.raw, 9, 4));
}

void write_criteria(Run& run, const OlsSummary& s) {
    struct Row {
        std::string label;
        Real value;
    };
    const std::array<Row, 9> rows = {{
        {"  AKAIKE (1969) FINAL PREDICTION ERROR - FPE =", s.fpe},
        {"  AKAIKE (1973) INFORMATION CRITERION - LOG AIC =", s.laic},
        {"  SCHWARZ (1978) CRITERION - LOG SC =", s.lsc},
        {"     GENERALIZED CROSS VALIDATION - GCV =", s.gcv},
        {"  HANNAN AND QUINN (1979) CRITERION =", s.hq},
        {"  RICE (1984) CRITERION =", s.rice},
        {"  SHIBATA (1981) CRITERION =", s.shib},
        {"  SCHWARZ (1978) CRITERION - SC =", s.sc},
        {"  AKAIKE (1974) INFORMATION CRITERION - AIC =", s.aic},
    }};
    std::size_t width = 0;
    for (const Row& r : rows) width = std::max(width, r.label.size());
    auto line = [&](const Row& r) {
        write_line(run, r.label + fmt_X(int(width - r.label.size())) + fmt_G(r.value, 13, 5));
    };
    write_line(run, " ");
    write_line(run, " MODEL SELECTION TESTS");
    line(rows[0]);
    write_line(run, fmt_X(5) + "(FPE IS ALSO KNOWN AS AMEMIYA PREDICTION CRITERION - PC)");
    line(rows[1]);
    line(rows[2]);
    write_line(run, " MODEL SELECTION TESTS");
    write_line(run, "  CRAVEN-WAHBA (1979)");
    for (std::size_t r = 3; r < rows.size(); ++r) line(rows[r]);
}

void write_anova_table(Run& run, const std::string& title, Real ss_reg, Real df_reg, Real ss_err,
                       Real df_err, Real sigma2, Real ss_tot, Real df_tot, Real f, Real p) {
    write_line(run, " ");
    write_line(run, fmt_X(22) + title);
    write_line(run, fmt_X(23) + "SS" + fmt_X(9) + "DF" + fmt_X(13) + "MS" + fmt_X(17) + "F");
    write_line(run, " REGRESSION" + fmt_G(ss_reg, 18, 5) + fmt_F(df_reg, 8, 0) +
                        fmt_G(ratio_or_zero(ss_reg, df_reg), 18, 5) + fmt_F(f, 18, 3));
    write_line(run, " ERROR      " + fmt_G(ss_err, 17, 5) + fmt_F(df_err, 8, 0) +
                        fmt_G(sigma2, 18, 5) + fmt_X(11) + "P-VALUE");
    write_line(run, " TOTAL" + fmt_G(ss_tot, 23, 5) + fmt_F(df_tot, 8, 0) +
                        fmt_G(ratio_or_zero(ss_tot, df_tot), 18, 5) + fmt_F(p, 18, 3));
}

void write_coefficients(Run& run, const OlsFit& fit, const OlsOptions& o) {
    CoefficientTable table;
    table.coef = fit.coef;
    table.se = fit.se;
    table.tstat = fit.tstat;
    table.df = fit.df;
    table.wide = o.WIDE;
    for (int j = 0; j < fit.k; ++j) {
        const Real b = fit.coef[j];
        table.names.push_back(fit.terms[j].name);
        Real standardised = ratio_or_zero(b * fit.xsd[j], fit.ysd);
        if (standardised == 0) standardised = 0; // no "-0.0000" for the intercept
        Real elasticity = ratio_or_zero(b * fit.xmean[j], fit.ymean);
        if (fit.terms[j].kind == TermKind::VARIABLE) {
            if (o.LOGLOG)
                elasticity = b;
            else if (o.LOGLIN)
                elasticity = b * fit.xmean[j];
            else if (o.LINLOG)
                elasticity = ratio_or_zero(b, fit.ymean);
        }
        table.standardised.push_back(standardised);
        table.elasticity.push_back(elasticity);
    }
    write_coefficient_table(run, table);
}

std::vector<std::string> term_names(const OlsFit& fit) {
    std::vector<std::string> names;
    for (const OlsTerm& t : fit.terms) names.push_back(t.name);
    return names;
}

void store_scalars(Run& run, const OlsFit& fit, const OlsSummary& s, const ResidualStats& r) {
    ResultScalars& res = run.res;
    res[R_R2] = s.r2;
    res[R_K] = fit.k;
    res[R_SIG2] = s.sigma2;
    res[R_LLF] = s.llf;
    res[R_RAW] = s.raw;
    res[R_SST] = fit.sst;
    res[R_SSR] = s.ssr;
    res[R_SSE] = fit.sse;
    res[R_DF] = fit.df;
    res[R_ANF] = s.anf;
    res[R_ZSST] = s.zsst;
    res[R_ZSSR] = s.zssr;
    res[R_ZDF] = s.zdf;
    res[R_ZANF] = s.zanf;
    res[R_N] = fit.nobs;
    res[R_R2OP] = r.r2op;
    res[R_RHO] = r.rho;
    res[R_JB] = r.jb;
    res[R_ADR2] = s.adr2;
    res[R_FPE] = s.fpe;
    res[R_LAIC] = s.laic;
    res[R_LSC] = s.lsc;
    res[R_GCV] = s.gcv;
    res[R_HQ] = s.hq;
    res[R_RICE] = s.rice;
    res[R_SHIB] = s.shib;
    res[R_SC] = s.sc;
    res[R_AIC] = s.aic;
}

} // namespace

void OLSOUT(Run& run, const OlsEstimate& e, const OlsOptions& o) {
    const bool put = run.flags.OPUT;
    const OlsFit& fit = e.fit;
    const OlsSummary& s = e.summary;
    const ResidualStats& r = e.residuals;
    // What the solution and the restrictions left for the result scalars.
    if (e.exact_dw.ends_command) report_error(run, "");
    if (e.exact_dw.done) run.res[R_DW] = e.exact_dw.dw;
    if (e.exact_dw.has_pvalue) run.res[R_CDF] = e.exact_dw.pvalue;
    if (e.exact_dw.has_critical) run.res[R_CRIT] = e.exact_dw.critical;
    if (e.restricted) run.res[R_PVAL] = e.restriction_pvalue;
    // 1. What the estimation met, then the diagnostics of the estimation, then the warnings.
    write_notes_through(run, e.notes, NotePlace::COVARIANCE);
    if (put) {
        write_auxiliary_rsquares(run, e.auxiliary);
        if (e.has_influence) write_influence(run, fit, e.influence, o.DFBETAS);
        if (e.has_recursive) write_recursive_estimation(run, fit, e.recursive_first, e.recursive);
    }
    write_notes(run, e.notes, NotePlace::SUMMARY);
    if (put) {
        write_summary(run, fit, s);
        if (o.ANOVA && fit.sse > 0) write_criteria(run, s);
        if (o.ANOVA) {
            write_anova_table(run, "ANALYSIS OF VARIANCE - FROM MEAN", s.ssr, fit.k - 1, fit.sse,
                              fit.df, s.sigma2, fit.sst, fit.nobs - 1, s.anf, s.anova_p);
            write_anova_table(run, "ANALYSIS OF VARIANCE - FROM ZERO", s.zssr, fit.k, fit.sse,
                              fit.df, s.sigma2, fit.raw, fit.nobs, s.zanf, s.zanova_p);
        }
        write_line(run, " ");
        write_coefficients(run, fit, o);
        write_coefficient_matrices(run, term_names(fit), fit.cov, o.PCOV, o.PCOR, o.WIDE);
        if (o.DLAG) write_lag_sum_tests(run, fit, o.DN);
    }
    store_scalars(run, fit, s, r);
    store_last_estimation(run, fit, o, s.r2);
    store_ols_variables(run, fit, o);
    if (put && (o.RSTAT || o.LIST)) OLSRES(run, fit, o, r);
    if (o.GNUPLOT) write_residual_plot(run, fit, o);
    if (r.durh_available && fit.lagged_dependent >= 0) run.res[R_DURH] = r.durh;
    if (o.RSTAT) run.res[R_DW] = r.dw;
}

} // namespace tarvex
