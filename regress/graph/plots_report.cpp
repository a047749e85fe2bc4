// Writing PLOTS. Series and scatters are character plots with a symbol per variable (a scatter
// with LSLINE also each variable's least-squares line, and its equation below the plot);
// residuals have the zero line; a histogram is one line per bar: its range, its count and a bar
// of '*' scaled to the widest count, with NORMAL also the count a normal distribution expects
// there, marked in the bar.
#include "regress/graph/plots_report.hpp"

#include "core/host_link.hpp"
#include "core/run.hpp"
#include "numeric/decimal.hpp"
#include "numeric/distributions.hpp"
#include "numeric/fortran_format.hpp"
#include "numeric/qmath.hpp"
#include "regress/graph/char_plot.hpp"
#include "regress/graph/graph_formats.hpp"
#include "workspace/calendar_dates.hpp"

#include <algorithm>

namespace tarvex {

namespace {

constexpr int BAR_VALUE = 12;       // the field of each end of a bar's range
constexpr int LINE_DIGITS = 8;      // significant digits of a least-squares line's coefficients
constexpr char EXPECTED_MARK = '|'; // the count the normal distribution expects in a bar

void write_lines(Run& run, const std::vector<std::string>& lines) {
    for (const std::string& line : lines) write_line(run, line);
}

// The counts a normal distribution with the histogram's mean and deviation expects in each bar:
// n times its probability of the bar's range.
std::vector<Real> normal_counts(const Histogram& h) {
    std::vector<Real> expected;
    for (std::size_t k = 0; k < h.counts.size(); ++k) {
        const Real from = h.low + h.width * Real(int(k));
        const Real z_from = (from - h.mean) / h.deviation;
        const Real z_to = (from + h.width - h.mean) / h.deviation;
        expected.push_back(Real(h.n) * (dist::normal_upper(z_from) - dist::normal_upper(z_to)));
    }
    return expected;
}

// Cells of a bar for a count, scaled so that the largest count fills the room. A count that is
// not finite (an expected count of data whose spread overflows) has no bar or the full room.
int bar_cells(Real count, Real largest, int room) {
    if (!(largest > 0) || qm::isnan(count)) return 0;
    const Real cells = qm::round(count * Real(room) / largest);
    if (qm::isnan(cells) || cells < 0) return 0;
    return cells > Real(room) ? room : int(cells);
}

void report_histogram(Run& run, const GraphOptions& o, const PlotData& data, const PlotLabels& l) {
    const Histogram h = histogram_of(data.columns[0], o.BINS);
    const bool normal = o.NORMAL && h.deviation > 0;
    const std::vector<Real> expected = normal ? normal_counts(h) : std::vector<Real>();
    Real largest = h.counts.empty() ? 0 : *std::max_element(h.counts.begin(), h.counts.end());
    for (Real e : expected) largest = std::max(largest, e);
    const int cols = std::clamp(o.COLS, PLOT_COLS_MIN, PLOT_COLS_MAX);
    const int bar_room = cols - (1 + 2 * BAR_VALUE + 3 + 8 + 2) - (normal ? 8 : 0);
    write_line(run, " " + l.title);
    write_line(run, " " + fmt_A("FROM", BAR_VALUE) + "   " + fmt_A("TO", BAR_VALUE) + " " +
                        fmt_A("COUNT", 8) + (normal ? fmt_A("NORMAL", 8) : ""));
    for (std::size_t k = 0; k < h.counts.size(); ++k) {
        const Real from = h.low + h.width * Real(int(k));
        std::string bar(bar_cells(h.counts[k], largest, bar_room), '*');
        std::string line = " " + fmt_A(axis_value(from, BAR_VALUE), BAR_VALUE) + " - " +
                           fmt_A(axis_value(from + h.width, BAR_VALUE), BAR_VALUE) +
                           fmt_I(h.counts[k], 8);
        if (normal) {
            line += fmt_F(expected[k], 8, 2);
            const int mark = std::max(bar_cells(expected[k], largest, bar_room), 1) - 1;
            if (int(bar.size()) <= mark) bar.resize(mark + 1, ' ');
            bar[mark] = EXPECTED_MARK;
        }
        write_line(run, line + "  " + bar);
    }
    write_line(run, " MEAN = " + axis_value(h.mean) + "   STANDARD DEVIATION = " +
                        axis_value(h.deviation) + "   N = " + std::to_string(h.n));
    if (normal)
        write_line(run, " NORMAL: THE COUNT EXPECTED IN EACH BAR FROM A NORMAL DISTRIBUTION WITH "
                        "THIS MEAN AND DEVIATION (" +
                            std::string(1, EXPECTED_MARK) + ")");
}

} // namespace

void report_plots(Run& run, PlotKind kind, const GraphOptions& o, const PlotData& data) {
    const PlotLabels l = plot_labels(kind, o, data);
    write_line(run, "");
    if (kind == PlotKind::HISTOGRAM) {
        report_histogram(run, o, data, l);
        return;
    }
    CharPlot plot;
    plot.title = l.title, plot.xlabel = l.xlabel, plot.ylabel = l.ylabel;
    plot.rows = o.LINES, plot.cols = o.COLS;
    // The time axis: the observation numbers, or the dates under a calendar.
    std::vector<Real> index(data.obs.begin(), data.obs.end());
    if (data.frequency > 0) {
        index = data.dates;
        plot.x_text = [f = data.frequency](Real v) {
            return calendar_text(date_at_position(v, f), f);
        };
    }
    const bool dated = kind == PlotKind::SERIES || (kind == PlotKind::RESIDUAL && !o.FITTED);
    apply_axis_formats(run.graph_formats, dated ? data.frequency : 0, plot);
    const int n = int(data.names.size());
    switch (kind) {
    case PlotKind::SERIES:
        for (int k = 0; k < n; ++k)
            plot.series.push_back({data.names[k], SERIES_SYMBOLS[k % std::size(SERIES_SYMBOLS)],
                                   index, data.columns[k]});
        break;
    case PlotKind::SCATTER:
        for (int k = 0; k < n - 1; ++k) {
            plot.series.push_back({data.names[k], SERIES_SYMBOLS[k % std::size(SERIES_SYMBOLS)],
                                   data.columns[n - 1], data.columns[k]});
            if (!o.LSLINE) continue;
            const StraightLine line = least_squares_line(data.columns[n - 1], data.columns[k]);
            if (line.fitted)
                plot.lines.push_back({"LEAST SQUARES LINE OF " + data.names[k],
                                      LINE_SYMBOLS[plot.lines.size() % std::size(LINE_SYMBOLS)],
                                      line.intercept, line.slope});
        }
        break;
    default: // residuals
        plot.series.push_back(
            {"RESIDUAL", '*', o.FITTED ? data.columns[1] : index, data.columns[0]});
        plot.horizontal.push_back(0);
        break;
    }
    write_lines(run, draw_char_plot(plot));
    // The equations of the lines, the x variable (the last listed) on the right.
    for (std::size_t k = 0; k < plot.lines.size(); ++k) {
        const CharLine& l = plot.lines[k];
        const std::string& y = l.name.substr(std::string("LEAST SQUARES LINE OF ").size());
        write_line(run, " " + l.name + ": " + y + " = " + real_to_string(l.intercept, LINE_DIGITS) +
                            (l.slope < 0 ? " - " : " + ") +
                            real_to_string(fabsq(l.slope), LINE_DIGITS) + " * " +
                            data.names[n - 1]);
    }
}

} // namespace tarvex
