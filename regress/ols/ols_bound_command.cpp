// OLS over series bound to a file on disk (READ ... / BIND): the statement's checks as OLS makes
// them for series in memory, the options that need the series in memory refused before anything
// is read, the estimation range cut at the end of the bound rows, then the fit over blocks of
// rows (ols_bound.cpp), reported and stored as OLSEST reports and stores the fit in memory.
#include "regress/ols/ols_bound_command.hpp"

#include "bound/bound_equation.hpp"
#include "bound/bound_rows.hpp"
#include "bound/statement_series.hpp"
#include "core/error_report.hpp"
#include "core/run.hpp"
#include "core/shared_errors.hpp"
#include "numeric/fortran_format.hpp"
#include "numeric/text.hpp"
#include "options/options.hpp"
#include "parallel/rank_exchange.hpp"
#include "parallel/ranks.hpp"
#include "regress/fit/estimator_front.hpp"
#include "regress/fit/ols_fit.hpp"
#include "regress/fit/ols_options.hpp"
#include "regress/ols/ols_bound.hpp"
#include "regress/ols/ols_command.hpp"
#include "workspace/bound_names.hpp"
#include "workspace/sample.hpp"
#include "workspace/workspace.hpp"

#include <algorithm>
#include <climits>

namespace tarvex {

namespace {

// The listed series; false, with the line written, for an item that is neither a bound series
// nor a whole data series in memory.
bool listed_series(Run& run, std::vector<StatementSeries>& out) {
    if (statement_series(run, out)) return true;
    report_error(run,
                 " ...ERROR..BESIDE SERIES BOUND TO A FILE, OLS TAKES WHOLE DATA SERIES "
                 "ONLY (NO LAGS, MATRICES OR RESULTS)",
                 ERR_BOUND_BESIDE);
    return false;
}

} // namespace

bool ols_lists_bound_series(Run& run, const OlsOptions& o) {
    for (int k = 1; k <= run.scan.NF; ++k)
        if (run.scan.is_bound(k)) return true;
    if (name_blank(o.WEIGHT)) return false;
    const std::string weight = trim_trailing_blanks(o.WEIGHT);
    return VFIND(run, weight) == 0 && find_bound_series(run, weight) != nullptr;
}

void ols_over_bound_series(Run& run, const OlsOptions& o) {
    std::vector<StatementSeries> listed;
    if (!listed_series(run, listed)) return;
    OlsFit fit;
    fit.label = "  OLS ";
    fit.dep_name = first_8_padded(listed[0].shown);
    BoundOlsColumns where;
    std::vector<std::string> sources{listed[0].source};
    for (std::size_t k = 1; k < listed.size(); ++k) {
        if (listed[k].source == listed[0].source) {
            report_error(run, "..ERROR..VARIABLE " + fit.dep_name + " IS ON BOTH SIDES OF EQUATION",
                         ERR_BOTH_SIDES);
            return;
        }
        OlsTerm t;
        t.name = first_8_padded(listed[k].shown);
        fit.terms.push_back(t);
        where.terms.push_back(static_cast<int>(sources.size()));
        sources.push_back(listed[k].source);
    }
    if (o.CONSTANT) {
        OlsTerm c;
        c.kind = TermKind::INTERCEPT;
        c.ref = run.ws.MAXVAR + 1;
        c.name = first_8_padded("CONSTANT");
        fit.terms.push_back(c);
        fit.has_intercept = true;
        where.terms.push_back(-1);
    }
    if (fit.terms.size() + 1 < 2) {
        report_error(run, " ...ERROR..INSUFFICIENT NUMBER OF VARIABLES SPECIFIED",
                     ERR_TOO_FEW_VARIABLES);
        return;
    }
    fit.k = int(fit.terms.size());
    if (!check_name_options(run, olsq_option_table(), ERR_OPTION_VALUE)) return;
    const std::string method = trim_trailing_blanks(o.METHOD);
    if (method != "GS" && method != "HH" && method != "NORMAL" && !method.empty()) {
        report_error(run, " ...ERROR..IN RIGHT HAND SIDE OF OPTION.." + first_8_padded("METHOD"),
                     ERR_OPTION_VALUE);
        return;
    }
    if (!name_blank(o.WEIGHT)) {
        const std::string weight = trim_trailing_blanks(o.WEIGHT);
        if (VFIND(run, weight) == 0 && find_bound_series(run, weight) == nullptr) {
            report_error(run,
                         " ...ERROR..IN RIGHT HAND SIDE OF OPTION.." + first_8_padded("WEIGHT"),
                         ERR_OPTION_VALUE);
            return;
        }
        fit.weighted = true;
        fit.weight_ref = -1; // not a variable of the work area
        where.weight = static_cast<int>(sources.size());
        sources.push_back(weight);
    }
    if ((o.LOGLOG && (o.LOGLIN || o.LINLOG)) || (o.LOGLIN && o.LINLOG) ||
        (o.method() == OlsMethod::HH && (o.RESTRICT || o.HETCOV || o.RIDGE != 0))) {
        report_error(run, " ...ERROR..INCOMPATIBLE OPTIONS ", ERR_INCOMPATIBLE);
        return;
    }
    const std::string beside = o.covariance.clustered() && o.HETCOV ? "HETCOV"
                               : o.AUTCOV > 0                       ? "AUTCOV"
                               : o.RESTRICT                         ? "RESTRICT"
                               : where.weight >= 0                  ? "WEIGHT"
                               : o.method() == OlsMethod::HH        ? "METHOD=HH"
                                                                    : "";
    if (!refuse_covariance_with(run, o.covariance, beside)) return;
    fit.log_dependent = o.LOGLOG || o.LOGLIN || o.LOGINVER;
    fit.log_regressors = o.LOGLOG || o.LINLOG;
    if (const std::string option = option_needing_memory(fit, o); !option.empty()) {
        refuse_needing_memory(run, "OPTION " + option, ERR_NEEDS_MEMORY);
        return;
    }

    // SKIPMISS marks the observations to drop in a skip series as long as the data: not for
    // series that stay on disk.
    if (run.sw[OSMISS]) {
        refuse_needing_memory(run, "OPTION SKIPMISS", ERR_NEEDS_MEMORY);
        return;
    }
    // The estimation range: BEG and END (the sample's unless given); a range past the end of
    // a bound series is an error, and without a range the rows end with the bound rows. The rows
    // are the sample's observations over it.
    int beg = o.BEG;
    int end = o.END;
    std::unique_ptr<RowBlocks> rows =
        open_estimation_rows(run, listed, sources, beg, end, ERR_BOUND_READ);
    if (rows == nullptr) return;
    fit.beg = beg;
    fit.end = end;
    const long long usable = end >= beg ? parallel::sum_over_ranks(rows->rows()) : 0;
    if (usable < fit.k) {
        report_error(run,
                     " ...ERROR.." + fmt_I(usable, 5) + " OBSERVATIONS IS NOT ENOUGH FOR " +
                         "ESTIMATION",
                     ERR_TOO_FEW_OBSERVATIONS);
        return;
    }
    if (run.sw[OSCAN] || run.flags.ODONT) return;
    // The previous estimation's results go as this one starts.
    run.last_estimation = EstimationResults{};
    fit.n = static_cast<int>(usable);
    where.dependent = 0;
    BoundOlsSettings settings;
    settings.missing_value = run.ws.XMISS;
    settings.output_on = run.flags.OPUT;
    // The missing code is looked for in the first pass over the blocks; a sample short enough
    // to be fitted in memory is looked over first.
    std::vector<std::vector<long long>> missing_at;
    if (usable < settings.in_memory_below) {
        if (!find_bound_missing_values(run, *rows, missing_at, ERR_BOUND_READ)) return;
    } else {
        settings.missing_observations = &missing_at;
    }
    OlsEstimate e = estimate_ols_blocks(*rows, where, std::move(fit), o, settings);
    warn_bound_missing_values(run, listed, sources, where.weight, missing_at);
    report_and_store_ols(run, e, o);
    // The record names the series as the statement gave them, so that FCAST finds them bound.
    EstimationResults& record = run.last_estimation;
    if (!record.command.empty() && record.variables.size() + 1 >= listed.size()) {
        record.dep_variable = listed[0].source;
        for (std::size_t k = 1; k < listed.size(); ++k) record.variables[k - 1] = listed[k].source;
    }
}

} // namespace tarvex
