// 2SLS over series bound to a file (see iv_bound.hpp): the statement read from the bound list,
// the refusals, the range cut at the end of the bound rows, and the two passes over the blocks.
#include "regress/iv/iv_bound.hpp"

#include "bound/bound_equation.hpp"
#include "bound/bound_rows.hpp"
#include "bound/statement_series.hpp"
#include "core/error_report.hpp"
#include "core/run.hpp"
#include "numeric/fortran_format.hpp"
#include "numeric/text.hpp"
#include "parallel/rank_exchange.hpp"
#include "parallel/ranks.hpp"
#include "regress/fit/estimator_front.hpp"
#include "regress/fit/store_result.hpp"
#include "regress/iv/iv_bound_passes.hpp"
#include "regress/iv/iv_command.hpp"
#include "regress/iv/iv_errors.hpp"
#include "regress/iv/iv_estimate.hpp"
#include "regress/iv/iv_failure.hpp"
#include "regress/iv/iv_options.hpp"
#include "regress/iv/iv_report.hpp"

#include <algorithm>
#include <climits>

namespace tarvex {

namespace {

// The options that need every residual or value at once, as the report names them; empty when
// the estimate can run over the blocks.
std::string option_needing_memory(const IvOptions& o) {
    struct Need {
        bool needed;
        const char* name;
    };
    const Need needs[] = {
        {o.METHOD == "GMM", "METHOD=GMM"},
        {!name_blank(o.out.PREDICT), "PREDICT"},
        {!name_blank(o.out.RESID), "RESID"},
        {o.AUTCOV > 0, "AUTCOV"},
        {o.HETCOV, "HETCOV"},
        {o.HC1, "HC1"},
        {o.HC2, "HC2"},
        {o.HC3, "HC3"},
        {!name_blank(o.CLUSTER) || o.CLHC0, "CLUSTER"},
    };
    for (const Need& need : needs)
        if (need.needed) return need.name;
    return "";
}

OlsTerm named_term(const std::string& shown) {
    OlsTerm t;
    t.ref = 0; // not a variable of the work area
    t.name = first_8_padded(shown);
    return t;
}

OlsTerm constant_term(const Run& run) {
    OlsTerm c;
    c.kind = TermKind::INTERCEPT;
    c.ref = run.ws.MAXVAR + 1;
    c.name = first_8_padded("CONSTANT");
    return c;
}

} // namespace

bool iv_lists_bound_series(const Run& run) {
    for (int k = 1; k <= run.scan.NF; ++k)
        if (run.scan.is_bound(k)) return true;
    return false;
}

void iv_over_bound_series(Run& run, const IvOptions& o, const std::string& command) {
    std::vector<StatementSeries> listed;
    if (!statement_series(run, listed)) {
        report_error(run,
                     " ...ERROR..BESIDE SERIES BOUND TO A FILE, " + command +
                         " TAKES WHOLE DATA SERIES ONLY (NO LAGS, MATRICES OR RESULTS)",
                     ERR_IV_BOUND_BESIDE);
        return;
    }
    const int split = run.scan.list_break;
    const int items = static_cast<int>(listed.size());
    if (split < 1 || split >= items || (split < 2 && !o.CONSTANT)) {
        report_error(run, " ...ERROR.." + command + " NEEDS depvar regressors ; instruments",
                     ERR_IV_NO_LIST);
        return;
    }
    if (const std::string option = option_needing_memory(o); !option.empty()) {
        refuse_needing_memory(run, "OPTION " + option, ERR_IV_NEEDS_MEMORY);
        return;
    }
    // SKIPMISS marks the observations to drop in a skip series as long as the data.
    if (run.sw[OSMISS]) {
        refuse_needing_memory(run, "OPTION SKIPMISS", ERR_IV_NEEDS_MEMORY);
        return;
    }

    // The equation: y, the regressors (items 2..split), the instruments (after ";"), CONSTANT
    // last in both lists; the distinct columns by the series they name, y the block's column 0.
    IvEquation eq;
    eq.command = command;
    eq.dep_name = first_8_padded(listed[0].shown);
    std::vector<std::string> sources{listed[0].source};
    std::vector<StatementSeries> shown{listed[0]};
    IvLayout layout;
    std::vector<int> block_columns;
    std::vector<std::string> distinct;
    auto place = [&](const StatementSeries& item) {
        const auto at = std::find(distinct.begin(), distinct.end(), item.source);
        if (at != distinct.end()) return static_cast<int>(at - distinct.begin());
        distinct.push_back(item.source);
        layout.constant.push_back(false);
        block_columns.push_back(static_cast<int>(sources.size()));
        sources.push_back(item.source);
        shown.push_back(item);
        return static_cast<int>(distinct.size()) - 1;
    };
    for (int k = 1; k < items; ++k) {
        if (listed[k].source == listed[0].source) {
            report_error(run,
                         " ...ERROR..VARIABLE " + eq.dep_name + " IS ON BOTH SIDES OF EQUATION",
                         ERR_IV_BOTH_SIDES);
            return;
        }
        const int column = place(listed[k]);
        (k < split ? eq.terms : eq.instruments).push_back(named_term(listed[k].shown));
        (k < split ? layout.regressors : layout.instruments).push_back(column);
    }
    if (o.CONSTANT) {
        const int column = static_cast<int>(distinct.size());
        distinct.emplace_back();
        layout.constant.push_back(true);
        block_columns.push_back(-1);
        eq.terms.push_back(constant_term(run));
        eq.instruments.push_back(constant_term(run));
        layout.regressors.push_back(column);
        layout.instruments.push_back(column);
    }
    // The counts are known before the data are read.
    int endogenous = 0;
    for (int r : layout.regressors)
        if (std::find(layout.instruments.begin(), layout.instruments.end(), r) ==
            layout.instruments.end())
            ++endogenous;
    const int excluded =
        static_cast<int>(layout.instruments.size() - layout.regressors.size()) + endogenous;
    if (endogenous > excluded) {
        IvEstimate e;
        e.endogenous.assign(static_cast<std::size_t>(endogenous), 0);
        e.excluded = excluded;
        e.end = IvEnd::UNDERIDENTIFIED;
        report_estimation_failure(run, iv_failure(eq, e));
        return;
    }

    // The range: BEG and END (the sample's unless given); past the end of a bound series an
    // error, and without a range the rows end with the bound rows.
    int beg = o.BEG;
    int end = o.END;
    std::unique_ptr<RowBlocks> rows =
        open_estimation_rows(run, shown, sources, beg, end, ERR_IV_BOUND_READ);
    if (rows == nullptr) return;
    eq.beg = beg;
    eq.end = end;
    layout.n = end >= beg ? static_cast<std::size_t>(parallel::sum_over_ranks(rows->rows())) : 0;
    if (run.sw[OSCAN] || run.flags.ODONT) return;

    std::vector<std::vector<long long>> missing_at;
    BlockIvPasses passes(*rows, block_columns, 0, &missing_at, run.ws.XMISS);
    IvEstimate e;
    const bool read = estimate_iv_passes(layout, passes, e);
    if (!read) {
        report_error(run, passes.failure(), ERR_IV_BOUND_READ);
        return;
    }
    warn_bound_missing_values(run, shown, sources, -1, missing_at);
    // The record names the terms as the one in memory does, and no rows; its variables are the
    // series as the statement gave them, so that FCAST finds them bound.
    conclude_iv(run, eq, e, o);
    EstimationResults& record = run.last_estimation;
    if (!record.command.empty() && record.variables.size() + 1 >= std::size_t(split)) {
        record.dep_variable = listed[0].source;
        for (int k = 1; k < split; ++k) record.variables[std::size_t(k - 1)] = listed[k].source;
    }
}

} // namespace tarvex
