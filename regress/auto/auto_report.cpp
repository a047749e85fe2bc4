// Writing AUTO's estimate.
#include "regress/auto/auto_report.hpp"

#include "core/run.hpp"
#include "numeric/fitted_fields.hpp"
#include "numeric/fortran_format.hpp"
#include "numeric/qmath.hpp"
#include "numeric/text.hpp"
#include "regress/auto/auto_errors.hpp"
#include "regress/fit/coefficient_table.hpp"
#include "regress/fit/estimator_front.hpp"
#include "regress/fit/iteration_end.hpp"
#include "regress/fit/message_number.hpp"

#include <type_traits>

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

std::string rho_text(const std::vector<Real>& rho) {
    std::string text = "RHO = " + number_text(rho[0]);
    if (rho.size() == 2) text += ", RHO2 = " + number_text(rho[1]);
    return text;
}

// A part of a table: rows [from, to).
CoefficientTable auto_table_rows(const CoefficientTable& all, std::size_t from, std::size_t to) {
    const auto part = [from, to](const auto& v) {
        return std::decay_t<decltype(v)>(v.begin() + std::ptrdiff_t(from),
                                         v.begin() + std::ptrdiff_t(to));
    };
    CoefficientTable t = all;
    t.names = part(all.names);
    t.coef = part(all.coef);
    t.se = part(all.se);
    t.tstat = part(all.tstat);
    t.pvalue = part(all.pvalue);
    t.partial = part(all.partial);
    return t;
}

} // namespace

std::vector<std::string> rho_names(int order) {
    std::vector<std::string> names = {first_8_padded("RHO")};
    if (order == 2) names.push_back(first_8_padded("RHO2"));
    return names;
}

EstimationFailure auto_failure(const EstimationEquation& eq, const AutoEstimate& e) {
    switch (e.end) {
    case AutoEnd::CONVERGED:
        break;
    case AutoEnd::NONSTATIONARY:
        return {
            " ...ERROR..ESTIMATED " + rho_text(e.rho) +
                (e.order == 1 ? ": |RHO| IS NOT BELOW 1" : ": OUTSIDE THE STATIONARITY REGION") +
                " - THE ERRORS ARE NOT STATIONARY",
            ERR_AUTO_NONSTATIONARY};
    case AutoEnd::SINGULAR:
        return {e.bad_column >= 0 && e.bad_column < int(eq.terms.size())
                    ? " ...ERROR..REGRESSOR " +
                          trim_trailing_blanks(eq.terms[std::size_t(e.bad_column)].name) +
                          " IS A LINEAR COMBINATION OF THE OTHERS"
                    : std::string(" ...ERROR..SINGULAR MATRIX IN THE AUTOCORRELATION FIT"),
                ERR_AUTO_SINGULAR};
    case AutoEnd::NOT_FINITE:
        return {" ...ERROR..INFINITE OR UNDEFINED VALUE IN THE DATA OF AUTO", ERR_AUTO_NOT_FINITE};
    case AutoEnd::ITERATION_LIMIT:
        return {" ...ERROR..NO CONVERGENCE AFTER" + fmt_I_fitted(e.iterations, 5) +
                    " ITERATIONS (LAST " + rho_text(e.rho) + "): RAISE MAXIT",
                ERR_AUTO_NO_CONVERGENCE};
    }
    return {};
}

void report_auto_heading(Run& run, const EstimationEquation& eq, const AutoEstimate& e,
                         const AutoOptions& o, AutoMethod method) {
    if (!run.flags.OPUT) return;
    write_line(run, " REGRESSION WITH AR(" + std::to_string(e.order) +
                        ") ERRORS: " + method_text(method));
    write_line(run, fmt_I_fitted(e.result.record.n, 9) + " OBSERVATIONS" + fmt_X(5) +
                        "DEPENDENT VARIABLE= " + eq.dep_name);
    if (o.PITER)
        for (std::size_t it = 0; it < e.history.size(); ++it)
            write_iteration(run, int(it + 1), method == AutoMethod::ML ? "LOG-LIKELIHOOD" : "SSE",
                            e.history_value[it], rho_names(e.order), e.history[it]);
}

void report_auto(Run& run, const AutoEstimate& e, const AutoOptions& o, AutoMethod method) {
    if (!run.flags.OPUT) return;
    const EstimationResults& r = e.result.record;
    const std::size_t all = r.coef.size(), k = all - e.rho.size();
    CoefficientTable table = coefficient_table(e.result);
    table.wide = o.WIDE;
    write_line(run, " CONVERGENCE REACHED AFTER" + fmt_I_fitted(e.iterations, 5) + " ITERATIONS");
    write_line(run, " ");
    CoefficientTable rt = auto_table_rows(table, k, all);
    rt.asymptotic = true;
    rt.label = " AUTOCORRELATION OF THE ERRORS";
    write_coefficient_table(run, rt);
    write_line(run, " ");
    write_line(run, " R-SQUARE OF THE ONE-STEP PREDICTIONS =" + fmt_F_fitted(r.rsqr, 9, 4));
    write_line(run, " VARIANCE OF THE ESTIMATE-SIGMA**2 =" + fmt_G(e.sigma2, 13, 5));
    write_line(run, " STANDARD ERROR OF THE ESTIMATE-SIGMA =" + fmt_G(r.sigma, 13, 5));
    write_line(run, " SUM OF SQUARED ERRORS-SSE=" + fmt_G(r.sse, 13, 5));
    write_line(run, std::string(method == AutoMethod::CORC
                                    ? " LOG OF THE CONDITIONAL LIKELIHOOD FUNCTION ="
                                    : " LOG OF THE LIKELIHOOD FUNCTION =") +
                        fmt_G(r.llf, 13, 6));
    write_line(run, " DURBIN-WATSON OF THE TRANSFORMED RESIDUALS =" + fmt_F_fitted(e.dw, 10, 5));
    if (method == AutoMethod::CORC)
        write_line(run, " THE FIRST" + fmt_I_fitted(e.order, 2) +
                            " OBSERVATION(S) ARE DROPPED BY THE TRANSFORMATION");
    write_line(run, " ");
    const CoefficientTable t = auto_table_rows(table, 0, k);
    write_coefficient_table(run, t);
    // The printed matrices are the regression's, as the table above.
    std::vector<Real> cov(k * k);
    for (std::size_t a = 0; a < k; ++a)
        for (std::size_t b = 0; b < k; ++b) cov[a * k + b] = r.cov[a * all + b];
    write_coefficient_matrices(run, t.names, cov, o.PCOV, o.PCOR, o.WIDE);
}

} // namespace tarvex
