// The GMM branch of NLINEAR: its options, its instruments, the estimate, the report and the
// stored result.
#include "regress/nonlin/nonlin_gmm_command.hpp"

#include "core/error_report.hpp"
#include "core/run.hpp"
#include "numeric/fortran_format.hpp"
#include "numeric/text.hpp"
#include "regress/fit/estimator_front.hpp"
#include "regress/fit/list_equation.hpp"
#include "regress/fit/store_result.hpp"
#include "regress/iv/gmm_choice.hpp"
#include "regress/nonlin/nonlin_errors.hpp"
#include "regress/nonlin/nonlin_gmm.hpp"
#include "regress/nonlin/nonlin_gmm_report.hpp"

#include <algorithm>
#include <utility>

namespace tarvex {

namespace {

bool nonlinear_gmm_refusal(Run& run, const std::string& text, int number) {
    report_error(run, " ...ERROR.." + text, number);
    return false;
}

EstimationFailure nonlinear_gmm_failure(const EquationModel& model,
                                        const std::vector<std::string>& instruments,
                                        const NonlinGmmEstimate& e) {
    switch (e.end) {
    case NonlinGmmEnd::UNDEFINED:
        return evaluation_failure(model, e.evaluation);
    case NonlinGmmEnd::INSTRUMENTS_COLLINEAR: {
        const std::string name =
            e.bad_instrument >= 0 && e.bad_instrument < static_cast<int>(instruments.size())
                ? trim_trailing_blanks(instruments[std::size_t(e.bad_instrument)])
                : std::string("?");
        return {" ...ERROR..INSTRUMENT " + name +
                    " IS A LINEAR COMBINATION OF THE INSTRUMENTS BEFORE IT",
                ERR_GMM_NL_COLLINEAR};
    }
    case NonlinGmmEnd::NOT_IDENTIFIED:
        return {" ...ERROR..G'WG IS SINGULAR: THE INSTRUMENTS DO NOT IDENTIFY THE PARAMETERS",
                ERR_GMM_NL_NOT_IDENTIFIED};
    case NonlinGmmEnd::WEIGHT_SINGULAR:
        return {" ...ERROR..THE MOMENT COVARIANCE MATRIX S IS SINGULAR: NO GMM WEIGHT S**-1",
                ERR_GMM_NL_SINGULAR};
    case NonlinGmmEnd::OK:
        break;
    }
    return {};
}

} // namespace

bool check_nonlinear_gmm_options(Run& run, const NonlinOptions& o, const ModelBlock& block,
                                 bool likelihood, GmmControl& control) {
    if (o.METHOD != "GMM") {
        if (!o.WEIGHT.empty() || !o.STEPS.empty() || o.LAG_given || !o.out.TESTSTAT.empty())
            return nonlinear_gmm_refusal(run,
                                         "WEIGHT=, STEPS=, LAG= AND TESTSTAT= GO WITH "
                                         "NLINEAR / METHOD=GMM",
                                         ERR_GMM_NL_WITHOUT_METHOD);
        if (block.instrument_lines > 0)
            return nonlinear_gmm_refusal(run, "AN INST LINE GOES WITH NLINEAR / METHOD=GMM",
                                         ERR_GMM_NL_STRAY_INST);
        return true;
    }
    if (likelihood) return true; // METHOD=GMM is refused as a method of MLE
    if (block.instruments.empty())
        return nonlinear_gmm_refusal(run, "METHOD=GMM NEEDS AN INST LINE NAMING THE INSTRUMENTS",
                                     ERR_GMM_NL_NO_INSTRUMENTS);
    if (o.HETCOV)
        return nonlinear_gmm_refusal(run,
                                     "METHOD=GMM TAKES ITS COVARIANCE FROM WEIGHT=: NOT "
                                     "HETCOV",
                                     ERR_GMM_NL_COVARIANCE);
    const GmmWords words{o.WEIGHT, o.STEPS, o.LAG, o.LAG_given};
    const GmmWordErrors errors{ERR_GMM_NL_WEIGHT, ERR_GMM_NL_STEPS,   ERR_GMM_NL_IDENTITY_STEPS,
                               ERR_NL_OPTION,     ERR_GMM_NL_HAC_LAG, ERR_GMM_NL_WHITE_LAG};
    if (!choose_gmm_weight(run, words, errors, control)) return false;
    control.max_iterations = o.MAXIT;
    control.converge = o.CONVERGE;
    return true;
}

std::vector<int> instrument_refs(const ModelBlock& block) {
    std::vector<int> refs;
    for (const OlsTerm& t : block.instruments)
        if (t.kind == TermKind::VARIABLE) refs.push_back(t.ref);
    return refs;
}

void estimate_and_report_nonlinear_gmm(Run& run, EquationModel& model, const ModelBlock& block,
                                       const NonlinOptions& o, const GmmControl& control) {
    // The instruments, the intercept last; read where the equation is.
    std::vector<OlsTerm> terms = block.instruments;
    terms.push_back(intercept_term(run));
    ListRows rows;
    if (!list_rows_in_range(run, model.dep_ref, 0, terms, model.beg, model.end, rows)) return;
    std::vector<int> kept;
    std::set_intersection(model.obs.begin(), model.obs.end(), rows.obs.begin(), rows.obs.end(),
                          std::back_inserter(kept));
    model.obs = kept;
    rows.obs = std::move(kept);
    fill_list_rows(run, model.dep_ref, 0, terms, rows);
    std::vector<std::string> names;
    for (const OlsTerm& t : terms) names.push_back(t.name);
    const int l = static_cast<int>(terms.size());
    if (model.n() < l + 1 || model.n() < model.k() + 1) {
        report_error(run,
                     " ...ERROR.." + fmt_I(model.n(), 5) + " OBSERVATIONS IS NOT ENOUGH FOR" +
                         fmt_I(model.k(), 4) + " PARAMETERS AND" + fmt_I(l, 4) + " INSTRUMENTS",
                     ERR_NL_TOO_FEW);
        return;
    }
    if (l < model.k()) {
        report_error(run,
                     " ...ERROR.." + fmt_I(l, 4) +
                         " INSTRUMENTS (WITH THE CONSTANT) ARE TOO FEW FOR" + fmt_I(model.k(), 4) +
                         " PARAMETERS",
                     ERR_GMM_NL_TOO_FEW);
        return;
    }
    if (run.sw[OSCAN] || run.flags.ODONT) return;
    NonlinGmmEstimate e = estimate_nonlinear_gmm(model, rows.x, control);
    report_nonlinear_gmm_heading(run, model, names, e, control, o);
    if (e.end != NonlinGmmEnd::OK) {
        report_estimation_failure(run, nonlinear_gmm_failure(model, names, e));
        return;
    }
    const EstimationEquation eq{model.dep_ref, 0,         model.dep_name, {},
                                model.obs,     model.beg, model.end};
    EstimationResults& r = e.result.record;
    name_equation(run, "NLINEAR", eq, model.names, r);
    r.equation = model.text;
    report_nonlinear_gmm(run, e, control, o);
    store_model_result(run, std::move(e.result), o.out);
}

} // namespace tarvex
