// Writing and storing AUTO's estimate.
#include "regress/auto/auto_report.hpp"

#include "core/error_report.hpp"
#include "core/run.hpp"
#include "numeric/fortran_format.hpp"
#include "numeric/text.hpp"
#include "regress/auto/auto_errors.hpp"
#include "regress/fit/coefficient_table.hpp"
#include "regress/fit/forecast_parts.hpp"
#include "regress/fit/iteration_end.hpp"
#include "regress/fit/message_number.hpp"
#include "regress/fit/output_variables.hpp"
#include "regress/fit/term_names.hpp"

namespace tarvex {

namespace {

const char* method_text(AutoMethod m) {
    switch (m) {
    case AutoMethod::CORC:
        return "COCHRANE-ORCUTT ITERATION";
    case AutoMethod::PW:
        return "PRAIS-WINSTEN ITERATION";
    case AutoMethod::ML:
        break;
    }
    return "EXACT MAXIMUM LIKELIHOOD";
}

std::vector<std::string> rho_names(int order) {
    std::vector<std::string> names = {first_8_padded("RHO")};
    if (order == 2) names.push_back(first_8_padded("RHO2"));
    return names;
}

std::string rho_text(const std::vector<Real>& rho) {
    std::string text = "RHO = " + number_text(rho[0]);
    if (rho.size() == 2) text += ", RHO2 = " + number_text(rho[1]);
    return text;
}

// The failures: each its message and number; false when there is nothing to report.
bool report_failure(Run& run, const AutoEquation& eq, const AutoEstimate& e) {
    switch (e.end) {
    case AutoEnd::CONVERGED:
        return true;
    case AutoEnd::NONSTATIONARY:
        report_error(
            run,
            " ...ERROR..ESTIMATED " + rho_text(e.rho) +
                (e.order == 1 ? ": |RHO| IS NOT BELOW 1" : ": OUTSIDE THE STATIONARITY REGION") +
                " - THE ERRORS ARE NOT STATIONARY",
            ERR_AUTO_NONSTATIONARY);
        break;
    case AutoEnd::SINGULAR:
        report_error(run,
                     e.bad_column >= 0 && e.bad_column < int(eq.terms.size())
                         ? " ...ERROR..REGRESSOR " +
                               trim_trailing_blanks(eq.terms[std::size_t(e.bad_column)].name) +
                               " IS A LINEAR COMBINATION OF THE OTHERS"
                         : std::string(" ...ERROR..SINGULAR MATRIX IN THE AUTOCORRELATION FIT"),
                     ERR_AUTO_SINGULAR);
        break;
    case AutoEnd::NOT_FINITE:
        report_error(run, " ...ERROR..INFINITE OR UNDEFINED VALUE IN THE DATA OF AUTO",
                     ERR_AUTO_NOT_FINITE);
        break;
    case AutoEnd::ITERATION_LIMIT:
        report_error(run,
                     " ...ERROR..NO CONVERGENCE AFTER" + fmt_I(e.iterations, 5) +
                         " ITERATIONS (LAST " + rho_text(e.rho) + "): RAISE MAXIT",
                     ERR_AUTO_NO_CONVERGENCE);
        break;
    }
    run.last_estimation = EstimationResults{};
    return false;
}

void store(Run& run, const AutoEquation& eq, const AutoEstimate& e, const AutoOptions& o,
           const std::vector<Real>& tstat) {
    EstimationResults& r =
        new_estimation_record(run, "AUTO", eq.dep_ref, eq.dep_lag, eq.dep_name, eq.terms);
    r.coef = e.coef;
    r.cov = e.cov;
    r.stderrs = e.se;
    r.tratios = tstat;
    auto errors = std::make_shared<AutocorrelationPart>();
    errors->rho = e.rho;
    r.model = std::move(errors);
    r.obs = eq.obs;
    r.predicted = e.predicted;
    r.residuals = e.structural; // FCAST's lagged residuals are those of the regression
    r.n = e.n;
    r.k = e.k;
    r.beg = eq.beg;
    r.end = eq.end;
    r.df = e.rows_used - e.k;
    r.sse = e.sse;
    r.sigma = qm::sqrt(e.sigma2);
    r.rsqr = e.r2;
    r.intercept = !eq.terms.empty() && eq.terms.back().kind == TermKind::INTERCEPT;
    ResultScalars& res = run.res;
    res[R_LLF] = e.llf;
    res[R_N] = e.n;
    res[R_K] = e.k;
    res[R_DF] = e.rows_used - e.k;
    res[R_SSE] = e.sse;
    res[R_SIG2] = e.sigma2;
    res[R_R2] = e.r2;
    res[R_DW] = e.dw;
    res[R_RHO] = e.rho[0];
    if (!store_by_observation(run, o.PREDICT, eq.end, eq.obs, e.predicted)) return;
    if (!store_by_observation(run, o.RESID, eq.end, eq.obs, e.innovations)) return;
    store_coefficient_outputs(run, o.COEF, o.STDERR, o.TRATIO, o.COVARIAN, e.coef, e.se, tstat,
                              e.cov);
}

} // namespace

void report_auto(Run& run, const AutoEquation& eq, const AutoEstimate& e, const AutoOptions& o,
                 AutoMethod method) {
    const bool put = run.flags.OPUT;
    const std::vector<std::string> rnames = rho_names(e.order);
    if (put) {
        write_line(run, " REGRESSION WITH AR(" + std::to_string(e.order) +
                            ") ERRORS: " + method_text(method));
        write_line(run, fmt_I(e.n, 9) + " OBSERVATIONS" + fmt_X(5) +
                            "DEPENDENT VARIABLE= " + eq.dep_name);
        if (o.PITER)
            for (std::size_t it = 0; it < e.history.size(); ++it)
                write_iteration(run, int(it + 1),
                                method == AutoMethod::ML ? "LOG-LIKELIHOOD" : "SSE",
                                e.history_value[it], rnames, e.history[it]);
    }
    if (!report_failure(run, eq, e)) return;
    const bool ml = method == AutoMethod::ML;
    const Real df = Real(e.rows_used - e.k);
    std::vector<Real> rho_t(e.rho.size());
    for (std::size_t i = 0; i < e.rho.size(); ++i)
        rho_t[i] = e.rho_se[i] > 0 ? e.rho[i] / e.rho_se[i] : Real(0);
    std::vector<Real> tstat(e.coef.size());
    for (std::size_t j = 0; j < e.coef.size(); ++j)
        tstat[j] = e.se[j] > 0 ? e.coef[j] / e.se[j] : Real(0);
    if (put) {
        write_line(run, " CONVERGENCE REACHED AFTER" + fmt_I(e.iterations, 5) + " ITERATIONS");
        write_line(run, " ");
        CoefficientTable rt;
        rt.names = rnames;
        rt.coef = e.rho;
        rt.se = e.rho_se;
        rt.tstat = rho_t;
        rt.df = df;
        rt.asymptotic = true;
        rt.wide = o.WIDE;
        rt.label = " AUTOCORRELATION OF THE ERRORS";
        write_coefficient_table(run, rt);
        write_line(run, " ");
        write_line(run, " R-SQUARE OF THE ONE-STEP PREDICTIONS =" + fmt_F(e.r2, 9, 4));
        write_line(run, " VARIANCE OF THE ESTIMATE-SIGMA**2 =" + fmt_G(e.sigma2, 13, 5));
        write_line(run,
                   " STANDARD ERROR OF THE ESTIMATE-SIGMA =" + fmt_G(qm::sqrt(e.sigma2), 13, 5));
        write_line(run, " SUM OF SQUARED ERRORS-SSE=" + fmt_G(e.sse, 13, 5));
        write_line(run, std::string(method == AutoMethod::CORC
                                        ? " LOG OF THE CONDITIONAL LIKELIHOOD FUNCTION ="
                                        : " LOG OF THE LIKELIHOOD FUNCTION =") +
                            fmt_G(e.llf, 13, 6));
        write_line(run, " DURBIN-WATSON OF THE TRANSFORMED RESIDUALS =" + fmt_F(e.dw, 10, 5));
        if (method == AutoMethod::CORC)
            write_line(run, " THE FIRST" + fmt_I(e.order, 2) +
                                " OBSERVATION(S) ARE DROPPED BY THE TRANSFORMATION");
        write_line(run, " ");
        CoefficientTable t;
        t.names.clear();
        for (const OlsTerm& term : eq.terms) t.names.push_back(term.name);
        t.coef = e.coef;
        t.se = e.se;
        t.tstat = tstat;
        t.df = df;
        t.asymptotic = ml;
        t.wide = o.WIDE;
        write_coefficient_table(run, t);
        std::vector<std::string> names = t.names;
        write_coefficient_matrices(run, names, e.cov, o.PCOV, o.PCOR, o.WIDE);
    }
    store(run, eq, e, o, tstat);
}

} // namespace tarvex
