// Writing what ARIMA finds.
#include "regress/arima/arima_report.hpp"

#include "core/error_report.hpp"
#include "core/run.hpp"
#include "numeric/fitted_fields.hpp"
#include "numeric/fortran_format.hpp"
#include "numeric/qmath.hpp"
#include "numeric/text.hpp"
#include "regress/arima/arima_errors.hpp"
#include "regress/fit/coefficient_table.hpp"
#include "regress/fit/forecast_table.hpp"
#include "regress/fit/iteration_end.hpp"

namespace tarvex {

namespace {

// The character plot: -1 .. 1 over 41 columns, 0 in the middle ('|'), the two-standard-error
// band (':') and a bar of X from 0 to the value. A value beyond the edges (infinities too) ends
// at the edge; a value that is not a number (a correlation of data whose squares overflow) has
// no bar and the plot says so.
constexpr int PLOT_HALF = 20;
const std::string NOT_FINITE_MARK = "NOT FINITE";

std::string plot_bar(Real r, Real se) {
    std::string s(2 * PLOT_HALF + 1, ' ');
    auto column = [](Real v) {
        if (qm::isnan(v)) return PLOT_HALF;
        const Real c = qm::round(v * PLOT_HALF);
        return int(c < -PLOT_HALF ? -PLOT_HALF : c > PLOT_HALF ? PLOT_HALF : c) + PLOT_HALF;
    };
    const int band = column(2 * se) - PLOT_HALF;
    if (band > 0) s[PLOT_HALF - band] = s[PLOT_HALF + band] = ':';
    if (qm::isnan(r)) {
        s[PLOT_HALF] = '|';
        s.replace(std::size_t(PLOT_HALF + 2), NOT_FINITE_MARK.size(), NOT_FINITE_MARK);
        return s;
    }
    const int at = column(r);
    for (int c = std::min(at, PLOT_HALF); c <= std::max(at, PLOT_HALF); ++c)
        if (c != PLOT_HALF) s[c] = 'X';
    s[PLOT_HALF] = '|';
    return s;
}

std::string plot_axis() {
    std::string s(2 * PLOT_HALF + 1, ' ');
    const char* labels[] = {"-1", "-.5", "0", ".5", "1"};
    for (int i = 0; i < 5; ++i) {
        const std::string l = labels[i];
        const int centre = i * PLOT_HALF / 2;
        const int from = std::min(2 * PLOT_HALF + 1 - int(l.size()),
                                  std::max(0, centre - int(l.size() - 1) / 2));
        s.replace(std::size_t(from), l.size(), l);
    }
    return s;
}

std::string differencing_text(const ArimaOrder& o) {
    std::string t = "D=" + fmt_I_fitted(o.d, 2);
    if (o.span > 0)
        t += "  SEASONAL D=" + fmt_I_fitted(o.sd, 2) + "  SPAN=" + fmt_I_fitted(o.span, 4);
    return t;
}

void write_correlogram(Run& run, const Correlogram& c) {
    write_line(run, "   LAG   AUTOCORR  STD.ERROR    PARTIAL  STD.ERROR   LJUNG-BOX Q    P-VALUE");
    for (std::size_t k = 0; k < c.ac.size(); ++k)
        write_line(run, fmt_I_fitted(static_cast<long long>(k + 1), 6) +
                            fmt_F_fitted(c.ac[k], 11, 5) + fmt_F_fitted(c.ac_se[k], 11, 5) +
                            fmt_F_fitted(c.pac[k], 11, 5) + fmt_F_fitted(c.pac_se[k], 11, 5) +
                            fmt_G(c.q[k], 14, 7) +
                            (c.q_df[k] > 0 ? fmt_F_fitted(c.q_pvalue[k], 11, 5) : std::string()));
    write_line(run, " ");
    const std::string gap(5, ' ');
    // Each plot starts 15 columns after the end of what precedes it.
    write_line(run, "   LAG" + std::string(9, ' ') + "AUTOCORRELATIONS" + std::string(40, ' ') +
                        "PARTIAL AUTOCORRELATIONS");
    write_line(run, std::string(15, ' ') + plot_axis() + std::string(15, ' ') + plot_axis());
    for (std::size_t k = 0; k < c.ac.size(); ++k)
        write_line(run, fmt_I_fitted(static_cast<long long>(k + 1), 6) +
                            fmt_F_fitted(c.ac[k], 8, 3) + " " + plot_bar(c.ac[k], c.ac_se[k]) +
                            gap + fmt_F_fitted(c.pac[k], 8, 3) + "  " +
                            plot_bar(c.pac[k], c.pac_se[k]));
}

// Each value right-aligned under its heading, a blank before Q whatever its size.
void write_residual_tests(Run& run, const Correlogram& c) {
    if (c.q.empty()) return;
    write_line(run, " LJUNG-BOX TESTS OF THE RESIDUALS");
    write_line(run, "   LAG  AUTOCORR          Q   D.F.    P-VALUE");
    const int last = int(c.q.size());
    for (int k = 1; k <= last; ++k) {
        if (!listed_residual_lag(k, last)) continue;
        write_line(
            run, fmt_I_fitted(k, 6) + fmt_F_fitted(c.ac[k - 1], 10, 5) + " " +
                     fmt_F_fitted(c.q[k - 1], 10, 3) + fmt_I_fitted(c.q_df[k - 1], 7) +
                     (c.q_df[k - 1] > 0 ? fmt_F_fitted(c.q_pvalue[k - 1], 11, 5) : std::string()));
    }
}

void write_forecasts(Run& run, const EstimationEquation& s, const ArimaEstimate& e) {
    if (e.forecast.value.empty()) return;
    write_line(run, " ");
    write_line(run, " FORECASTS OF " + trim_trailing_blanks(s.dep_name) + " AFTER OBSERVATION" +
                        fmt_I_fitted(s.end, 7));
    write_forecast_table(run, s.end + 1,
                         {{"FORECAST", &e.forecast.value},
                          {"STD. ERROR", &e.forecast.se},
                          {"LOWER 95%", &e.forecast_lower},
                          {"UPPER 95%", &e.forecast_upper}});
}

} // namespace

std::string arima_model_label(const ArimaOrder& o) {
    auto three = [](int a, int b, int c) {
        return "(" + std::to_string(a) + "," + std::to_string(b) + "," + std::to_string(c) + ")";
    };
    std::string label = "ARIMA" + three(o.p, o.d, o.q);
    if (o.span > 0) label += three(o.sp, o.sd, o.sq) + std::to_string(o.span);
    return label;
}

std::vector<std::string> arima_parameter_names(const ArimaOrder& o) {
    std::vector<std::string> names;
    auto add = [&](const char* stem, int count) {
        for (int i = 1; i <= count; ++i) names.push_back(first_8_padded(stem + std::to_string(i)));
    };
    add("AR", o.p);
    add("SAR", o.sp);
    add("MA", o.q);
    add("SMA", o.sq);
    // With regressors the mean is the regression's intercept.
    if (o.mean) names.push_back(first_8_padded(o.regressors > 0 ? "CONSTANT" : "MEAN"));
    return names;
}

void report_identification(Run& run, const EstimationEquation& s, const ArimaOrder& order,
                           const std::vector<Real>& w, int lags) {
    if (!run.flags.OPUT) return;
    const Correlogram c = correlogram(w, lags, 0);
    Real mean = 0, var = 0;
    for (Real v : w) mean += v;
    mean /= Real(w.size());
    for (Real v : w) var += (v - mean) * (v - mean);
    var /= Real(w.size());
    write_line(run, " ARIMA IDENTIFICATION OF " + trim_trailing_blanks(s.dep_name) +
                        ": AUTOCORRELATIONS AND PARTIAL AUTOCORRELATIONS");
    write_line(run, fmt_I_fitted(static_cast<long long>(s.obs.size()), 9) + " OBSERVATIONS FROM" +
                        fmt_I_fitted(s.beg, 7) + " TO" + fmt_I_fitted(s.end, 7) +
                        ";  DIFFERENCING " + differencing_text(order));
    write_line(run, fmt_I_fitted(static_cast<long long>(w.size()), 9) +
                        " OBSERVATIONS AFTER DIFFERENCING:  MEAN =" + fmt_G(mean, 14, 7) +
                        "  VARIANCE =" + fmt_G(var, 14, 7));
    write_line(run, " STANDARD ERRORS: BARTLETT'S FOR THE AUTOCORRELATIONS, 1/SQRT(N) FOR THE "
                    "PARTIAL; BAND OF TWO STANDARD ERRORS (:)");
    write_line(run, " ");
    write_correlogram(run, c);
    write_line(run, " ");
}

void report_arima(Run& run, const EstimationEquation& s, const ArimaOrder& order,
                  const ArimaEstimate& e, const ArimaOptions& o) {
    const bool put = run.flags.OPUT;
    const EstimationResults& r = e.result.record;
    const std::vector<std::string>& names = r.names;
    const bool css = o.METHOD == "CSS";
    if (put) {
        write_line(run, std::string(order.regressors > 0 ? " REGRESSION WITH " : " ") +
                            arima_model_label(order) + (order.regressors > 0 ? " ERRORS" : "") +
                            (css ? " BY CONDITIONAL SUM OF SQUARES"
                                 : " BY EXACT MAXIMUM LIKELIHOOD (KALMAN FILTER)"));
        write_line(run, fmt_I_fitted(e.n, 9) + " OBSERVATIONS" + fmt_X(5) + "DEPENDENT VARIABLE= " +
                            s.dep_name + fmt_X(3) + fmt_I_fitted(r.n, 7) + " AFTER DIFFERENCING" +
                            (css ? "," + fmt_I_fitted(e.used, 7) + " RESIDUALS" : std::string()));
        if (o.PITER)
            for (const MaximizeIteration& it : e.history)
                write_iteration(run, it.iteration, "LOG-LIKELIHOOD", it.llf, names, it.parameters);
    }
    report_iteration_end(run, iteration_end_of(e.end), e.iterations, "LOG-LIKELIHOOD",
                         ERR_ARIMA_NO_CONVERGENCE, ERR_ARIMA_STUCK);
    if (!e.invertible)
        report_error(run,
                     " ...WARNING..THE MA ESTIMATES ARE NOT INVERTIBLE (A ROOT OF THE MA "
                     "POLYNOMIAL ON OR INSIDE THE UNIT CIRCLE)",
                     ERR_ARIMA_NONINVERTIBLE, ErrorSeverity::CONTINUES);
    if (put) {
        write_line(run, " ");
        write_line(run, " INNOVATION VARIANCE (SIGMA**2) =" + fmt_G(e.sigma2, 15, 8) +
                            "   SUM OF SQUARES =" + fmt_G(r.sse, 15, 8));
        write_line(run, " LOG OF THE LIKELIHOOD FUNCTION =" + fmt_G(r.llf, 15, 8));
        write_line(run, " AKAIKE INFORMATION CRITERION   =" + fmt_G(e.aic, 15, 8) +
                            "   SCHWARZ (BAYESIAN) CRITERION =" + fmt_G(e.bic, 15, 8));
        write_line(run, " ");
        CoefficientTable t = coefficient_table(e.result);
        t.names = names;
        t.wide = o.WIDE;
        write_coefficient_table(run, t);
        write_coefficient_matrices(run, names, r.cov, o.PCOV, o.PCOR, o.WIDE);
        write_line(run, " ");
        write_residual_tests(run, e.resid_tests);
        write_forecasts(run, s, e);
    }
}

} // namespace tarvex
