// STATS over bound series: the options it can honour over blocks, the two passes with exact
// accumulators, and the summaries made from their sums by the kernel STATS uses in memory.
#include "regress/stats/stats_bound.hpp"

#include "bound/bound_rows.hpp"
#include "bound/statement_series.hpp"
#include "core/error_report.hpp"
#include "core/run.hpp"
#include "numeric/exact_dot.hpp"
#include "numeric/fortran_format.hpp"
#include "numeric/text.hpp"
#include "parallel/exact_reduce.hpp"
#include "parallel/rank_exchange.hpp"
#include "regress/stats/stats_errors.hpp"
#include "regress/stats/stats_options.hpp"
#include "regress/stats/stats_result.hpp"
#include "workspace/bound_names.hpp"
#include "workspace/workspace.hpp"

#include <algorithm>

namespace tarvex {

namespace {

// One listed series' sums through the passes. The extremes are kept as the rows give them, one
// after another: the first value starts them (a NaN first stays), then each later value below
// the lowest or above the highest replaces it. Over this rank's rows the pass keeps the first
// value and the extremes of the values that are not NaN; the ranks' extremes then combine in
// rank order into those of the rows in order.
struct BoundColumnSums {
    std::string name; // 8 columns, as the table shows it
    long long count = 0;
    Real first = 0, lowest = 0, highest = 0; // this rank's rows: lowest, highest not NaN
    bool has_ordered = false;                // this rank has a value that is not NaN
    Real minimum = 0, maximum = 0, mean = 0;
    ExactAccumulator sum, dev_sum, dev_squares, dev_cubes, dev_fourths;
};

// The counts and extremes over every rank's rows, in rank order.
void combine_rank_extremes(std::vector<BoundColumnSums>& sums) {
    constexpr std::size_t PER_COLUMN = 5;
    std::vector<Real> mine;
    for (const BoundColumnSums& s : sums) {
        mine.insert(mine.end(),
                    {Real(s.count), s.first, s.lowest, s.highest, Real(s.has_ordered ? 1 : 0)});
    }
    const std::vector<Real> all = parallel::gather_over_ranks(mine);
    const std::size_t per_rank = mine.size();
    for (std::size_t c = 0; c < sums.size(); ++c) {
        BoundColumnSums& s = sums[c];
        s.count = 0;
        for (std::size_t at = c * PER_COLUMN; at < all.size(); at += per_rank) {
            const long long count = static_cast<long long>(all[at]);
            if (count == 0) continue;
            if (s.count == 0) s.minimum = s.maximum = all[at + 1];
            s.count += count;
            if (all[at + 4] == 0) continue;
            if (all[at + 2] < s.minimum) s.minimum = all[at + 2];
            if (all[at + 3] > s.maximum) s.maximum = all[at + 3];
        }
    }
}

// The exact sums chosen by `member`, added over the ranks.
void reduce_column_sums(std::vector<BoundColumnSums>& sums,
                        std::initializer_list<ExactAccumulator BoundColumnSums::*> members) {
    std::vector<ExactAccumulator> packed;
    for (BoundColumnSums& s : sums)
        for (ExactAccumulator BoundColumnSums::*m : members) packed.push_back(s.*m);
    parallel::reduce_exact_sums(packed);
    std::size_t at = 0;
    for (BoundColumnSums& s : sums)
        for (ExactAccumulator BoundColumnSums::*m : members) s.*m = packed[at++];
}

// The first option given that needs the whole series (its description), or empty.
std::string whole_series_option(const StatsOptions& o) {
    if (o.PMEDIAN || o.PFREQUEN || !all_blanks(o.MEDIANS) || !all_blanks(o.MODES))
        return "MEDIANS, MODES AND FREQUENCIES";
    if (o.STEMPLOT != STATS_NOT_GIVEN) return "A STEMPLOT";
    if (o.PCORRELA || o.PCOVARIA || o.PCPRODUC || o.PCPDEV || o.PRANKCOR ||
        !all_blanks(o.CORRELAT) || !all_blanks(o.COVARIAN) || !all_blanks(o.CPRODUCT) ||
        !all_blanks(o.CPDEVIAT) || !all_blanks(o.RANKCORR))
        return "MATRICES";
    if (o.ANOVA || o.BARTLETT || o.BEHRENSF || o.NPARAM) return "TESTS ACROSS THE VARIABLES";
    if (!all_blanks(o.WEIGHT) || o.REPLICAT) return "WEIGHTS";
    if (o.SAMEOBS) return "SAMEOBS";
    if (o.ALL || o.MATRIX) return "ALL OR MATRIX";
    return {};
}

// The listed names; false (with the line written) for an item that is neither a bound series
// nor a whole data series in memory.
bool bound_stats_names(Run& run, std::vector<std::string>& names, std::vector<std::string>& shown) {
    std::vector<StatementSeries> listed;
    if (!statement_series(run, listed)) {
        report_error(run,
                     " ...ERROR..BESIDE SERIES BOUND TO A FILE, STATS TAKES WHOLE DATA SERIES "
                     "ONLY (NO LAGS, MATRICES OR RESULTS)",
                     ERR_STATS_BOUND_OPTION);
        return false;
    }
    for (const StatementSeries& series : listed) {
        names.push_back(series.source);
        shown.push_back(first_8_padded(series.shown));
    }
    return true;
}

// The last observation every listed series holds.
long long bound_stats_last(Run& run, const std::vector<std::string>& names) {
    long long last = 0;
    for (const std::string& name : names) {
        if (const BoundSeries* bound = find_bound_series(run, name)) {
            last = std::max(last, bound->first_observation + bound->rows - 1);
            continue;
        }
        VarInfo info;
        int column = 0;
        if (variable_info(run.ws, VFIND(run, name), info, column) == VarStatus::FOUND)
            last = std::max(last, info.length);
    }
    return last;
}

// One pass over the blocks; false (reported on every rank) when a read failed on any rank.
template <class Take>
bool bound_stats_pass(Run& run, RowBlocks& rows, Take take) {
    RowBlock block;
    while (rows.next(block)) take(block);
    std::string failure = rows.failure();
    if (parallel::every_rank_ok(failure.empty(), failure)) return true;
    report_error(run, failure, ERR_STATS_BOUND_PASS);
    return false;
}

} // namespace

bool stats_lists_bound(const Run& run) {
    for (int k = 1; k <= run.scan.NF; ++k)
        if (run.scan.is_bound(k)) return true;
    return false;
}

bool compute_bound_stats(Run& run, const StatsOptions& o, StatsResult& r) {
    if (const std::string what = whole_series_option(o); !what.empty()) {
        report_error(run,
                     " ...ERROR..STATS OVER SERIES BOUND TO A FILE CANNOT GIVE " + what +
                         ": THEY NEED THE WHOLE SERIES IN MEMORY",
                     ERR_STATS_BOUND_OPTION);
        return false;
    }
    std::vector<std::string> names, shown;
    if (!bound_stats_names(run, names, shown)) return false;
    // STATS's range: BEG and END (the sample's unless given), cut at the end of the series.
    const SampleBlock sample = run.smpl;
    run.smpl.IBEG = std::max(o.BEG, 1);
    run.smpl.IEND = static_cast<int>(o.OBS > 0 ? run.smpl.IBEG + o.OBS - 1
                                               : (o.END >= 1 ? o.END : run.smpl.IEND));
    run.smpl.IEND =
        static_cast<int>(std::min<long long>(run.smpl.IEND, bound_stats_last(run, names)));
    std::string error;
    std::unique_ptr<RowBlocks> rows = open_bound_rows(run, names, error);
    run.smpl = sample;
    if (!parallel::every_rank_ok(rows != nullptr, error)) {
        report_error(run, error, ERR_STATS_BOUND_PASS);
        return false;
    }
    const Real missing = run.ws.XMISS;
    const bool higher = !all_blanks(o.MOMENTS);
    std::vector<BoundColumnSums> sums(names.size());
    for (std::size_t c = 0; c < names.size(); ++c) sums[c].name = shown[c];
    // Each block's values in use (and their deviations) are gathered and added in one call.
    std::vector<Real> kept, squares;
    // Pass 1: counts, extremes and the exact sums that give the means.
    if (!bound_stats_pass(run, *rows, [&](const RowBlock& block) {
            for (std::size_t c = 0; c < sums.size(); ++c) {
                BoundColumnSums& s = sums[c];
                const Real* x = block.columns[c];
                kept.clear();
                for (std::size_t i = 0; i < block.length; ++i) {
                    const Real v = x[i];
                    if (v == missing) continue;
                    if (s.count++ == 0) s.first = v;
                    kept.push_back(v);
                    if (isnanq(v)) continue;
                    if (!s.has_ordered) {
                        s.lowest = s.highest = v;
                        s.has_ordered = true;
                    } else if (v < s.lowest) { // a new minimum cannot be a new maximum
                        s.lowest = v;
                    } else if (v > s.highest) {
                        s.highest = v;
                    }
                }
                s.sum.add_values(kept.data(), kept.size());
            }
        }))
        return false;
    combine_rank_extremes(sums);
    reduce_column_sums(sums, {&BoundColumnSums::sum});
    for (BoundColumnSums& s : sums)
        if (s.count > 0) s.mean = s.sum.result() / Real(s.count);
    // Pass 2: the deviations from the rounded means, d, d^2, and d^3 and d^4 as d^2 d and
    // d^2 d^2 (the square rounded once, as in memory).
    rows->rewind();
    if (!bound_stats_pass(run, *rows, [&](const RowBlock& block) {
            for (std::size_t c = 0; c < sums.size(); ++c) {
                BoundColumnSums& s = sums[c];
                const Real* x = block.columns[c];
                kept.clear();
                for (std::size_t i = 0; i < block.length; ++i)
                    if (x[i] != missing) kept.push_back(x[i] - s.mean);
                const std::size_t n = kept.size();
                s.dev_sum.add_values(kept.data(), n);
                s.dev_squares.add_products(kept.data(), kept.data(), n);
                if (!higher) continue;
                squares.resize(n);
                for (std::size_t i = 0; i < n; ++i) squares[i] = kept[i] * kept[i];
                s.dev_cubes.add_products(squares.data(), kept.data(), n);
                s.dev_fourths.add_products(squares.data(), squares.data(), n);
            }
        }))
        return false;
    reduce_column_sums(sums, {&BoundColumnSums::dev_sum, &BoundColumnSums::dev_squares,
                              &BoundColumnSums::dev_cubes, &BoundColumnSums::dev_fourths});
    for (BoundColumnSums& s : sums) {
        if (s.count == 0) {
            if (run.flags.OPUT)
                write_line(run, " " + s.name + fmt_I(0, 7) + " NO OBSERVATIONS FOUND");
            continue;
        }
        MomentSums m;
        m.count = s.count;
        m.n = Real(s.count);
        m.sum = s.sum.result();
        m.mean = s.mean;
        m.minimum = s.minimum;
        m.maximum = s.maximum;
        m.dev_sum = s.dev_sum.result();
        m.dev_squares = s.dev_squares.result();
        m.dev_cubes = s.dev_cubes.result();
        m.dev_fourths = s.dev_fourths.result();
        r.names.push_back(s.name);
        r.rows.push_back(summary_from_sums(m, o.DN, higher));
    }
    if (o.SAMPSIZE && !r.rows.empty()) {
        r.population = o.NPOP > 0 ? o.NPOP : 0;
        if (r.population == 0)
            for (const VariableSummary& s : r.rows) r.population = std::max(r.population, s.count);
        for (const VariableSummary& s : r.rows)
            r.sample_sizes.push_back(sample_size(s.mean, s.stdev, r.population));
    }
    return true;
}

} // namespace tarvex
