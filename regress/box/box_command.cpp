// BOX depvar indeps / options: reads and checks the options and the list, gathers the rows,
// checks that every value to be transformed is positive, and hands the data to the estimator
// and then the report.
#include "regress/box/box_command.hpp"

#include "core/error_report.hpp"
#include "core/interrupt.hpp"
#include "core/run.hpp"
#include "numeric/fortran_format.hpp"
#include "numeric/text.hpp"
#include "options/options.hpp"
#include "regress/box/box_errors.hpp"
#include "regress/box/box_estimate.hpp"
#include "regress/box/box_options.hpp"
#include "regress/box/box_report.hpp"
#include "regress/fit/estimator_front.hpp"
#include "regress/fit/list_equation.hpp"
#include "regress/fit/message_number.hpp"
#include "regress/fit/store_result.hpp"

namespace tarvex {

namespace {

bool check_options(Run& run, const BoxOptions& o) {
    if (o.ALLBOX && o.XLAMBDA) {
        report_error(run, " ...ERROR..INCOMPATIBLE OPTIONS ALLBOX AND XLAMBDA", ERR_BOX_OPTION);
        return false;
    }
    return check_iteration_options(run, o, {}, ERR_BOX_OPTION) &&
           check_name_options(run, box_option_table(), ERR_BOX_OPTION);
}

// Every value the transformation takes must be positive: y, and the regressors under ALLBOX
// or XLAMBDA.
bool positive_data(Run& run, const EstimationEquation& eq, const BoxData& d) {
    auto check = [&](const std::vector<Real>& v, const std::string& name) {
        for (std::size_t i = 0; i < v.size(); ++i)
            if (!(v[i] > 0)) {
                report_error(
                    run,
                    " ...ERROR..BOX-COX NEEDS POSITIVE DATA: " + trim_trailing_blanks(name) +
                        " IS" + fmt_G(v[i], 13, 5) + " AT OBSERVATION" + fmt_I(eq.obs[i], 6),
                    ERR_BOX_NON_POSITIVE);
                return false;
            }
        return true;
    };
    if (!check(d.y, eq.dep_name)) return false;
    for (std::size_t j = 0; j < d.x.size(); ++j)
        if (d.regressors != BoxRegressors::NONE && d.transformed[j] &&
            !check(d.x[j], eq.terms[j].name))
            return false;
    return true;
}

} // namespace

void cmd_box(Run& run) {
    if (run.sw[OTRACE]) write_line(run, " BOX");
    set_box_defaults(run);
    if (!OPTION(run, box_option_table())) return;
    const BoxOptions o = read_box_options(run);
    if (!check_options(run, o)) return;
    EstimationEquation eq;
    if (!read_estimation_equation(run, "BOX", o.CONSTANT, ERR_BOX_NO_LIST, ERR_BOX_BOTH_SIDES, eq))
        return;
    ListRows rows;
    if (!gather_equation_rows(run, eq, eq.terms, o.BEG, o.END, rows)) return;
    const int n = int(rows.obs.size());
    const int p = int(eq.terms.size()) + (o.XLAMBDA ? 3 : 2);
    if (n <= p) {
        report_error(run,
                     " ...ERROR.." + fmt_I(n, 5) + " OBSERVATIONS IS NOT ENOUGH FOR" + fmt_I(p, 4) +
                         " PARAMETERS",
                     ERR_BOX_TOO_FEW);
        return;
    }
    BoxData d;
    d.y = std::move(rows.y);
    d.x = std::move(rows.x);
    d.missing = run.ws.XMISS;
    for (const OlsTerm& t : eq.terms) d.transformed.push_back(t.kind == TermKind::VARIABLE);
    d.regressors = o.ALLBOX    ? BoxRegressors::SAME_LAMBDA
                   : o.XLAMBDA ? BoxRegressors::OWN_LAMBDA
                               : BoxRegressors::NONE;
    if (!positive_data(run, eq, d)) return;
    if (run.sw[OSCAN] || run.flags.ODONT) return;
    BoxControl control;
    control.max_iterations = o.MAXIT;
    control.parameter_tolerance = o.CONVERGE;
    control.interrupt = interrupt_checkpoint;
    BoxEstimate e = estimate_box(d, control);
    if (e.end == BoxEnd::EXACT_FIT) {
        report_estimation_failure(
            run, {" ...ERROR..THE REGRESSORS FIT " + trim_trailing_blanks(eq.dep_name) +
                      " EXACTLY AFTER THE TRANSFORMATION WITH LAMBDA = " +
                      number_text(e.exact_lambda) + ": THE LIKELIHOOD HAS NO MAXIMUM",
                  ERR_BOX_EXACT_FIT});
        return;
    }
    if (e.end == BoxEnd::SINGULAR) {
        const std::vector<std::string> names = box_parameter_names(eq, o);
        const std::string which = e.bad_parameter >= 0 && e.bad_parameter < int(names.size())
                                      ? trim_trailing_blanks(names[e.bad_parameter])
                                      : std::string("?");
        report_estimation_failure(
            run, {" ...ERROR..PARAMETER " + which + " IS NOT IDENTIFIED", ERR_BOX_SINGULAR});
        return;
    }
    EstimationResults& r = e.result.record;
    // The lambdas and sigma**2 are named parameters, after the terms.
    const std::vector<std::string> names = box_parameter_names(eq, o);
    name_equation(
        run, "BOX", eq,
        std::vector<std::string>(names.begin() + std::ptrdiff_t(eq.terms.size()), names.end()), r);
    r.intercept = o.CONSTANT;
    report_box(run, eq, e, o);
    store_model_result(run, std::move(e.result), o.out);
}

} // namespace tarvex
