// The range and missing-code checks of estimators over bound series (see bound_equation.hpp).
#include "bound/bound_equation.hpp"

#include "bound/bound_rows.hpp"
#include "core/bound_series.hpp"
#include "core/error_report.hpp"
#include "core/run.hpp"
#include "core/shared_errors.hpp"
#include "numeric/fortran_format.hpp"
#include "numeric/text.hpp"
#include "parallel/rank_exchange.hpp"
#include "parallel/ranks.hpp"
#include "workspace/bound_names.hpp"
#include "workspace/sample.hpp"

#include <algorithm>
#include <climits>

namespace tarvex {

int bound_last_observation(Run& run, const std::vector<std::string>& names, int end) {
    long long last = end;
    for (const std::string& name : names)
        if (const BoundSeries* bound = find_bound_series(run, name))
            last = std::min(last, bound->first_observation + bound->rows - 1);
    return static_cast<int>(last);
}

bool range_within_bound_rows(Run& run, const std::vector<StatementSeries>& listed,
                             const std::vector<std::string>& sources, int wanted) {
    if (wanted <= 0) return true;
    bool within = true;
    for (std::size_t k = 0; k < sources.size(); ++k) {
        const BoundSeries* bound = find_bound_series(run, sources[k]);
        if (bound == nullptr) continue;
        const long long rows = bound->first_observation + bound->rows - 1;
        if (rows >= wanted) continue;
        const std::string shown = k < listed.size() ? listed[k].shown : sources[k];
        report_error(run,
                     " ...ERROR..SAMPLE RANGE EXCEEDS LENGTH OF " + first_8_padded(shown) +
                         fmt_I(rows, 10) + fmt_I(wanted, 10),
                     shared_error::SAMPLE_BEYOND_LENGTH);
        within = false;
    }
    return within;
}

void refuse_needing_memory(Run& run, const std::string& what, int number) {
    report_error(run,
                 " ...ERROR.." + what + " NEEDS THE SERIES IN MEMORY: READ THEM INSTEAD OF BINDING",
                 number);
}

std::unique_ptr<RowBlocks> open_estimation_rows(Run& run,
                                                const std::vector<StatementSeries>& listed,
                                                const std::vector<std::string>& sources, int& beg,
                                                int& end, int read_error, long long share_unit) {
    beg = std::max(beg, 1);
    const int wanted_end = (end == -999 || end < 1) ? run.smpl.IEND : end;
    if (!range_within_bound_rows(run, listed, sources, wanted_end)) return nullptr;
    end = bound_last_observation(run, sources, wanted_end > 0 ? wanted_end : INT_MAX);
    const SampleBlock kept = run.smpl;
    run.smpl.IBEG = beg;
    run.smpl.IEND = end;
    std::string error;
    std::unique_ptr<RowBlocks> rows =
        open_bound_rows(run, sources, error, BOUND_BLOCK_ROWS, share_unit);
    run.smpl = kept;
    // A file one rank cannot open stops the statement on every rank.
    if (!parallel::every_rank_ok(rows != nullptr, error)) {
        report_error(run, error, read_error);
        return nullptr;
    }
    return rows;
}

bool find_bound_missing_values(Run& run, RowBlocks& rows, std::vector<std::vector<long long>>& at,
                               int read_error) {
    const Real missing = run.ws.XMISS;
    at.assign(static_cast<std::size_t>(rows.columns()), {});
    RowBlock block;
    while (rows.next(block))
        for (std::size_t c = 0; c < at.size(); ++c) {
            const Real* v = block.columns[c];
            for (std::size_t i = 0; i < block.length; ++i)
                if (equal_values(v[i], missing)) at[c].push_back(block.observations[i]);
        }
    std::string failure = rows.failure();
    if (!parallel::every_rank_ok(failure.empty(), failure)) {
        report_error(run, failure, read_error);
        return false;
    }
    rows.rewind();
    for (std::vector<long long>& column : at) column = parallel::gather_over_ranks(column);
    return true;
}

void warn_bound_missing_values(Run& run, const std::vector<StatementSeries>& listed,
                               const std::vector<std::string>& sources, int weight_column,
                               const std::vector<std::vector<long long>>& at) {
    if (!run.sw[OMSWRN] || !run.flags.OPUT) return;
    std::vector<long long> used;
    for (std::size_t c = 0; c < at.size(); ++c) {
        const std::string shown = c < listed.size() ? listed[c].shown : sources[c];
        for (const long long t : at[c])
            write_line(run, missing_value_warning(run, t, first_8_padded(shown)));
        if (static_cast<int>(c) != weight_column)
            used.insert(used.end(), at[c].begin(), at[c].end());
    }
    std::sort(used.begin(), used.end());
    used.erase(std::unique(used.begin(), used.end()), used.end());
    note_missing_values_used(run, static_cast<long long>(used.size()));
}

} // namespace tarvex
