// Writing the estimates of NLINEAR / METHOD=GMM.
#include "regress/nonlin/nonlin_gmm_report.hpp"

#include "core/error_report.hpp"
#include "core/run.hpp"
#include "numeric/fitted_fields.hpp"
#include "numeric/fortran_format.hpp"
#include "regress/fit/coefficient_table.hpp"
#include "regress/fit/iteration_end.hpp"
#include "regress/iv/gmm_report.hpp"
#include "regress/iv/iv_report.hpp"
#include "regress/nonlin/nonlin_errors.hpp"

namespace tarvex {

void report_nonlinear_gmm_heading(Run& run, const EquationModel& model,
                                  const std::vector<std::string>& instruments,
                                  const NonlinGmmEstimate& e, const GmmControl& control,
                                  const NonlinOptions& o) {
    if (!run.flags.OPUT) return;
    write_line(run, " GENERALISED METHOD OF MOMENTS, NONLINEAR EQUATION");
    write_line(run, fmt_I_fitted(model.n(), 9) + " OBSERVATIONS" + fmt_X(5) +
                        "DEPENDENT VARIABLE= " + model.dep_name);
    write_line(run, " METHOD: GAUSS-NEWTON     EQUATION: " + model.text.substr(0, 90));
    write_name_list(run, " INSTRUMENTS:", instruments);
    write_gmm_weight_lines(run, control, "NONLINEAR TWO STAGE LEAST SQUARES");
    if (o.PITER)
        for (const NonlinIteration& it : e.history)
            write_iteration(run, it.iteration, "CRITERION", it.objective, model.names,
                            it.parameters);
}

void report_nonlinear_gmm(Run& run, const NonlinGmmEstimate& e, const GmmControl& control,
                          const NonlinOptions& o) {
    // Converged: the Gauss-Newton steps of every minimisation; at the limit, those of the last.
    const IterationEnd end = iteration_end_of(e.minimisation);
    report_iteration_end(run, end,
                         end == IterationEnd::ITERATION_LIMIT ? e.last_iterations : e.iterations,
                         "CRITERION", ERR_NL_NO_CONVERGENCE, ERR_NL_STUCK);
    if (control.steps == GmmSteps::ITERATE && control.weight != GmmWeight::IDENTITY) {
        if (e.settled) {
            if (run.flags.OPUT)
                write_line(run, " THE WEIGHT SETTLED AFTER" + fmt_I_fitted(e.weighted_steps, 5) +
                                    " WEIGHTED STEPS");
        } else {
            report_error(run,
                         " ...WARNING..THE PARAMETERS DID NOT SETTLE IN" +
                             fmt_I_fitted(e.weighted_steps, 5) +
                             " WEIGHTED STEPS: THE LAST STEP IS REPORTED",
                         ERR_GMM_NL_NOT_SETTLED, ErrorSeverity::CONTINUES);
        }
    }
    if (!run.flags.OPUT) return;
    if (e.at_rounding_floor)
        write_line(run, " ...NOTE..CONVERGED: A SMALLER STEP CANNOT LOWER THE CRITERION");
    write_gmm_fit_lines(run, e.result.record, e.sigma2, e.adjr2, true, e.ymean);
    CoefficientTable t = coefficient_table(e.result);
    t.wide = o.WIDE;
    t.asymptotic = true;
    write_coefficient_table(run, t);
    write_hansen_j_lines(run, e.l - e.result.record.k, e.j, control);
    write_coefficient_matrices(run, t.names, e.result.record.cov, o.PCOV, o.PCOR, o.WIDE);
}

} // namespace tarvex
