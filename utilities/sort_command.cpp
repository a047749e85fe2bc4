// SORT key [key ...] [; carried ...] [/ DESCEND]: reorders the observations of the current
// sample by the keys, carrying the other listed series along. Without ";" the first series is
// the key and the rest are carried. The sort is stable; observations with a missing key go
// last, in their own order, with a note. Every check is made before any value moves.
#include "core/error_report.hpp"
#include "core/run.hpp"
#include "numeric/text.hpp"
#include "options/option_access.hpp"
#include "options/options.hpp"
#include "utilities/sort_order.hpp"
#include "utilities/utility_commands.hpp"
#include "workspace/sample.hpp"
#include "workspace/workspace.hpp"

#include <algorithm>

namespace tarvex {

namespace {

// Sequences of SORT's own $ERR numbers (the command's slot x 1000 + sequence).
enum SortError : int {
    SORT_NO_KEY = 1,        // nothing listed, or nothing before ";"
    SORT_LAGGED = 2,        // a lagged or distributed-lag item
    SORT_NOT_SERIES = 3,    // a matrix, string, character variable, column or result scalar
    SORT_LISTED_TWICE = 4,  // the same series twice
    SORT_TOO_SHORT = 5,     // a series that ends before the sample does
    SORT_NO_OBSERVATION = 6 // the sample holds no observation in use
};

// clang-format off
const OptionTable SORT_TABLE = {
    {
        //  #  keyword    effect
        "DESCEND",  //  1 switch  every key in descending order (largest first)
    },
    1, 0, 0, 0};
// clang-format on

void sort_error(Run& run, const std::string& text, int sequence) {
    report_error(run, " ...ERROR.." + text, command_error_number(run, sequence));
}

struct SortedSeries {
    int slot = 0;
    std::string name;
    VarInfo info;
};

// The listed series, checked; empty after an error line.
std::vector<SortedSeries> sort_series(Run& run) {
    std::vector<SortedSeries> series;
    for (int item = 1; item <= run.scan.NF; ++item) {
        int ref = run.scan.ref(item);
        const bool lagged = ref < MARK_BASE || run.scan.lag(item) != 0;
        if (ref < MARK_BASE) ref = MARK_BASE - ref;
        const std::string name = ref > 0 && ref <= run.ws.NVARS
                                     ? trim_trailing_blanks(run.ws.VNAME[ref])
                                     : "ITEM " + std::to_string(item);
        if (lagged) {
            sort_error(run, "SORT TAKES SERIES WITHOUT LAGS: " + name, SORT_LAGGED);
            return {};
        }
        SortedSeries s{ref, name, {}};
        if (ref <= 0 || ref > run.ws.NVARS || !VINFO(run, ref, s.info) ||
            s.info.type != TYPE_DATA || s.info.scalar != 0) {
            sort_error(run, name + " IS NOT A SERIES: SORT ORDERS SERIES ONLY", SORT_NOT_SERIES);
            return {};
        }
        for (const SortedSeries& earlier : series)
            if (earlier.slot == ref) {
                sort_error(run, name + " IS LISTED TWICE", SORT_LISTED_TWICE);
                return {};
            }
        series.push_back(s);
    }
    return series;
}

// The observations SORT reorders: those in use in the sample range (the whole of the first
// series when no sample is set).
std::vector<long long> sort_observations(const Run& run, long long first_length) {
    long long first = run.smpl.IBEG, last = run.smpl.IEND;
    if (last < first) first = 1, last = first_length;
    std::vector<long long> obs;
    for (long long t = std::max(1LL, first); t <= last; ++t)
        if (obs_in_use(run, int(t))) obs.push_back(t);
    return obs;
}

std::string joined_names(const std::vector<SortedSeries>& series, std::size_t from,
                         std::size_t to) {
    std::string text;
    for (std::size_t k = from; k < to; ++k) text += (k > from ? ", " : "") + series[k].name;
    return text;
}

} // namespace

void cmd_sort(Run& run) {
    OptionDefaults defaults(run.opt, SORT_TABLE);
    if (!OPTION(run, SORT_TABLE)) return;
    if (run.sw[OSCAN] || run.flags.ODONT) return;
    const bool descending = OptionValues(run.opt, SORT_TABLE).on("DESCEND");
    const int key_count = run.scan.list_break >= 0 ? run.scan.list_break : 1;
    if (run.scan.NF == 0 || key_count == 0)
        return sort_error(run, "SORT NEEDS A KEY SERIES: SORT key [key ...] [; carried ...]",
                          SORT_NO_KEY);
    std::vector<SortedSeries> series = sort_series(run);
    if (series.empty()) return;

    const long long last = run.smpl.IEND >= run.smpl.IBEG ? run.smpl.IEND : series[0].info.length;
    for (const SortedSeries& s : series)
        if (s.info.length < last) {
            sort_error(run,
                       s.name + " HAS " + std::to_string(s.info.length) +
                           " OBSERVATIONS: THE SAMPLE RUNS TO OBSERVATION " + std::to_string(last),
                       SORT_TOO_SHORT);
            return;
        }
    const std::vector<long long> obs = sort_observations(run, series[0].info.length);
    if (obs.empty())
        return sort_error(run, "NO OBSERVATION OF THE SAMPLE IS IN USE: NOTHING TO SORT",
                          SORT_NO_OBSERVATION);

    // Read every series at the observations, order by the keys, write the values back.
    std::vector<std::vector<Real>> values(series.size(), std::vector<Real>(obs.size()));
    std::vector<Real*> first(series.size());
    for (std::size_t k = 0; k < series.size(); ++k) {
        first[k] = &element(run, series[k].info, 0);
        const int inc = series[k].info.inc;
        for (std::size_t i = 0; i < obs.size(); ++i) values[k][i] = first[k][obs[i] * inc];
    }
    std::vector<SortKey> keys;
    for (int k = 0; k < key_count && k < int(series.size()); ++k)
        keys.push_back({&values[std::size_t(k)], descending});
    const SortOrder order = sort_order(keys, run.ws.XMISS);
    for (std::size_t k = 0; k < series.size(); ++k) {
        const int inc = series[k].info.inc;
        for (std::size_t i = 0; i < obs.size(); ++i)
            first[k][obs[i] * inc] = values[k][order.rows[i]];
    }

    run.res[R_N] = Real(obs.size());
    if (!run.flags.OPUT) return;
    const std::size_t keys_used = keys.size();
    write_line(run, " ...NOTE.." + std::to_string(obs.size()) + " OBSERVATIONS SORTED BY " +
                        joined_names(series, 0, keys_used) +
                        (descending ? " (DESCENDING)" : " (ASCENDING)"));
    if (keys_used < series.size())
        write_line(run,
                   " ...NOTE..CARRIED ALONG: " + joined_names(series, keys_used, series.size()));
    if (order.missing > 0)
        write_line(run, " ...NOTE.." + std::to_string(order.missing) +
                            (order.missing == 1 ? " OBSERVATION HAS" : " OBSERVATIONS HAVE") +
                            " A MISSING KEY: PLACED LAST");
}

} // namespace tarvex
