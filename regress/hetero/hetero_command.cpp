// HETERO depvar indeps [; zvars] / options. The list before ";" is the mean equation (with
// CONSTANT unless NOCONSTANT); the names after it are the regressors of the log variance, which
// has an intercept always; without ";" the variance takes the regressors of the mean. Reads and
// checks the options and the list, gathers the rows, and hands them to the estimator and then
// the report.
#include "regress/hetero/hetero_command.hpp"

#include "core/command_table.hpp"
#include "core/error_report.hpp"
#include "core/interrupt.hpp"
#include "core/run.hpp"
#include "numeric/fortran_format.hpp"
#include "numeric/text.hpp"
#include "options/options.hpp"
#include "regress/fit/estimator_front.hpp"
#include "regress/fit/list_equation.hpp"
#include "regress/fit/output_variables.hpp"
#include "regress/fit/range_refusal.hpp"
#include "regress/fit/store_result.hpp"
#include "regress/hetero/hetero_errors.hpp"
#include "regress/hetero/hetero_estimate.hpp"
#include "regress/hetero/hetero_options.hpp"
#include "regress/hetero/hetero_report.hpp"

namespace tarvex {

namespace {

bool check_options(Run& run, const HeteroOptions& o) {
    return check_iteration_options(run, o, {"NEWTON", "BHHH", "BFGS", "DFP"}, ERR_HET_OPTION) &&
           check_name_options(run, hetero_option_table(), ERR_HET_OPTION);
}

// Reads the two lists; false (reported) when the mean equation has nothing or the dependent
// variable is among its regressors.
bool read_equation(Run& run, const HeteroOptions& o, HeteroEquation& eq) {
    const ScanBlock& scan = run.scan;
    const int split = scan.list_break >= 0 ? scan.list_break : scan.NF;
    if (split < 1 || (split < 2 && !o.CONSTANT)) {
        report_error(run, " ...ERROR..HETERO NEEDS depvar indeps [; variance regressors]",
                     ERR_HET_NO_LIST);
        return false;
    }
    const OlsTerm dep = read_dependent(run, eq);
    if (!append_list_terms(run, dep, 2, split, ERR_HET_BOTH_SIDES, eq.terms)) return false;
    if (scan.list_break >= 0) {
        for (int k = split + 1; k <= scan.NF; ++k) eq.variance.push_back(list_term(run, k));
    } else {
        eq.variance = eq.terms;
    }
    if (o.CONSTANT) eq.terms.push_back(intercept_term(run));
    eq.variance.push_back(intercept_term(run));
    return true;
}

} // namespace

void cmd_hetero(Run& run) {
    if (run.sw[OTRACE]) write_line(run, " HETERO");
    set_hetero_defaults(run);
    if (!OPTION(run, hetero_option_table())) return;
    const HeteroOptions o = read_hetero_options(run);
    if (!check_options(run, o)) return;
    HeteroEquation eq;
    if (!read_equation(run, o, eq)) return;

    std::vector<OlsTerm> all(eq.terms);
    all.insert(all.end(), eq.variance.begin(), eq.variance.end());
    ListRows rows;
    if (!gather_equation_rows(run, eq, all, o.BEG, o.END, rows)) return;
    if (!squares_representable(run, eq.dep_name, all, rows, ERR_HET_RANGE)) return;
    const int k = int(eq.terms.size()), m = int(eq.variance.size());
    const int n = int(rows.obs.size());
    if (n < k + m) {
        report_error(run,
                     " ...ERROR.." + fmt_I(n, 5) + " OBSERVATIONS IS NOT ENOUGH FOR" +
                         fmt_I(k + m, 4) + " COEFFICIENTS",
                     ERR_HET_TOO_FEW);
        return;
    }
    if (run.sw[OSCAN] || run.flags.ODONT) return;

    HeteroData data;
    data.y = std::move(rows.y);
    data.x.assign(rows.x.begin(), rows.x.begin() + k);
    data.z.assign(rows.x.begin() + k, rows.x.end());
    data.z_intercept = m - 1;
    HeteroControl control;
    control.method = maximize_method(o.METHOD);
    control.max_iterations = o.MAXIT;
    control.parameter_tolerance = o.CONVERGE;
    control.sandwich = o.HETCOV;
    control.interrupt = interrupt_checkpoint;
    HeteroEstimate e = estimate_hetero(data, control);
    if (e.end == HeteroEnd::UNDEFINED) {
        report_estimation_failure(
            run, {" ...ERROR..THE LOG-LIKELIHOOD CANNOT BE EVALUATED AT THE START VALUES",
                  ERR_HET_UNDEFINED});
        return;
    }
    if (e.end == HeteroEnd::EXACT_FIT) {
        report_estimation_failure(run, {" ...ERROR..THE MEAN EQUATION FITS " +
                                            trim_trailing_blanks(eq.dep_name) +
                                            " EXACTLY: THERE IS NO VARIANCE TO ESTIMATE",
                                        ERR_HET_EXACT_FIT});
        return;
    }
    if (e.end == HeteroEnd::MEAN_SINGULAR || e.end == HeteroEnd::VARIANCE_SINGULAR) {
        const bool in_mean = e.end == HeteroEnd::MEAN_SINGULAR;
        const std::vector<OlsTerm>& terms = in_mean ? eq.terms : eq.variance;
        const std::string which = e.bad_column >= 0 && e.bad_column < int(terms.size())
                                      ? trim_trailing_blanks(terms[e.bad_column].name)
                                      : std::string("?");
        report_estimation_failure(run, {std::string(" ...ERROR..") + which +
                                            " IS NOT IDENTIFIED IN THE " +
                                            (in_mean ? "MEAN" : "VARIANCE") + " EQUATION",
                                        ERR_HET_SINGULAR});
        return;
    }
    EstimationResults& r = e.result.record;
    // The variance coefficients are named parameters (V_name), after those of the mean.
    std::vector<std::string> variance_names;
    for (const OlsTerm& t : eq.variance) variance_names.push_back(variance_parameter_name(t.name));
    name_equation(run, "HETERO", eq, variance_names, r);
    r.intercept = !eq.terms.empty() && eq.terms.back().kind == TermKind::INTERCEPT;
    report_hetero(run, eq, e, o);
    if (!store_model_result(run, std::move(e.result), o.out)) return;
    store_by_observation(run, o.VARPRED, eq.end, eq.obs, e.variance);
}

} // namespace tarvex
