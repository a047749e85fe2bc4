// PROBIT and LOGIT over series bound to a file on disk (READ ... / BIND): the statement's checks
// as the command makes them for series in memory, the options that need every row at once
// refused before anything is read, the checks of the data (0 or 1, both outcomes, regressors that
// vary, the missing code warned about) in one pass over the blocks, then the fit over blocks
// (binary_blocks.hpp), reported and stored as the fit of the same series in memory. In a run over
// several ranks every rank reads its share and makes the same calls.
#include "regress/choice/choice_bound_command.hpp"

#include "bound/bound_equation.hpp"
#include "bound/bound_rows.hpp"
#include "bound/statement_series.hpp"
#include "core/command_table.hpp"
#include "core/error_report.hpp"
#include "core/interrupt.hpp"
#include "core/run.hpp"
#include "numeric/fortran_format.hpp"
#include "numeric/text.hpp"
#include "parallel/ranks.hpp"
#include "regress/choice/binary_blocks.hpp"
#include "regress/choice/binary_report.hpp"
#include "regress/choice/choice_bound_checks.hpp"
#include "regress/choice/choice_bound_front.hpp"
#include "regress/choice/choice_equation.hpp"
#include "regress/choice/choice_errors.hpp"
#include "regress/choice/choice_options.hpp"
#include "regress/choice/choice_pass.hpp"
#include "regress/choice/choice_report_parts.hpp"
#include "regress/choice/choice_results_out.hpp"
#include "regress/fit/estimator_front.hpp"
#include "regress/fit/ols_fit.hpp"
#include "regress/fit/store_result.hpp"
#include "workspace/sample.hpp"
#include "workspace/workspace.hpp"

#include <memory>

namespace tarvex {

namespace {

// The option (as the statement names it) that needs every row at once, or empty.
std::string option_needing_memory(const Run& run, const ChoiceOptions& o) {
    if (o.ORDERED) return "ORDERED";
    if (o.HETCOV) return "HETCOV";
    if (!name_blank(o.CLUSTER)) return "CLUSTER";
    if (!o.METHOD.empty() && o.METHOD != "NEWTON") return "METHOD=" + o.METHOD;
    if (!name_blank(o.WEIGHT)) return "WEIGHT";
    if (!name_blank(o.out.PREDICT)) return "PREDICT";
    if (!name_blank(o.out.RESID)) return "RESID";
    if (!name_blank(o.INDEX)) return "INDEX";
    if (!name_blank(o.PROBS)) return "PROBS";
    if (run.sw[OSMISS]) return "SKIPMISS";
    return "";
}

} // namespace

bool choice_lists_bound_series(const Run& run) {
    for (int k = 1; k <= run.scan.NF; ++k)
        if (run.scan.is_bound(k)) return true;
    return false;
}

void choice_over_bound_series(Run& run, int command, const ChoiceOptions& o) {
    BoundChoiceStatement st;
    if (!open_bound_choice(run, command, o, option_needing_memory(run, o), 0, st)) return;
    const std::string word = choice_command_word(command);
    ChoiceEquation& eq = st.eq;
    ChoiceBlockColumns& where = st.where;
    const std::vector<std::string>& names = st.names;
    const int intercept = st.intercept;
    RowBlocks* rows = st.rows.get();
    const int k = static_cast<int>(where.terms.size());

    // The checks of the data, in the order the series in memory are checked: the missing code
    // warned about and used as data, then the regressors and the outcomes.
    BoundChoiceChecks c;
    if (!check_bound_choice_rows(run, *rows, where, c, ERR_BOUND_READ)) return;
    run.last_estimation = EstimationResults{};
    warn_bound_missing_values(run, st.listed, st.sources, -1, c.missing_at);
    for (int j = 0; j < k && intercept >= 0; ++j)
        if (j != intercept && !c.varies[std::size_t(j)]) {
            report_constant_regressor(run, command, names[std::size_t(j)], c.first[std::size_t(j)]);
            return;
        }
    const std::string y = trim_trailing_blanks(eq.dep_name);
    if (c.first_not_binary < 0) {
        if (c.ones == 0 || c.ones == c.rows) {
            report_one_outcome(run, command, y, c.ones == 0);
            return;
        }
    } else if (command == C_LOGIT && c.first_not_whole < 0 &&
               c.whole.size() + c.zero + (c.ones > 0) > 2) {
        refuse_needing_memory(run, "A LOGIT OF MORE THAN TWO OUTCOMES", ERR_NEEDS_MEMORY);
        return;
    } else {
        const bool whole = c.first_not_whole < 0;
        report_not_binary(run, command, y, whole ? c.not_binary_value : c.not_whole_value,
                          whole ? c.first_not_binary : c.first_not_whole);
        return;
    }

    const ChoiceLink link = command == C_PROBIT ? ChoiceLink::PROBIT : ChoiceLink::LOGIT;
    ChoiceControl control;
    control.method = maximize_method(o.METHOD.empty() ? "NEWTON" : o.METHOD);
    control.max_iterations = o.MAXIT;
    control.parameter_tolerance = o.CONVERGE;
    control.interrupt = interrupt_checkpoint;
    where.dependent = 0;
    BinaryBlockEstimate fitted = estimate_binary_blocks(link, *rows, where, control);
    if (!fitted.failure.empty()) {
        report_error(run, fitted.failure, ERR_BOUND_READ);
        return;
    }
    BinaryEstimate& e = fitted.estimate;
    if (e.end == ChoiceEnd::UNDEFINED || (e.end == ChoiceEnd::SINGULAR && e.iterations <= 1)) {
        report_estimation_failure(run, choice_fit_failure(eq, e.end, e.bad_column, names));
        return;
    }
    if (e.end != ChoiceEnd::CONVERGED) {
        // Which observations the fit predicts perfectly, if any, needs every row at once.
        refuse_needing_memory(run, "A FIT THAT DOES NOT CONVERGE", ERR_NEEDS_MEMORY);
        return;
    }
    name_equation(run, word, eq, {}, e.result.record);
    // The record's variables are the series as the statement gave them, so that FCAST finds
    // them bound.
    EstimationResults& record = e.result.record;
    record.dep_variable = st.sources[0];
    for (std::size_t k = 1; k < st.sources.size() && k - 1 < record.variables.size(); ++k)
        record.variables[k - 1] = st.sources[k];
    ChoiceData shown;
    shown.names = names;
    shown.intercept = intercept;
    shown.dependent = eq.dep_name;
    report_binary(run, eq, shown, e, o);
    if (store_model_result(run, std::move(e.result), o.out))
        store_marginal_effects(run, o, e.at_means);
}

} // namespace tarvex
