// TOBIT over series bound to a file on disk (READ ... / BIND): the statement's checks as for
// series in memory (choice_bound_front.hpp), the options that need every row at once refused
// before anything is read, the checks of the data (the missing code, regressors that vary,
// observations both at a limit and between) in one pass over the blocks, then the fit over blocks
// (tobit_blocks.hpp), reported and stored as the fit of the same series in memory.
#include "regress/choice/tobit_bound_command.hpp"

#include "bound/bound_equation.hpp"
#include "bound/bound_rows.hpp"
#include "core/command_table.hpp"
#include "core/error_report.hpp"
#include "core/interrupt.hpp"
#include "core/run.hpp"
#include "numeric/text.hpp"
#include "regress/choice/choice_bound_command.hpp"
#include "regress/choice/choice_bound_front.hpp"
#include "regress/choice/choice_errors.hpp"
#include "regress/choice/choice_options.hpp"
#include "regress/choice/choice_report_parts.hpp"
#include "regress/choice/choice_results_out.hpp"
#include "regress/choice/tobit_blocks.hpp"
#include "regress/choice/tobit_report.hpp"
#include "regress/fit/estimator_front.hpp"
#include "regress/fit/store_result.hpp"
#include "workspace/sample.hpp"
#include "workspace/workspace.hpp"

namespace tarvex {

namespace {

// The option (as the statement names it) of a TOBIT that needs every row at once, or empty.
std::string tobit_option_needing_memory(const Run& run, const ChoiceOptions& o) {
    if (o.HETCOV) return "HETCOV";
    if (!name_blank(o.CLUSTER)) return "CLUSTER";
    if (!o.METHOD.empty() && o.METHOD != "NEWTON") return "METHOD=" + o.METHOD;
    if (!name_blank(o.WEIGHT)) return "WEIGHT";
    if (!name_blank(o.out.PREDICT)) return "PREDICT";
    if (!name_blank(o.out.RESID)) return "RESID";
    if (run.sw[OSMISS]) return "SKIPMISS";
    return "";
}

// What one pass over the rows finds for the checks of the data.
struct TobitBoundChecks {
    long long at_limit = 0, rows = 0;
    bool missing = false; // a value equal to the missing code
    std::vector<bool> varies;
    std::vector<Real> first;
};

bool check_tobit_rows(Run& run, RowBlocks& rows, const ChoiceBlockColumns& where,
                      const TobitCensoring& censoring, TobitBoundChecks& c) {
    const Real missing = run.ws.XMISS;
    const std::size_t k = where.terms.size();
    c.varies.assign(k, false);
    c.first.assign(k, Real(0));
    RowBlock block;
    while (rows.next(block)) {
        const Real* y = block.columns[std::size_t(where.dependent)];
        for (std::size_t i = 0; i < block.length; ++i) {
            if (equal_values(y[i], missing)) c.missing = true;
            c.at_limit += (censoring.below && y[i] <= censoring.lower) ||
                          (censoring.above && y[i] >= censoring.upper);
        }
        for (std::size_t j = 0; j < k; ++j) {
            const int col = where.terms[j];
            if (col < 0) continue;
            const Real* x = block.columns[std::size_t(col)];
            for (std::size_t i = 0; i < block.length; ++i) {
                if (equal_values(x[i], missing)) c.missing = true;
                if (c.rows == 0 && i == 0)
                    c.first[j] = x[0];
                else if (!equal_values(x[i], c.first[j]))
                    c.varies[j] = true;
            }
        }
        c.rows += static_cast<long long>(block.length);
    }
    if (!rows.failure().empty()) {
        report_error(run, rows.failure(), ERR_BOUND_READ);
        return false;
    }
    rows.rewind();
    return true;
}

} // namespace

void tobit_over_bound_series(Run& run, const ChoiceOptions& o) {
    BoundChoiceStatement st;
    if (!open_bound_choice(run, C_TOBIT, o, tobit_option_needing_memory(run, o), 1, st)) return;
    ChoiceEquation& eq = st.eq;
    const int k = static_cast<int>(st.where.terms.size());
    const TobitCensoring& censoring = o.censoring;

    // The checks of the data, in the order the series in memory are checked.
    TobitBoundChecks c;
    if (!check_tobit_rows(run, *st.rows, st.where, censoring, c)) return;
    run.last_estimation = EstimationResults{};
    if (c.missing) {
        refuse_needing_memory(run, "THE MISSING DATA VALUE AMONG THEM", ERR_NEEDS_MEMORY);
        return;
    }
    for (int j = 0; j < k && st.intercept >= 0; ++j)
        if (j != st.intercept && !c.varies[std::size_t(j)]) {
            report_constant_regressor(run, C_TOBIT, st.names[std::size_t(j)],
                                      c.first[std::size_t(j)]);
            return;
        }
    const EstimationFailure censored = tobit_censoring_failure(eq, c.at_limit, c.rows, censoring);
    if (!censored.line.empty() || censored.number != 0)
        return report_estimation_failure(run, censored);

    ChoiceControl control;
    control.method = maximize_method(o.METHOD.empty() ? "NEWTON" : o.METHOD);
    control.max_iterations = o.MAXIT;
    control.parameter_tolerance = o.CONVERGE;
    control.interrupt = interrupt_checkpoint;
    TobitBlockEstimate fitted = estimate_tobit_blocks(*st.rows, st.where, censoring, control);
    if (!fitted.failure.empty()) {
        report_error(run, fitted.failure, ERR_BOUND_READ);
        return;
    }
    if (!fitted.needs_memory.empty()) {
        refuse_needing_memory(run, fitted.needs_memory, ERR_NEEDS_MEMORY);
        return;
    }
    TobitEstimate& e = fitted.estimate;
    std::vector<std::string> names = st.names;
    names.push_back(TOBIT_SIGMA_NAME);
    const EstimationFailure f = choice_fit_failure(eq, e.end, e.bad_column, names);
    if (!f.line.empty() || f.number != 0) return report_estimation_failure(run, f);
    name_equation(run, choice_command_word(C_TOBIT), eq, {TOBIT_SIGMA_NAME}, e.result.record);
    ChoiceData shown;
    shown.names = st.names;
    shown.intercept = st.intercept;
    shown.dependent = eq.dep_name;
    report_tobit(run, eq, shown, censoring, e, o);
    if (store_model_result(run, std::move(e.result), o.out))
        store_marginal_effects(run, o, e.observed);
}

} // namespace tarvex
