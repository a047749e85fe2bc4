// AUTO: reads the list and the options, gathers the rows, and hands them to the estimator and
// its report.
#include "regress/auto/auto_command.hpp"

#include "core/error_report.hpp"
#include "core/interrupt.hpp"
#include "core/run.hpp"
#include "numeric/fortran_format.hpp"
#include "numeric/text.hpp"
#include "options/options.hpp"
#include "regress/auto/auto_errors.hpp"
#include "regress/auto/auto_report.hpp"
#include "regress/fit/estimator_front.hpp"
#include "regress/fit/list_equation.hpp"
#include "regress/fit/range_refusal.hpp"
#include "regress/fit/store_result.hpp"

namespace tarvex {

namespace {

bool check_options(Run& run, const AutoOptions& o) {
    if (o.ORDER != 1 && o.ORDER != 2) {
        report_error(run, " ...ERROR..THE ORDER=" + fmt_I(o.ORDER, 4) + " OPTION IS NOT AVAILABLE",
                     ERR_AUTO_ORDER);
        return false;
    }
    return check_iteration_options(run, o, {"ML", "CORC", "PW"}, ERR_AUTO_OPTION) &&
           check_name_options(run, auto_option_table(), ERR_AUTO_OPTION);
}

AutoMethod method_of(const std::string& word) {
    if (word == "CORC") return AutoMethod::CORC;
    if (word == "PW") return AutoMethod::PW;
    return AutoMethod::ML;
}

} // namespace

void cmd_auto(Run& run) {
    if (run.sw[OTRACE]) write_line(run, " AUTO");
    set_auto_defaults(run);
    if (!OPTION(run, auto_option_table())) return;
    const AutoOptions o = read_auto_options(run);
    if (!check_options(run, o)) return;
    EstimationEquation eq;
    if (!read_estimation_equation(run, "AUTO", o.CONSTANT, ERR_AUTO_NO_LIST, ERR_AUTO_BOTH_SIDES,
                                  eq))
        return;

    ListRows rows;
    if (!gather_equation_rows(run, eq, eq.terms, o.BEG, o.END, rows)) return;
    if (!squares_representable(run, eq.dep_name, eq.terms, rows, ERR_AUTO_RANGE)) return;
    const int k = static_cast<int>(eq.terms.size());
    const int n = static_cast<int>(rows.obs.size());
    // Each rho needs observations beyond the regression's own, and the iterations drop p rows.
    if (n <= k + 2 * o.ORDER) {
        report_error(run,
                     " ...ERROR.." + fmt_I(n, 5) + " OBSERVATIONS IS NOT ENOUGH FOR" + fmt_I(k, 4) +
                         " COEFFICIENTS AND AR(" + std::to_string(o.ORDER) + ") ERRORS",
                     ERR_AUTO_TOO_FEW);
        return;
    }
    if (run.sw[OSCAN] || run.flags.ODONT) return;
    for (std::size_t i = 1; i < eq.obs.size(); ++i)
        if (eq.obs[i] != eq.obs[i - 1] + 1) {
            if (run.sw[OWARN])
                write_line(run, " ...WARNING..OBSERVATIONS" + fmt_I(eq.obs[i - 1], 7) + " AND" +
                                    fmt_I(eq.obs[i], 7) +
                                    " ARE NOT CONSECUTIVE: THE ERRORS ARE LAGGED ACROSS THE GAP");
            break;
        }

    AutoData data;
    for (std::size_t j = 0; j < eq.terms.size(); ++j)
        data.x.push_back(eq.terms[j].kind == TermKind::INTERCEPT ? nullptr : rows.x[j].data());
    data.y = rows.y.data();
    data.n = rows.y.size();
    AutoControl control;
    control.method = method_of(o.METHOD);
    control.order = o.ORDER;
    control.max_iterations = o.MAXIT;
    control.tolerance = o.CONVERGE;
    control.interrupt = interrupt_checkpoint;
    AutoEstimate e = estimate_auto(data, control);
    report_auto_heading(run, eq, e, o, control.method);
    if (e.end != AutoEnd::CONVERGED) {
        report_estimation_failure(run, auto_failure(eq, e));
        return;
    }
    EstimationResults& r = e.result.record;
    name_equation(run, "AUTO", eq, rho_names(o.ORDER), r);
    r.intercept = !eq.terms.empty() && eq.terms.back().kind == TermKind::INTERCEPT;
    report_auto(run, e, o, control.method);
    store_model_result(run, std::move(e.result), o.out);
}

} // namespace tarvex
