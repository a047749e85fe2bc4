// Writing GRAPH's scripts. Every value goes into a data block ($D) with 20 significant digits;
// gnuplot draws the columns: lines with points for series, points for a scatter (with the
// least-squares line as a function under LSLINE), boxes for a histogram (with the normal
// density scaled to the counts under NORMAL), and impulses or points for residuals with the
// zero line.
#include "regress/graph/graph_script.hpp"

#include "numeric/qmath.hpp"
#include "regress/graph/graph_formats.hpp"

#include <algorithm>
#include <sstream>

namespace tarvex {

namespace {

// The data block: one line per row of `columns` (all of one length), led by `first` when given.
// The values of the columns a line per observation, after the time axis when `data` is given:
// the observation number, or its date in years under a calendar.
std::string data_block(const std::vector<const std::vector<Real>*>& columns, const PlotData* data) {
    std::string out = "$D << EOD\n";
    const std::size_t n = columns.empty() ? 0 : columns[0]->size();
    for (std::size_t i = 0; i < n; ++i) {
        std::string line = data == nullptr       ? std::string()
                           : data->frequency > 0 ? gnuplot_number(data->dates[i])
                                                 : std::to_string(data->obs[i]);
        for (const std::vector<Real>* c : columns)
            line += (line.empty() ? "" : " ") + gnuplot_number((*c)[i]);
        out += line + "\n";
    }
    return out + "EOD\n";
}

std::string labels(const PlotLabels& l) {
    return "set title " + gnuplot_quoted(l.title) + "\nset xlabel " + gnuplot_quoted(l.xlabel) +
           "\nset ylabel " + gnuplot_quoted(l.ylabel) +
           "\nset grid\nset key outside top center horizontal\n";
}

std::string series_plot(const PlotData& data, bool scatter) {
    const int n = int(data.names.size());
    std::vector<const std::vector<Real>*> columns;
    if (scatter) columns.push_back(&data.columns[n - 1]);
    for (int k = 0; k < n - (scatter ? 1 : 0); ++k) columns.push_back(&data.columns[k]);
    std::string out = data_block(columns, scatter ? nullptr : &data) + "plot ";
    for (int k = 0; k < n - (scatter ? 1 : 0); ++k)
        out +=
            std::string(k ? ", " : "") + "$D using 1:" + std::to_string(k + 2) +
            (scatter ? " with points pointtype 7" : " with linespoints pointtype 7 pointsize 0.5") +
            " title " + gnuplot_quoted(data.names[k]);
    return out;
}

std::string line_function(const StraightLine& line) {
    return "(" + gnuplot_number(line.intercept) + ") + (" + gnuplot_number(line.slope) + ") * x";
}

} // namespace

ValueRange value_range(const std::vector<const std::vector<Real>*>& columns) {
    ValueRange r;
    for (const std::vector<Real>* c : columns)
        for (Real v : *c) {
            if (!finiteq(v)) continue;
            if (r.low > r.high) r.low = r.high = v;
            r.low = std::min(r.low, v);
            r.high = std::max(r.high, v);
        }
    return r;
}

std::string graph_script(PlotKind kind, const GraphOptions& o, const PlotData& data,
                         const PlotTarget& target, const GraphFormats& formats) {
    std::string out = gnuplot_opening(target) + labels(plot_labels(kind, o, data));
    if (kind != PlotKind::HISTOGRAM) {
        // The axes' ranges for ticks set without both ends: the data's own.
        const int n = int(data.names.size());
        const std::vector<Real> index =
            data.frequency > 0 ? data.dates : std::vector<Real>(data.obs.begin(), data.obs.end());
        std::vector<const std::vector<Real>*> ys;
        for (int k = 0; k < n - (kind == PlotKind::SCATTER ? 1 : 0); ++k)
            ys.push_back(&data.columns[k]);
        if (kind == PlotKind::RESIDUAL) ys = {&data.columns[0]};
        const bool dated = kind == PlotKind::SERIES || (kind == PlotKind::RESIDUAL && !o.FITTED);
        const ValueRange x = value_range({dated                       ? &index
                                          : kind == PlotKind::SCATTER ? &data.columns[n - 1]
                                                                      : &data.columns[1]});
        const ValueRange y = value_range(ys);
        out += gnuplot_axis_lines(formats, x.low, x.high, y.low, y.high);
        if (dated) out += gnuplot_date_tics(formats, data.dates, data.frequency);
    } else {
        out += gnuplot_axis_lines(formats, 0, 0, 0, 0);
    }
    switch (kind) {
    case PlotKind::SERIES:
        out += series_plot(data, false);
        break;
    case PlotKind::SCATTER: {
        out += series_plot(data, true);
        if (!o.LSLINE) break;
        const int n = int(data.names.size());
        for (int k = 0; k < n - 1; ++k) {
            const StraightLine line = least_squares_line(data.columns[n - 1], data.columns[k]);
            if (line.fitted)
                out += ", " + line_function(line) + " with lines linewidth 2 title " +
                       gnuplot_quoted("LEAST SQUARES LINE OF " + data.names[k]);
        }
        break;
    }
    case PlotKind::HISTOGRAM: {
        const Histogram h = histogram_of(data.columns[0], o.BINS);
        std::vector<Real> centres, counts;
        for (std::size_t k = 0; k < h.counts.size(); ++k) {
            centres.push_back(h.low + h.width * (Real(k) + Real(0.5Q)));
            counts.push_back(h.counts[k]);
        }
        out += data_block({&centres, &counts}, nullptr);
        out += "set boxwidth " + gnuplot_number(h.width) + " absolute\n";
        out += "set style fill solid 0.5 border -1\nset yrange [0:*]\n";
        out += "plot $D using 1:2 with boxes title " + gnuplot_quoted(data.names[0]);
        if (o.NORMAL && h.deviation > 0) {
            const Real scale = Real(h.n) * h.width / (h.deviation * sqrtq(2 * qm::PI));
            out += ", [" + gnuplot_number(h.low) + ":" +
                   gnuplot_number(h.low + h.width * Real(int(h.counts.size()))) + "] " +
                   gnuplot_number(scale) + " * exp(-0.5 * ((x - (" + gnuplot_number(h.mean) +
                   ")) / " + gnuplot_number(h.deviation) +
                   ") ** 2) with lines linewidth 2 title 'NORMAL DENSITY'";
        }
        break;
    }
    case PlotKind::RESIDUAL:
        if (o.FITTED) {
            out += data_block({&data.columns[1], &data.columns[0]}, nullptr);
            out += "plot $D using 1:2 with points pointtype 7 title 'RESIDUAL'";
        } else {
            out += data_block({&data.columns[0]}, &data);
            out += "plot $D using 1:2 with impulses linewidth 2 title 'RESIDUAL'";
        }
        out += ", 0 with lines dashtype 2 linecolor 'black' notitle";
        break;
    }
    return out + "\n";
}

} // namespace tarvex
