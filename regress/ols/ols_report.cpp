// OLSOUT: the regression report of a finished estimate, in its fixed order (the notes the
// estimation met, its diagnostics, the warnings, summary block, model selection criteria,
// analysis-of-variance tables, coefficient table, coefficient matrices, lag-sum tests), then the
// residual output and plot. It only formats: it changes nothing of the estimate and stores
// nothing.
#include "regress/ols/ols_report.hpp"

#include "core/run.hpp"
#include "numeric/fortran_format.hpp"
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

void write_summary(Run& run, const OlsFit& fit, const OlsSummary& s) {
    write_line(run, " ");
    const std::string label = run.sw[OHTM] ? std::string(" <A HREF=/runtarvex/RSQR.HTM") +
                                                 " target=_blank>" + " R-SQUARE</A> ="
                                           : "  R-SQUARE =";
    write_line(run,
               label + fmt_F(s.r2, 9, 4) + fmt_X(5) + "R-SQUARE ADJUSTED =" + fmt_F(s.adr2, 9, 4));
    write_line(run, " VARIANCE OF THE ESTIMATE-SIGMA**2 =" + fmt_G(s.sigma2, 13, 5));
    write_line(run, " STANDARD ERROR OF THE ESTIMATE-SIGMA =" + fmt_G(s.sigma, 13, 5));
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

// One variance table: sums of squares, degrees of freedom, mean squares, F and its p-value.
struct AnovaRows {
    Real ss_reg, df_reg, ms_reg, ss_err, df_err, sigma2, ss_tot, df_tot, ms_tot, f, p;
};

void write_anova_table(Run& run, const std::string& title, const AnovaRows& a) {
    write_line(run, " ");
    write_line(run, fmt_X(22) + title);
    write_line(run, fmt_X(23) + "SS" + fmt_X(9) + "DF" + fmt_X(13) + "MS" + fmt_X(17) + "F");
    write_line(run, " REGRESSION" + fmt_G(a.ss_reg, 18, 5) + fmt_F(a.df_reg, 8, 0) +
                        fmt_G(a.ms_reg, 18, 5) + fmt_F(a.f, 18, 3));
    write_line(run, " ERROR      " + fmt_G(a.ss_err, 17, 5) + fmt_F(a.df_err, 8, 0) +
                        fmt_G(a.sigma2, 18, 5) + fmt_X(11) + "P-VALUE");
    write_line(run, " TOTAL" + fmt_G(a.ss_tot, 23, 5) + fmt_F(a.df_tot, 8, 0) +
                        fmt_G(a.ms_tot, 18, 5) + fmt_F(a.p, 18, 3));
}

void write_coefficients(Run& run, const OlsEstimate& e, const OlsOptions& o) {
    CoefficientTable table = coefficient_table(e.result);
    table.wide = o.WIDE;
    table.asymptotic = false; // t-ratios with the fit's degrees of freedom, even under DN
    table.df_in_five_columns = true;
    table.standardised = e.standardised;
    table.elasticity = e.elasticity;
    write_coefficient_table(run, table);
}

std::vector<std::string> term_names(const OlsFit& fit) {
    std::vector<std::string> names;
    for (const OlsTerm& t : fit.terms) names.push_back(t.name);
    return names;
}

} // namespace

void OLSOUT(Run& run, const OlsEstimate& e, const OlsOptions& o) {
    const bool put = run.flags.OPUT;
    const OlsFit& fit = e.fit;
    const OlsSummary& s = e.summary;
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
            write_anova_table(run, "ANALYSIS OF VARIANCE - FROM MEAN",
                              {s.ssr, Real(fit.k - 1), s.ms_regression, fit.sse, fit.df, s.sigma2,
                               fit.sst, fit.nobs - 1, s.ms_total, s.anf, s.anova_p});
            write_anova_table(run, "ANALYSIS OF VARIANCE - FROM ZERO",
                              {s.zssr, Real(fit.k), s.zms_regression, fit.sse, fit.df, s.sigma2,
                               fit.raw, fit.nobs, s.zms_total, s.zanf, s.zanova_p});
        }
        write_line(run, " ");
        write_coefficients(run, e, o);
        write_coefficient_matrices(run, term_names(fit), fit.cov, o.PCOV, o.PCOR, o.WIDE);
        if (o.DLAG) write_lag_sum_tests(run, e.lag_sums);
    }
    if (put && (o.RSTAT || o.LIST)) OLSRES(run, fit, o, e.residuals);
    if (o.GNUPLOT) write_residual_plot(run, fit, o);
}

} // namespace tarvex
