// NLINEAR / options, then COEFFICI lines, one EQ line, INST lines (METHOD=GMM) and END: reads the
// options and the block, checks them, compiles the equation, and hands it to the estimator and
// then the report.
#include "regress/nonlin/nonlin_command.hpp"

#include "core/command_table.hpp"
#include "core/error_report.hpp"
#include "core/run.hpp"
#include "numeric/fortran_format.hpp"
#include "numeric/qmath.hpp"
#include "options/options.hpp"
#include "regress/fit/estimator_front.hpp"
#include "regress/fit/store_result.hpp"
#include "regress/nonlin/equation_model.hpp"
#include "regress/nonlin/model_block.hpp"
#include "regress/nonlin/nonlin_errors.hpp"
#include "regress/nonlin/nonlin_estimate.hpp"
#include "regress/nonlin/nonlin_gmm_command.hpp"
#include "regress/nonlin/nonlin_options.hpp"
#include "regress/nonlin/nonlin_report.hpp"

#include <utility>

namespace tarvex {

namespace {

bool nonlin_method_known(const std::string& word, bool likelihood) {
    for (const char* known : {"NEWTON", "BHHH", "BFGS", "DFP", "GRADX", "GQOPT", "GQDFP", "ANNEAL"})
        if (word == known) return true;
    return !likelihood && word == "GMM";
}

bool anneal_option_error(Run& run, const std::string& what) {
    report_error(run, " ...ERROR..ANNEALING: " + what, ERR_NL_ANNEAL_OPTION);
    return false;
}

// The option values in range, then no name option without its value.
bool check_options(Run& run, const NonlinOptions& o, bool likelihood) {
    if (!check_iteration_options(run, o, {}, ERR_NL_OPTION)) return false;
    if (!(o.OBJCONV >= 0) || !(o.OBJCONV < 1))
        return bad_option_value(run, "OBJCONV", ERR_NL_OPTION);
    if (!nonlin_method_known(o.METHOD, likelihood)) {
        report_error(run,
                     " ...ERROR..METHOD " + o.METHOD +
                         (likelihood
                              ? " UNKNOWN: NEWTON, BHHH, BFGS, DFP, GRADX, GQOPT, GQDFP OR ANNEAL"
                              : " UNKNOWN: NEWTON, BHHH, BFGS, DFP, GRADX, GQOPT, GQDFP, ANNEAL "
                                "OR GMM"),
                     ERR_NL_UNKNOWN_METHOD);
        return false;
    }
    if (o.METHOD == "ANNEAL") {
        if (o.SEED < 1) return anneal_option_error(run, "SEED MUST BE A POSITIVE INTEGER");
        if (o.ANNEALN < 100) return anneal_option_error(run, "ANNEALN MUST BE AT LEAST 100");
        if (!(o.ANNEALT >= 0) || qm::isinf(o.ANNEALT))
            return anneal_option_error(run, "ANNEALT MUST BE 0 OR A POSITIVE TEMPERATURE");
    }
    if (o.COVTYPE != "HESSIAN" && o.COVTYPE != "OPG" && o.COVTYPE != "SANDWICH")
        return bad_option_value(run, "COVTYPE", ERR_NL_OPTION);
    return check_name_options(run, nonlin_option_table(), ERR_NL_OPTION);
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
    NonlinOptions o = read_nonlin_options(run);
    if (!check_options(run, o, likelihood)) return;
    GmmControl gmm;
    if (!check_nonlinear_gmm_options(run, o, block, likelihood, gmm)) return;
    const bool by_gmm = !likelihood && o.METHOD == "GMM";
    // A likelihood has no fitted values or residuals: MLE leaves PREDICT= and RESID= alone.
    if (likelihood) o.out.PREDICT = o.out.RESID = "";
    EquationModel model;
    if (!compile_equation(run, block, !likelihood, model)) return;
    // The variables the equation reads are inputs too: no output option may name them.
    std::vector<int> inputs = equation_data_refs(model);
    if (model.dep_ref > 0) inputs.push_back(model.dep_ref);
    for (int ref : instrument_refs(block)) inputs.push_back(ref);
    if (!check_outputs_not_inputs(run, nonlin_option_table(), inputs)) return;
    const int end = (o.END == -999 || o.END < 1) ? run.smpl.IEND : o.END;
    if (!bind_observations(run, model, o.BEG, end)) return;
    if (by_gmm) {
        estimate_and_report_nonlinear_gmm(run, model, block, o, gmm);
        return;
    }
    if (model.n() < model.k() + (likelihood ? 0 : 1)) {
        report_error(run,
                     " ...ERROR.." + fmt_I(model.n(), 5) + " OBSERVATIONS IS NOT ENOUGH FOR" +
                         fmt_I(model.k(), 4) + " PARAMETERS",
                     ERR_NL_TOO_FEW);
        return;
    }
    if (run.sw[OSCAN] || run.flags.ODONT) return;
    NonlinEstimate e = likelihood ? estimate_mle(model, o) : estimate_nlinear(model, o);
    if (e.result.failed()) {
        // Where the iteration went, unless it could not start.
        if (e.end != NonlinEnd::UNDEFINED) report_iterations(run, model, e, o);
        report_estimation_failure(run, e.result.failure);
        report_minus_power_note(run, model, e);
        return;
    }
    // No terms: every coefficient is a named parameter (MLE has no dependent variable).
    const EstimationEquation eq{model.dep_ref, 0,         model.dep_name, {},
                                model.obs,     model.beg, model.end};
    EstimationResults& r = e.result.record;
    name_equation(run, likelihood ? "MLE" : "NLINEAR", eq, model.names, r);
    r.equation = model.text;
    report_nonlin(run, model, e, o);
    store_model_result(run, std::move(e.result), o.out);
}

} // namespace tarvex
