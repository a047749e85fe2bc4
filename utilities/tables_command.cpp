// TABLES row col [layer] [/ ROWPCT COLPCT WEIGHT=w]: cross-tabulation of two coded series (one
// table for each category of a third), with counts, row and column totals, optional row and
// column percentages, and Pearson's chi-square and the likelihood-ratio tests of independence.
// Categories are the distinct values over the sample, in increasing order, named by a coded
// series' labels; an observation missing in any listed series (or the weight) is left out.
// The last table's tests are left in $CHI, $VAL (likelihood ratio), $DF, $PVAL and $N.
#include "core/error_report.hpp"
#include "core/run.hpp"
#include "numeric/fortran_format.hpp"
#include "numeric/text.hpp"
#include "options/option_access.hpp"
#include "options/options.hpp"
#include "utilities/independence_tests.hpp"
#include "utilities/utility_commands.hpp"
#include "workspace/sample.hpp"
#include "workspace/workspace.hpp"

#include <algorithm>
#include <map>

namespace tarvex {

namespace {

// Sequences of TABLES' own $ERR numbers (the command's slot x 1000 + sequence).
enum TablesError : int {
    TABLES_LIST = 1,           // not two or three series
    TABLES_NOT_SERIES = 2,     // a matrix, string, lagged item or result scalar
    TABLES_TOO_MANY = 3,       // more distinct values than a table takes
    TABLES_NOT_WHOLE = 4,      // a weight that is negative or not whole
    TABLES_CELL_LIMIT = 5,     // a weighted count beyond the 32-bit limit
    TABLES_NO_OBSERVATION = 6, // no observation with every value present
};

constexpr std::size_t TABLES_MAX_CATEGORIES = 100;
const Real CELL_LIMIT = 2147483647;

// clang-format off
const OptionTable TABLES_TABLE = {
    {
        //  #  keyword    effect
        "ROWPCT",   //  1 switch  percentages of each row's total
        "COLPCT",   //  2 switch  percentages of each column's total
        "WEIGHT",   //  3 name    frequency weights: whole numbers, 0 or more
    },
    2, 0, 0, 1};
// clang-format on

void tables_error(Run& run, const std::string& text, int sequence) {
    report_error(run, " ...ERROR.." + text, command_error_number(run, sequence));
}

struct CodedSeries {
    std::string name;
    int slot = 0;
    VarInfo info;
    std::vector<Real> values;       // sorted distinct values present in the table
    std::vector<std::string> names; // their labels
};

bool read_coded(Run& run, int ref, bool lagged, CodedSeries& s) {
    if (ref < MARK_BASE) ref = MARK_BASE - ref;
    s.name = ref > 0 && ref <= run.ws.NVARS ? trim_trailing_blanks(run.ws.VNAME[ref]) : "ITEM";
    if (lagged || ref <= 0 || ref > run.ws.NVARS || !VINFO(run, ref, s.info) ||
        s.info.type != TYPE_DATA) {
        tables_error(run, s.name + " IS NOT A SERIES: TABLES COUNTS CODED SERIES",
                     TABLES_NOT_SERIES);
        return false;
    }
    s.slot = ref;
    return true;
}

std::string category_label(const Run& run, const CodedSeries& s, Real value) {
    const auto labels = run.ws.value_labels.find(run.ws.VNAME[s.slot]);
    if (labels != run.ws.value_labels.end() && value == floorq(value) && value >= 1 &&
        value <= Real(labels->second.size()))
        return labels->second[std::size_t(value) - 1];
    if (value == floorq(value) && fabsq(value) < 1e15Q)
        return trim_blanks(fmt_F(value, 20, 0))
            .substr(0, trim_blanks(fmt_F(value, 20, 0)).size() - 1);
    return trim_blanks(fmt_G(value, 14, 6));
}

std::string cell_text(const std::string& text, int width) {
    return text.size() >= std::size_t(width)
               ? " " + text.substr(0, std::size_t(width - 1))
               : std::string(std::size_t(width) - text.size(), ' ') + text;
}

std::string count_text(Real n) {
    return trim_blanks(fmt_F(n, 24, 0)).substr(0, trim_blanks(fmt_F(n, 24, 0)).size() - 1);
}

void write_percent_rows(Run& run, const std::vector<std::vector<Real>>& counts,
                        const CodedSeries& r, bool by_row) {
    const std::size_t rows = counts.size(), cols = counts[0].size();
    std::vector<Real> base(by_row ? rows : cols, 0);
    for (std::size_t i = 0; i < rows; ++i)
        for (std::size_t j = 0; j < cols; ++j) base[by_row ? i : j] += counts[i][j];
    write_line(run, by_row ? " ROW PERCENTAGES" : " COLUMN PERCENTAGES");
    for (std::size_t i = 0; i < rows; ++i) {
        std::string line = " " + (r.names[i] + std::string(12, ' ')).substr(0, 12);
        for (std::size_t j = 0; j < cols; ++j) {
            const Real b = base[by_row ? i : j];
            line += b > 0 ? fmt_F(100 * counts[i][j] / b, 12, 2) : cell_text("-", 12);
        }
        write_line(run, line);
    }
}

void write_table(Run& run, const std::vector<std::vector<Real>>& counts, const CodedSeries& r,
                 const CodedSeries& c, const std::string& title, bool row_pct, bool col_pct) {
    const std::size_t rows = counts.size(), cols = counts[0].size();
    write_line(run, title);
    std::string head = " " + (r.name + std::string(12, ' ')).substr(0, 12);
    for (const std::string& n : c.names) head += cell_text(n, 12);
    write_line(run, head + cell_text("TOTAL", 12));
    std::vector<Real> col_total(cols, 0);
    Real total = 0;
    for (std::size_t i = 0; i < rows; ++i) {
        std::string line = " " + (r.names[i] + std::string(12, ' ')).substr(0, 12);
        Real row_total = 0;
        for (std::size_t j = 0; j < cols; ++j) {
            line += cell_text(count_text(counts[i][j]), 12);
            row_total += counts[i][j];
            col_total[j] += counts[i][j];
        }
        total += row_total;
        write_line(run, line + cell_text(count_text(row_total), 12));
    }
    std::string line = " TOTAL       ";
    for (Real n : col_total) line += cell_text(count_text(n), 12);
    write_line(run, line + cell_text(count_text(total), 12));
    if (row_pct) write_percent_rows(run, counts, r, true);
    if (col_pct) write_percent_rows(run, counts, r, false);
    const IndependenceTests t = independence_tests(counts);
    run.res[R_N] = t.total;
    if (t.df == 0) {
        write_line(run, " ...NOTE..FEWER THAN TWO ROWS OR COLUMNS HOLD COUNTS: NO TEST OF "
                        "INDEPENDENCE");
        return;
    }
    write_line(run, " PEARSON CHI-SQUARE        =" + fmt_G(t.pearson, 16, 8) +
                        "  DF=" + fmt_I(t.df, 6) + "  P-VALUE=" + fmt_F(t.pearson_p, 10, 6));
    write_line(run, " LIKELIHOOD RATIO CHI-SQUARE=" + fmt_G(t.likelihood_ratio, 15, 8) + "  DF=" +
                        fmt_I(t.df, 6) + "  P-VALUE=" + fmt_F(t.likelihood_ratio_p, 10, 6));
    run.res[R_CHI] = t.pearson;
    run.res[R_VAL] = t.likelihood_ratio;
    run.res[R_DF] = t.df;
    run.res[R_PVAL] = t.pearson_p;
}

} // namespace

void cmd_tables(Run& run) {
    OptionDefaults defaults(run.opt, TABLES_TABLE);
    if (!OPTION(run, TABLES_TABLE)) return;
    if (run.sw[OSCAN] || run.flags.ODONT) return;
    const OptionValues o(run.opt, TABLES_TABLE);
    if (run.scan.NF < 2 || run.scan.NF > 3)
        return tables_error(run, "TABLES NEEDS TWO OR THREE SERIES: TABLES row col [layer]",
                            TABLES_LIST);
    std::vector<CodedSeries> series(std::size_t(run.scan.NF));
    for (int k = 1; k <= run.scan.NF; ++k)
        if (!read_coded(run, run.scan.ref(k), run.scan.ref(k) < MARK_BASE || run.scan.lag(k) != 0,
                        series[std::size_t(k - 1)]))
            return;
    CodedSeries weight;
    const std::string weight_name = trim_trailing_blanks(o.name("WEIGHT"));
    if (!weight_name.empty()) {
        const int ref = VFIND(run, weight_name);
        if (!read_coded(run, ref, false, weight)) return;
    }

    // The observations with every value present, and each series' categories over them.
    long long first = run.smpl.IBEG, last = run.smpl.IEND;
    long long shortest = series[0].info.length;
    for (const CodedSeries& s : series) shortest = std::min(shortest, s.info.length);
    if (!weight_name.empty()) shortest = std::min(shortest, weight.info.length);
    if (last < first) first = 1, last = shortest;
    last = std::min(last, shortest);
    std::vector<long long> obs;
    for (long long t = std::max(1LL, first); t <= last; ++t) {
        if (!obs_in_use(run, int(t))) continue;
        bool present = true;
        for (const CodedSeries& s : series)
            present = present && element(run, s.info, t) != run.ws.XMISS;
        if (!weight_name.empty()) {
            const Real w = element(run, weight.info, t);
            if (w == run.ws.XMISS) continue;
            if (w < 0 || w != floorq(w)) {
                tables_error(run,
                             "WEIGHT " + weight.name +
                                 " IS NOT A WHOLE NUMBER 0 OR MORE AT "
                                 "OBSERVATION " +
                                 std::to_string(t),
                             TABLES_NOT_WHOLE);
                return;
            }
        }
        if (present) obs.push_back(t);
    }
    if (obs.empty())
        return tables_error(run, "NO OBSERVATION OF THE SAMPLE HOLDS EVERY SERIES",
                            TABLES_NO_OBSERVATION);
    std::vector<std::map<Real, std::size_t>> index(series.size());
    for (std::size_t k = 0; k < series.size(); ++k) {
        for (long long t : obs) index[k][element(run, series[k].info, t)] = 0;
        if (index[k].size() > TABLES_MAX_CATEGORIES) {
            tables_error(run,
                         series[k].name + " HAS " + std::to_string(index[k].size()) +
                             " DISTINCT VALUES: A TABLE TAKES AT MOST " +
                             std::to_string(TABLES_MAX_CATEGORIES),
                         TABLES_TOO_MANY);
            return;
        }
        std::size_t at = 0;
        for (auto& [value, position] : index[k]) {
            position = at++;
            series[k].values.push_back(value);
            series[k].names.push_back(category_label(run, series[k], value));
        }
    }
    const std::size_t layers = series.size() == 3 ? series[2].values.size() : 1;
    std::vector<std::vector<std::vector<Real>>> counts(
        layers, std::vector<std::vector<Real>>(series[0].values.size(),
                                               std::vector<Real>(series[1].values.size(), 0)));
    for (long long t : obs) {
        const std::size_t i = index[0][element(run, series[0].info, t)];
        const std::size_t j = index[1][element(run, series[1].info, t)];
        const std::size_t l = layers > 1 ? index[2][element(run, series[2].info, t)] : 0;
        counts[l][i][j] += weight_name.empty() ? 1 : element(run, weight.info, t);
    }
    for (std::size_t l = 0; l < layers; ++l)
        for (std::size_t i = 0; i < counts[l].size(); ++i)
            for (std::size_t j = 0; j < counts[l][i].size(); ++j)
                if (counts[l][i][j] > CELL_LIMIT) {
                    tables_error(run,
                                 "THE COUNT OF " + series[0].name + "=" + series[0].names[i] +
                                     ", " + series[1].name + "=" + series[1].names[j] +
                                     " IS OVER 2147483647",
                                 TABLES_CELL_LIMIT);
                    return;
                }

    if (!run.flags.OPUT) {
        for (const auto& layer : counts) {
            const IndependenceTests t = independence_tests(layer);
            run.res[R_N] = t.total;
            if (t.df > 0) {
                run.res[R_CHI] = t.pearson, run.res[R_VAL] = t.likelihood_ratio;
                run.res[R_DF] = t.df, run.res[R_PVAL] = t.pearson_p;
            }
        }
        return;
    }
    for (std::size_t l = 0; l < layers; ++l) {
        std::string title =
            " TABLE OF " + series[0].name + " (ROWS) BY " + series[1].name + " (COLUMNS)";
        if (layers > 1) title += " FOR " + series[2].name + "=" + series[2].names[l];
        write_table(run, counts[l], series[0], series[1], title, o.on("ROWPCT"), o.on("COLPCT"));
    }
}

} // namespace tarvex
