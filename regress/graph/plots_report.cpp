// Writing PLOTS. Series and scatters are character plots with a symbol per variable; residuals
// have the zero line; a histogram is one line per bar: its range, its count and a bar of '*'
// scaled to the widest count.
#include "regress/graph/plots_report.hpp"

#include "core/host_link.hpp"
#include "core/run.hpp"
#include "numeric/fortran_format.hpp"
#include "regress/graph/char_plot.hpp"

#include <algorithm>

namespace tarvex {

namespace {

constexpr int BAR_VALUE = 12; // the field of each end of a bar's range

void write_lines(Run& run, const std::vector<std::string>& lines) {
    for (const std::string& line : lines) write_line(run, line);
}

void report_histogram(Run& run, const GraphOptions& o, const PlotData& data, const PlotLabels& l) {
    const Histogram h = histogram_of(data.columns[0], o.BINS);
    const int widest = h.counts.empty() ? 0 : *std::max_element(h.counts.begin(), h.counts.end());
    const int cols = std::clamp(o.COLS, PLOT_COLS_MIN, PLOT_COLS_MAX);
    const int bar_room = cols - (1 + 2 * BAR_VALUE + 3 + 8 + 2);
    write_line(run, " " + l.title);
    write_line(run, " " + fmt_A("FROM", BAR_VALUE) + "   " + fmt_A("TO", BAR_VALUE) + " " +
                        fmt_A("COUNT", 8));
    for (std::size_t k = 0; k < h.counts.size(); ++k) {
        const Real from = h.low + h.width * Real(int(k));
        const int bar = widest > 0 ? (h.counts[k] * bar_room + widest / 2) / widest : 0;
        write_line(run, " " + fmt_A(axis_value(from), BAR_VALUE) + " - " +
                            fmt_A(axis_value(from + h.width), BAR_VALUE) + fmt_I(h.counts[k], 8) +
                            "  " + std::string(bar, '*'));
    }
    write_line(run, " MEAN = " + axis_value(h.mean) + "   STANDARD DEVIATION = " +
                        axis_value(h.deviation) + "   N = " + std::to_string(h.n));
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
    std::vector<Real> index(data.obs.begin(), data.obs.end());
    const int n = int(data.names.size());
    switch (kind) {
    case PlotKind::SERIES:
        for (int k = 0; k < n; ++k)
            plot.series.push_back({data.names[k], SERIES_SYMBOLS[k % std::size(SERIES_SYMBOLS)],
                                   index, data.columns[k]});
        break;
    case PlotKind::SCATTER:
        for (int k = 0; k < n - 1; ++k)
            plot.series.push_back({data.names[k], SERIES_SYMBOLS[k % std::size(SERIES_SYMBOLS)],
                                   data.columns[n - 1], data.columns[k]});
        break;
    default: // residuals
        plot.series.push_back(
            {"RESIDUAL", '*', o.FITTED ? data.columns[1] : index, data.columns[0]});
        plot.horizontal.push_back(0);
        break;
    }
    write_lines(run, draw_char_plot(plot));
}

} // namespace tarvex
