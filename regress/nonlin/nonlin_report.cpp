// Writing the estimates of NLINEAR and MLE.
#include "regress/nonlin/nonlin_report.hpp"

#include "core/run.hpp"
#include "core/switches.hpp"
#include "numeric/fitted_fields.hpp"
#include "numeric/fortran_format.hpp"
#include "numeric/text.hpp"
#include "regress/fit/coefficient_table.hpp"
#include "regress/fit/iteration_end.hpp"
#include "regress/nonlin/nonlin_errors.hpp"

namespace tarvex {

namespace {

std::string method_name(const NonlinEstimate& e, const NonlinOptions& o) {
    // METHOD: checked before. NLINEAR's NEWTON is Levenberg-Marquardt; after annealing the
    // local method is Newton's (MLE) or Levenberg-Marquardt (NLINEAR).
    if (o.METHOD == "ANNEAL")
        return e.likelihood ? "ANNEAL, THEN NEWTON" : "ANNEAL, THEN LEVENBERG-MARQUARDT";
    return e.likelihood || o.METHOD != "NEWTON" ? o.METHOD : "LEVENBERG-MARQUARDT";
}

void write_heading(Run& run, const EquationModel& model, const NonlinEstimate& e,
                   const NonlinOptions& o) {
    write_line(run, e.likelihood ? " MAXIMUM LIKELIHOOD ESTIMATION"
                                 : " NONLINEAR LEAST SQUARES ESTIMATION");
    const int n = e.result.record.n;
    if (e.likelihood)
        write_line(run, fmt_I_fitted(n, 9) + " OBSERVATIONS");
    else
        write_line(run, fmt_I_fitted(n, 9) + " OBSERVATIONS" + fmt_X(5) +
                            "DEPENDENT VARIABLE= " + model.dep_name);
    write_line(run, " METHOD: " + method_name(e, o) + "     EQUATION: " + model.text.substr(0, 90));
    if (e.subsample_n > 0)
        write_line(run, std::string(" ...NOTE..STARTING VALUES CARRIED TO THE ") +
                            (e.likelihood ? "MAXIMUM" : "MINIMUM") + " OF A SUBSAMPLE OF" +
                            fmt_I_fitted(e.subsample_n, 7) + " OBSERVATIONS IN" +
                            fmt_I_fitted(e.subsample_iterations, 5) + " ITERATIONS");
    if (e.double_iterations > 0)
        write_line(run, " ...NOTE..THE FIRST" + fmt_I_fitted(e.double_iterations, 4) +
                            " ITERATIONS IN DOUBLE PRECISION, THE REST IN QUADRUPLE");
    if (e.annealed) {
        const char* objective = e.likelihood ? "LOG-LIKELIHOOD" : "SUM OF SQUARES";
        write_line(run, " ANNEALING:" + fmt_I_fitted(e.anneal_evaluations, 8) + " EVALUATIONS," +
                            fmt_I_fitted(e.anneal_temperatures, 4) + " TEMPERATURES, SEED" +
                            fmt_I_fitted(o.SEED, 11));
        write_line(run, std::string(" ANNEALING: ") + objective +
                            " AT THE START =" + fmt_G(e.anneal_start, 16, 9) +
                            ", AT ITS BEST POINT =" + fmt_G(e.anneal_best, 16, 9));
    }
}

void write_history(Run& run, const EquationModel& model, const NonlinEstimate& e) {
    const char* objective = e.likelihood ? "LOG-LIKELIHOOD" : "SUM OF SQUARES";
    for (const NonlinIteration& it : e.history)
        write_iteration(run, it.iteration, objective, it.objective, model.names, it.parameters);
}

void write_summary(Run& run, const NonlinEstimate& e) {
    const EstimationResults& r = e.result.record;
    write_line(run, " ");
    if (!e.likelihood) {
        write_line(run, "  R-SQUARE =" + fmt_F_fitted(r.rsqr, 9, 4) + fmt_X(5) +
                            "R-SQUARE ADJUSTED =" + fmt_F_fitted(e.adjusted_r2, 9, 4));
        write_line(run, " VARIANCE OF THE ESTIMATE-SIGMA**2 =" + fmt_G(e.sigma2, 13, 5));
        write_line(run, " STANDARD ERROR OF THE ESTIMATE-SIGMA =" + fmt_G(r.sigma, 13, 5));
        write_line(run, " SUM OF SQUARED ERRORS-SSE=" + fmt_G(r.sse, 13, 5));
        write_line(run, " MEAN OF DEPENDENT VARIABLE =" + fmt_G(e.ymean, 13, 5));
    }
    write_line(run, " LOG OF THE LIKELIHOOD FUNCTION =" + fmt_G(r.llf, 13, 6));
}

} // namespace

void report_minus_power_note(Run& run, const EquationModel& model, const NonlinEstimate& e) {
    if (!model.uminus_matters || e.end == NonlinEnd::CONVERGED || e.end == NonlinEnd::UNDEFINED)
        return;
    write_line(run, run.sw[OUMIN]
                        ? " ...NOTE..-A**B IN THE EQUATION IS -(A**B) UNDER SET UMINUS; SET "
                          "NOUMINUS MAKES IT (-A)**B"
                        : " ...NOTE..-A**B IN THE EQUATION IS (-A)**B: THE UNARY MINUS BINDS "
                          "FIRST; SET UMINUS MAKES IT -(A**B)");
}

void report_iterations(Run& run, const EquationModel& model, const NonlinEstimate& e,
                       const NonlinOptions& o) {
    if (!run.flags.OPUT) return;
    write_heading(run, model, e, o);
    if (o.PITER) write_history(run, model, e);
}

void report_nonlin(Run& run, const EquationModel& model, const NonlinEstimate& e,
                   const NonlinOptions& o) {
    report_iterations(run, model, e, o);
    report_iteration_end(run, iteration_end_of(e.end), e.iterations,
                         e.likelihood ? "LOG-LIKELIHOOD" : "SUM OF SQUARES", ERR_NL_NO_CONVERGENCE,
                         ERR_NL_STUCK);
    report_minus_power_note(run, model, e);
    if (!run.flags.OPUT) return;
    if (e.at_rounding_floor)
        write_line(run, " ...NOTE..CONVERGED: A SMALLER STEP CANNOT LOWER THE SUM OF SQUARES");
    write_summary(run, e);
    write_line(run, " ");
    CoefficientTable table = coefficient_table(e.result);
    table.wide = o.WIDE;
    write_coefficient_table(run, table);
    write_coefficient_matrices(run, table.names, e.result.record.cov, o.PCOV, o.PCOR, o.WIDE);
}

} // namespace tarvex
