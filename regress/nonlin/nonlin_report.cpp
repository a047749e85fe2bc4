// Writing and storing the estimates of NLINEAR and MLE.
#include "regress/nonlin/nonlin_report.hpp"

#include "core/error_report.hpp"
#include "core/run.hpp"
#include "numeric/fortran_format.hpp"
#include "numeric/qmath.hpp"
#include "numeric/text.hpp"
#include "regress/fit/coefficient_table.hpp"
#include "regress/fit/iteration_end.hpp"
#include "regress/fit/output_variables.hpp"
#include "regress/fit/term_names.hpp"
#include "regress/nonlin/nonlin_errors.hpp"

namespace tarvex {

namespace {

std::string method_name(const NonlinEstimate& e, const NonlinOptions& o) {
    if (!e.likelihood) return "LEVENBERG-MARQUARDT";
    if (o.METHOD == "BHHH") return "BHHH";
    if (o.METHOD == "BFGS") return "BFGS";
    if (o.METHOD == "DFP") return "DFP";
    return "NEWTON";
}

void write_heading(Run& run, const EquationModel& model, const NonlinEstimate& e,
                   const NonlinOptions& o) {
    write_line(run, e.likelihood ? " MAXIMUM LIKELIHOOD ESTIMATION"
                                 : " NONLINEAR LEAST SQUARES ESTIMATION");
    if (e.likelihood)
        write_line(run, fmt_I(e.n, 9) + " OBSERVATIONS");
    else
        write_line(run, fmt_I(e.n, 9) + " OBSERVATIONS" + fmt_X(5) +
                            "DEPENDENT VARIABLE= " + model.dep_name);
    write_line(run, " METHOD: " + method_name(e, o) + "     EQUATION: " + model.text.substr(0, 90));
    if (e.subsample_n > 0)
        write_line(run, std::string(" ...NOTE..STARTING VALUES CARRIED TO THE ") +
                            (e.likelihood ? "MAXIMUM" : "MINIMUM") + " OF A SUBSAMPLE OF" +
                            fmt_I(e.subsample_n, 7) + " OBSERVATIONS IN" +
                            fmt_I(e.subsample_iterations, 5) + " ITERATIONS");
}

void write_history(Run& run, const NonlinEstimate& e) {
    const char* objective = e.likelihood ? "LOG-LIKELIHOOD" : "SUM OF SQUARES";
    for (const NonlinIteration& it : e.history)
        write_iteration(run, it.iteration, objective, it.objective, e.names, it.parameters);
}

void write_summary(Run& run, const NonlinEstimate& e) {
    write_line(run, " ");
    if (!e.likelihood) {
        write_line(run, "  R-SQUARE =" + fmt_F(e.r2, 9, 4) + fmt_X(5) +
                            "R-SQUARE ADJUSTED =" + fmt_F(e.adr2, 9, 4));
        write_line(run, " VARIANCE OF THE ESTIMATE-SIGMA**2 =" + fmt_G(e.sigma2, 13, 5));
        write_line(run, " STANDARD ERROR OF THE ESTIMATE-SIGMA =" +
                            fmt_G(qm::sqrt(qm::abs(e.sigma2)), 13, 5));
        write_line(run, " SUM OF SQUARED ERRORS-SSE=" + fmt_G(e.sse, 13, 5));
        write_line(run, " MEAN OF DEPENDENT VARIABLE =" + fmt_G(e.ymean, 13, 5));
    }
    write_line(run, " LOG OF THE LIKELIHOOD FUNCTION =" + fmt_G(e.llf, 13, 6));
}

void store_scalars(Run& run, const NonlinEstimate& e) {
    ResultScalars& res = run.res;
    res[R_LLF] = e.llf;
    res[R_N] = e.n;
    res[R_K] = e.k;
    res[R_DF] = e.df;
    if (e.likelihood) return;
    res[R_SSE] = e.sse;
    res[R_SIG2] = e.sigma2;
    res[R_SST] = e.sst;
    res[R_R2] = e.r2;
    res[R_ADR2] = e.adr2;
}

void store_estimation(Run& run, const EquationModel& model, const NonlinEstimate& e) {
    EstimationResults& s = run.last_estimation;
    s = EstimationResults{};
    s.command = e.likelihood ? "MLE" : "NLINEAR";
    s.dep_ref = model.dep_ref;
    s.dep_name = model.dep_name;
    s.dep_variable = trim_trailing_blanks(model.dep_name);
    s.equation = model.text;
    for (int j = 0; j < e.k; ++j) record_parameter(run, e.names[j], j, s);
    s.coef = e.coef;
    s.cov = e.cov;
    s.stderrs = e.se;
    s.tratios = e.tstat;
    s.obs = e.obs;
    s.predicted = e.fitted;
    s.residuals = e.resid;
    s.n = e.n;
    s.k = e.k;
    s.beg = e.beg;
    s.end = e.end_obs;
    s.sse = e.sse;
    s.sst = e.sst;
    s.rsqr = e.r2;
    s.df = e.df;
    s.sigma = qm::sqrt(qm::abs(e.sigma2));
    s.asymptotic = e.likelihood;
}

} // namespace

void report_iterations(Run& run, const EquationModel& model, const NonlinEstimate& e,
                       const NonlinOptions& o) {
    if (!run.flags.OPUT) return;
    write_heading(run, model, e, o);
    if (o.PITER) write_history(run, e);
}

void report_nonlin(Run& run, const EquationModel& model, const NonlinEstimate& e,
                   const NonlinOptions& o) {
    const bool put = run.flags.OPUT;
    report_iterations(run, model, e, o);
    report_iteration_end(run,
                         e.end == NonlinEnd::ITERATION_LIMIT ? IterationEnd::ITERATION_LIMIT
                         : e.end == NonlinEnd::STUCK         ? IterationEnd::STUCK
                                                             : IterationEnd::CONVERGED,
                         e.iterations, e.likelihood ? "LOG-LIKELIHOOD" : "SUM OF SQUARES",
                         ERR_NL_NO_CONVERGENCE, ERR_NL_STUCK);
    if (put) {
        write_summary(run, e);
        write_line(run, " ");
        CoefficientTable table;
        table.names = e.names;
        table.coef = e.coef;
        table.se = e.se;
        table.tstat = e.tstat;
        table.df = e.df;
        table.asymptotic = e.likelihood;
        table.wide = o.WIDE;
        write_coefficient_table(run, table);
        write_coefficient_matrices(run, e.names, e.cov, o.PCOV, o.PCOR, o.WIDE);
    }
    store_scalars(run, e);
    store_estimation(run, model, e);
    if (!e.likelihood) {
        if (!store_by_observation(run, o.PREDICT, e.end_obs, e.obs, e.fitted)) return;
        if (!store_by_observation(run, o.RESID, e.end_obs, e.obs, e.resid)) return;
    }
    store_coefficient_outputs(run, o.COEF, o.STDERR, o.TRATIO, o.COVARIAN, e.coef, e.se, e.tstat,
                              e.cov);
}

} // namespace tarvex
