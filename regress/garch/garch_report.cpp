// Writing what a GARCH estimation finds.
#include "regress/garch/garch_report.hpp"

#include "core/run.hpp"
#include "numeric/fitted_fields.hpp"
#include "numeric/fortran_format.hpp"
#include "numeric/text.hpp"
#include "regress/fit/coefficient_table.hpp"
#include "regress/fit/forecast_table.hpp"
#include "regress/fit/iteration_end.hpp"
#include "regress/garch/garch_errors.hpp"

namespace tarvex {

std::string garch_model_label(const GarchOrders& s) {
    const std::string label =
        s.garch > 0 ? "GARCH(" + std::to_string(s.garch) + "," + std::to_string(s.arch) + ")"
                    : "ARCH(" + std::to_string(s.arch) + ")";
    return label;
}

std::vector<std::string> garch_parameter_names(const GarchOrders& s) {
    std::vector<std::string> names;
    auto add = [&](const char* stem, int count) {
        for (int i = 1; i <= count; ++i) names.push_back(first_8_padded(stem + std::to_string(i)));
    };
    add("AR", s.ar);
    if (s.constant) names.push_back(first_8_padded("CONSTANT"));
    names.push_back(first_8_padded("OMEGA"));
    add("ALPHA", s.arch);
    add("BETA", s.garch);
    if (s.student) names.push_back(first_8_padded("DF"));
    return names;
}

void report_garch(Run& run, const EstimationEquation& series, const GarchOrders& orders,
                  const GarchEstimate& e, const GarchReportOptions& o) {
    const bool put = run.flags.OPUT;
    const EstimationResults& r = e.result.record;
    if (put) {
        write_line(run, " " + garch_model_label(orders) + " MODEL BY MAXIMUM LIKELIHOOD, " +
                            (orders.student ? "STUDENT T ERRORS" : "NORMAL ERRORS") +
                            (orders.ar > 0 ? ", AR(" + std::to_string(orders.ar) + ") MEAN" : ""));
        write_line(run, fmt_I_fitted(r.n, 9) + " OBSERVATIONS" + fmt_X(5) +
                            "DEPENDENT VARIABLE= " + series.dep_name + fmt_X(3) +
                            "PRESAMPLE VARIANCE =" + fmt_G(e.h0, 15, 8));
        if (o.PITER)
            for (const MaximizeIteration& it : e.history)
                write_iteration(run, it.iteration, "LOG-LIKELIHOOD", it.llf, r.names,
                                it.parameters);
    }
    report_iteration_end(run, iteration_end_of(e.end), e.iterations, "LOG-LIKELIHOOD",
                         ERR_GARCH_NO_CONVERGENCE, ERR_GARCH_STUCK);
    if (!put) return;
    write_line(run, " ");
    write_line(run, " LOG OF THE LIKELIHOOD FUNCTION =" + fmt_G(r.llf, 15, 8) +
                        "   SUM OF SQUARED RESIDUALS =" + fmt_G(r.sse, 15, 8));
    write_line(run, " AKAIKE INFORMATION CRITERION   =" + fmt_G(e.aic, 15, 8) +
                        "   SCHWARZ (BAYESIAN) CRITERION =" + fmt_G(e.bic, 15, 8));
    write_line(run,
               " VARIANCE PERSISTENCE (SUM OF ALPHAS AND BETAS) =" + fmt_G(e.persistence, 15, 8));
    write_line(run,
               " UNCONDITIONAL VARIANCE                         =" + fmt_G(e.unconditional, 15, 8));
    write_line(run, " ");
    CoefficientTable t = coefficient_table(e.result);
    t.names = r.names;
    t.wide = o.WIDE;
    t.label = o.robust ? " STANDARD ERRORS ROBUST (QUASI-MAXIMUM LIKELIHOOD SANDWICH)"
                       : " STANDARD ERRORS FROM THE HESSIAN";
    write_coefficient_table(run, t);
    write_line(run, " ");
    write_line(run, std::string(o.robust ? " STANDARD ERRORS FROM THE HESSIAN:"
                                         : " ROBUST (SANDWICH) STANDARD ERRORS:"));
    std::string line;
    for (std::size_t i = 0; i < r.names.size(); ++i) {
        line += " " + r.names[i] + fmt_G(e.other_stderrs[i], 15, 8);
        if (i % 4 == 3 || i + 1 == r.names.size()) {
            write_line(run, line);
            line.clear();
        }
    }
    write_coefficient_matrices(run, r.names, r.cov, o.PCOV, o.PCOR, o.WIDE);
    if (e.forecast.empty()) return;
    write_line(run, " ");
    write_line(run, " FORECASTS OF " + trim_trailing_blanks(series.dep_name) +
                        " AFTER OBSERVATION" + fmt_I_fitted(series.end, 7));
    write_forecast_table(run, series.end + 1,
                         {{"FORECAST", &e.forecast},
                          {"STD. ERROR", &e.forecast_se},
                          {"VARIANCE", &e.forecast_variance}});
}

} // namespace tarvex
