// PROBIT and LOGIT over series bound to a file on disk (READ ... / BIND): the statement's checks
// as the command makes them for series in memory, the options that need every row at once
// refused before anything is read, the checks of the data (0 or 1, both outcomes, regressors that
// vary) in one pass over the blocks, then the fit over blocks (binary_blocks.hpp), reported and
// stored as the fit of the same series in memory.
#include "regress/choice/choice_bound_command.hpp"

#include "bound/bound_equation.hpp"
#include "bound/bound_rows.hpp"
#include "bound/statement_series.hpp"
#include "core/command_table.hpp"
#include "core/error_report.hpp"
#include "core/interrupt.hpp"
#include "core/run.hpp"
#include "numeric/fortran_format.hpp"
#include "numeric/qmath.hpp"
#include "numeric/text.hpp"
#include "parallel/ranks.hpp"
#include "regress/choice/binary_blocks.hpp"
#include "regress/choice/binary_report.hpp"
#include "regress/choice/choice_bound_front.hpp"
#include "regress/choice/choice_equation.hpp"
#include "regress/choice/choice_errors.hpp"
#include "regress/choice/choice_options.hpp"
#include "regress/choice/choice_report_parts.hpp"
#include "regress/choice/choice_results_out.hpp"
#include "regress/choice/multinomial_logit.hpp"
#include "regress/fit/estimator_front.hpp"
#include "regress/fit/ols_fit.hpp"
#include "regress/fit/store_result.hpp"
#include "workspace/sample.hpp"
#include "workspace/workspace.hpp"

#include <algorithm>
#include <climits>
#include <memory>
#include <set>

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

// What one pass over the rows finds for the checks of the data.
struct BoundChecks {
    long long ones = 0, rows = 0;
    long long first_not_whole = -1, first_not_binary = -1; // observations, -1: none
    Real not_whole_value = 0, not_binary_value = 0;
    std::set<long long> whole; // the whole values above 1 (a few more than a LOGIT takes)
    bool zero = false;
    bool missing = false; // a value equal to the missing code
    std::vector<bool> varies;
    std::vector<Real> first;
};

bool check_rows(Run& run, RowBlocks& rows, const ChoiceBlockColumns& where, BoundChecks& c) {
    const Real missing = run.ws.XMISS;
    const std::size_t k = where.terms.size();
    c.varies.assign(k, false);
    c.first.assign(k, Real(0));
    RowBlock block;
    while (rows.next(block)) {
        const Real* y = block.columns[std::size_t(where.dependent)];
        for (std::size_t i = 0; i < block.length; ++i) {
            const Real v = y[i];
            if (equal_values(v, missing)) c.missing = true;
            if (v == 0 || v == 1) {
                c.ones += v == 1;
                c.zero = c.zero || v == 0;
                continue;
            }
            const long long t = block.observations != nullptr ? block.observations[i]
                                                              : block.first + (long long)i + 1;
            if (c.first_not_binary < 0) c.first_not_binary = t, c.not_binary_value = v;
            if (v > 0 && qm::floor(v) == v && v < Real(1e9Q)) {
                if (c.whole.size() <= std::size_t(MAX_MULTINOMIAL_OUTCOMES))
                    c.whole.insert(static_cast<long long>(v));
            } else if (c.first_not_whole < 0) {
                c.first_not_whole = t, c.not_whole_value = v;
            }
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

    // The checks of the data, in the order the series in memory are checked.
    BoundChecks c;
    if (!check_rows(run, *rows, where, c)) return;
    run.last_estimation = EstimationResults{};
    if (c.missing) {
        refuse_needing_memory(run, "THE MISSING DATA VALUE AMONG THEM", ERR_NEEDS_MEMORY);
        return;
    }
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
