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
    const std::string word = choice_command_word(command);
    std::vector<StatementSeries> listed;
    if (!statement_series(run, listed)) {
        report_error(run,
                     " ...ERROR..BESIDE SERIES BOUND TO A FILE, " + word +
                         " TAKES WHOLE DATA SERIES ONLY (NO LAGS, MATRICES OR RESULTS)",
                     ERR_BOUND_BESIDE);
        return;
    }
    if (listed.size() < 2) {
        report_error(run, " ...ERROR..INSUFFICIENT NUMBER OF VARIABLES SPECIFIED",
                     choice_error(command, CHOICE_NO_LIST));
        return;
    }
    ChoiceEquation eq;
    eq.command = command;
    eq.dep_name = first_8_padded(listed[0].shown);
    BinaryBlockColumns where;
    std::vector<std::string> sources{listed[0].source}, names;
    for (std::size_t k = 1; k < listed.size(); ++k) {
        if (listed[k].source == listed[0].source) {
            report_error(run,
                         " ...ERROR..VARIABLE " + eq.dep_name + " IS ON BOTH SIDES OF EQUATION",
                         choice_error(command, CHOICE_BOTH_SIDES));
            return;
        }
        OlsTerm t;
        t.name = first_8_padded(listed[k].shown);
        eq.terms.push_back(t);
        names.push_back(t.name);
        where.terms.push_back(static_cast<int>(sources.size()));
        sources.push_back(listed[k].source);
    }
    int intercept = -1;
    if (o.CONSTANT) {
        OlsTerm c;
        c.kind = TermKind::INTERCEPT;
        c.ref = run.ws.MAXVAR + 1;
        c.name = first_8_padded("CONSTANT");
        eq.terms.push_back(c);
        names.push_back(c.name);
        intercept = static_cast<int>(where.terms.size());
        where.terms.push_back(-1);
    }
    if (const std::string option = option_needing_memory(run, o); !option.empty()) {
        refuse_needing_memory(run, "OPTION " + option, ERR_NEEDS_MEMORY);
        return;
    }
    // The estimation range: BEG and END (the sample's unless given); a range past the end of a
    // bound series is an error, and without a range the rows end with the bound rows.
    int beg = o.BEG;
    int end = o.END;
    // Over several ranks each takes whole chunks of the passes' rows.
    std::unique_ptr<RowBlocks> rows = open_estimation_rows(
        run, listed, sources, beg, end, ERR_BOUND_READ, static_cast<long long>(PASS_CHUNK));
    if (rows == nullptr) return;
    eq.beg = beg;
    eq.end = end;
    const int k = static_cast<int>(where.terms.size());
    const long long n = end >= beg ? parallel::sum_over_ranks(rows->rows()) : 0;
    if (n <= k) {
        report_error(run,
                     " ...ERROR.." + fmt_I(n, 5) + " OBSERVATIONS IS NOT ENOUGH FOR" + fmt_I(k, 4) +
                         " COEFFICIENTS",
                     choice_error(command, CHOICE_TOO_FEW));
        return;
    }
    if (run.sw[OSCAN] || run.flags.ODONT) return;

    // The checks of the data, in the order the series in memory are checked: the missing code
    // warned about and used as data, then the regressors and the outcomes.
    BoundChoiceChecks c;
    if (!check_bound_choice_rows(run, *rows, where, c, ERR_BOUND_READ)) return;
    run.last_estimation = EstimationResults{};
    warn_bound_missing_values(run, listed, sources, -1, c.missing_at);
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
    ChoiceData shown;
    shown.names = names;
    shown.intercept = intercept;
    shown.dependent = eq.dep_name;
    report_binary(run, eq, shown, e, o);
    if (store_model_result(run, std::move(e.result), o.out))
        store_marginal_effects(run, o, e.at_means);
}

} // namespace tarvex
