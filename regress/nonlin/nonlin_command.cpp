// NLINEAR / options, then COEFFICI lines, one EQ line and END: reads the options and the block,
// checks them, compiles the equation, and hands it to the estimator and then the report.
#include "regress/nonlin/nonlin_command.hpp"

#include "core/command_table.hpp"
#include "core/error_report.hpp"
#include "core/run.hpp"
#include "numeric/fortran_format.hpp"
#include "numeric/text.hpp"
#include "options/options.hpp"
#include "regress/nonlin/equation_model.hpp"
#include "regress/nonlin/model_block.hpp"
#include "regress/nonlin/nonlin_errors.hpp"
#include "regress/nonlin/nonlin_estimate.hpp"
#include "regress/nonlin/nonlin_options.hpp"
#include "regress/nonlin/nonlin_report.hpp"

namespace tarvex {

namespace {

bool bad_option(Run& run, const char* keyword) {
    report_error(run, " ...ERROR..IN RIGHT HAND SIDE OF OPTION.." + first_8_padded(keyword),
                 ERR_NL_OPTION);
    return false;
}

bool check_options(Run& run, const NonlinOptions& o) {
    if (o.MAXIT < 1) return bad_option(run, "MAXIT");
    if (!(o.CONVERGE > 0) || !(o.CONVERGE < 1)) return bad_option(run, "CONVERGE");
    if (!(o.OBJCONV >= 0) || !(o.OBJCONV < 1)) return bad_option(run, "OBJCONV");
    if (o.METHOD != "NEWTON" && o.METHOD != "BHHH" && o.METHOD != "BFGS" && o.METHOD != "DFP")
        return bad_option(run, "METHOD");
    if (o.COVTYPE != "HESSIAN" && o.COVTYPE != "OPG" && o.COVTYPE != "SANDWICH")
        return bad_option(run, "COVTYPE");
    return true;
}

} // namespace

void cmd_nonlin(Run& run) {
    const bool likelihood = run.cmd.IKOD == C_MLE;
    if (run.sw[OTRACE]) write_line(run, likelihood ? " MLE" : " NLINEAR");
    set_nonlin_defaults(run);
    const bool options_ok = OPTION(run, nonlin_option_table());
    // The block is read whatever the options, so that its lines never run as commands.
    ModelBlock block;
    const bool block_ok = read_model_block(run, block);
    if (!options_ok || !block_ok) {
        if (!run.flags.ODONT) report_error(run, "");
        return;
    }
    const NonlinOptions o = read_nonlin_options(run);
    if (!check_options(run, o)) return;
    EquationModel model;
    if (!compile_equation(run, block, !likelihood, model)) return;
    const int end = (o.END == -999 || o.END < 1) ? run.smpl.IEND : o.END;
    if (!bind_observations(run, model, o.BEG, end)) return;
    if (model.n() < model.k() + (likelihood ? 0 : 1)) {
        report_error(run,
                     " ...ERROR.." + fmt_I(model.n(), 5) + " OBSERVATIONS IS NOT ENOUGH FOR" +
                         fmt_I(model.k(), 4) + " PARAMETERS",
                     ERR_NL_TOO_FEW);
        return;
    }
    if (run.sw[OSCAN] || run.flags.ODONT) return;
    const NonlinEstimate e = likelihood ? estimate_mle(model, o) : estimate_nlinear(model, o);
    if (e.end == NonlinEnd::UNDEFINED) {
        run.last_estimation = EstimationResults{};
        report_evaluation_failure(run, model, e.failure);
        return;
    }
    if (e.end == NonlinEnd::SINGULAR || e.end == NonlinEnd::NOT_DEFINITE) {
        run.last_estimation = EstimationResults{};
        report_iterations(run, model, e, o);
        if (e.end == NonlinEnd::NOT_DEFINITE) {
            report_error(
                run,
                " ...ERROR..NO CONVERGENCE IN " + std::to_string(e.iterations) +
                    " ITERATIONS, AND THE LOG-LIKELIHOOD IS NOT CONCAVE WHERE THEY STOPPED",
                ERR_NL_NO_CONVERGENCE);
            return;
        }
        const std::string which = e.dependent_parameter >= 0 && e.dependent_parameter < e.k
                                      ? e.names[static_cast<std::size_t>(e.dependent_parameter)]
                                      : std::string("?");
        report_error(run,
                     std::string(" ...ERROR..") + (likelihood ? "THE HESSIAN" : "J'J") +
                         " IS SINGULAR: PARAMETER " + which + " IS NOT IDENTIFIED",
                     ERR_NL_SINGULAR);
        return;
    }
    report_nonlin(run, model, e, o);
}

} // namespace tarvex
