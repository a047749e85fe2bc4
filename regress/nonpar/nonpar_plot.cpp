// NONPAR's character plots.
#include "regress/nonpar/nonpar_plot.hpp"

#include "core/host_link.hpp"
#include "core/run.hpp"
#include "regress/graph/char_plot.hpp"

#include <utility>

namespace tarvex {

namespace {

CharSeries nonpar_curve_series(const NonparCurve& curve, const char* name) {
    CharSeries s;
    s.name = name;
    s.symbol = '*';
    for (std::size_t i = 0; i < curve.points.size(); ++i)
        if (curve.defined[i]) s.x.push_back(curve.points[i]), s.y.push_back(curve.values[i]);
    return s;
}

void write_nonpar_plot(Run& run, CharPlot& plot) {
    plot.rows = 20;
    plot.cols = 72;
    plot.x_text = [](Real v) { return axis_value(v); };
    write_line(run, "");
    for (const std::string& line : draw_char_plot(plot)) write_line(run, line);
}

} // namespace

void plot_density_curve(Run& run, const NonparHeading& heading, const NonparCurve& curve,
                        const std::string& series) {
    CharPlot plot;
    plot.title = heading.title;
    plot.xlabel = series;
    plot.ylabel = "DENSITY";
    plot.series.push_back(nonpar_curve_series(curve, "DENSITY"));
    plot.horizontal.push_back(0);
    write_nonpar_plot(run, plot);
}

void plot_regression_curve(Run& run, const NonparHeading& heading, const NonparCurve& curve,
                           const NonparObservations& data) {
    CharPlot plot;
    plot.title = heading.title;
    plot.xlabel = data.x_name;
    plot.ylabel = data.y_name;
    CharSeries observed;
    observed.name = "OBSERVED";
    observed.symbol = '+';
    observed.x = *data.x;
    observed.y = *data.y;
    plot.series.push_back(std::move(observed));
    plot.series.push_back(nonpar_curve_series(curve, "FITTED"));
    write_nonpar_plot(run, plot);
}

} // namespace tarvex
