// Drawing a stock chart: as a character plot with a bar per observation, and as a gnuplot
// picture (error bars at the close for high-low-close, finance bars with an open, candlesticks).
#include "regress/stockgra/stock_chart.hpp"

#include "regress/graph/char_plot.hpp"
#include "regress/graph/graph_formats.hpp"
#include "regress/graph/graph_script.hpp"
#include "workspace/calendar_dates.hpp"

namespace tarvex {

namespace {

constexpr Real STOCK_BAR_SHARE = Real(6) / 10; // a candle's width: this share of the spacing

std::string stock_legend_open(const StockChart& c) {
    return c.names.size() > 3 ? c.names[3] : std::string();
}

} // namespace

std::vector<std::string> stock_chart_lines(const StockChart& c, const GraphFormats& f) {
    CharPlot plot;
    plot.title = c.title, plot.xlabel = c.xlabel, plot.ylabel = c.ylabel;
    plot.rows = c.rows, plot.cols = c.cols;
    if (c.frequency > 0)
        plot.x_text = [frequency = c.frequency](Real v) {
            return calendar_text(date_at_position(v, frequency), frequency);
        };
    apply_axis_formats(f, c.frequency, plot);
    const StockPrices& p = c.prices;
    CharSeries close{"", STOCK_CLOSE, {}, {}}, open{"", STOCK_OPEN, {}, {}};
    for (std::size_t i = 0; i < p.x.size(); ++i) {
        if (!p.complete(i)) continue;
        plot.bars.push_back({p.x[i], p.low[i], p.high[i], STOCK_RANGE});
        if (c.candle) continue;
        close.x.push_back(p.x[i]), close.y.push_back(p.close[i]);
        if (p.has_open()) open.x.push_back(p.x[i]), open.y.push_back(p.open[i]);
    }
    plot.legend.push_back(std::string(1, STOCK_RANGE) + " " + c.names[0] + " TO " + c.names[1]);
    if (c.candle) {
        // The bodies cover the wicks.
        for (std::size_t i = 0; i < p.x.size(); ++i) {
            if (!p.complete(i)) continue;
            const bool rising = p.close[i] >= p.open[i];
            plot.bars.push_back({p.x[i], rising ? p.open[i] : p.close[i],
                                 rising ? p.close[i] : p.open[i],
                                 rising ? CANDLE_RISING : CANDLE_FALLING});
        }
        plot.legend.push_back(std::string(1, CANDLE_RISING) + " " + c.names[3] + " TO " +
                              c.names[2] + " RISING");
        plot.legend.push_back(std::string(1, CANDLE_FALLING) + " " + c.names[3] + " TO " +
                              c.names[2] + " FALLING");
    } else {
        // The open first: a close on the same character shows as both ('#').
        if (p.has_open()) {
            open.name = stock_legend_open(c);
            plot.series.push_back(open);
        }
        close.name = c.names[2];
        plot.series.push_back(close);
    }
    return draw_char_plot(plot);
}

std::string stock_chart_script(const StockChart& c, const GraphFormats& f,
                               const PlotTarget& target) {
    const StockPrices& p = c.prices;
    std::string out = gnuplot_opening(target);
    out += "set title " + gnuplot_quoted(c.title) + "\nset xlabel " + gnuplot_quoted(c.xlabel) +
           "\nset ylabel " + gnuplot_quoted(c.ylabel) +
           "\nset grid\nset key outside top center horizontal\n";
    const ValueRange x = value_range({&p.x});
    const ValueRange y = value_range({&p.low, &p.high});
    out += gnuplot_axis_lines(f, x.low, x.high, y.low, y.high);
    out += gnuplot_date_tics(f, p.x, c.frequency);
    const Real spacing = c.frequency > 0 ? Real(1) / Real(c.frequency) : Real(1);
    out += "set boxwidth " + gnuplot_number(spacing * STOCK_BAR_SHARE) + " absolute\n";
    out += "set offsets " + gnuplot_number(spacing) + ", " + gnuplot_number(spacing) + ", 0, 0\n";
    // Columns: time, high, low, close [, open]; a row with a missing price is left out.
    out += "$D << EOD\n";
    for (std::size_t i = 0; i < p.x.size(); ++i) {
        if (!p.complete(i)) continue;
        out += gnuplot_number(p.x[i]) + " " + gnuplot_number(p.high[i]) + " " +
               gnuplot_number(p.low[i]) + " " + gnuplot_number(p.close[i]);
        if (p.has_open()) out += " " + gnuplot_number(p.open[i]);
        out += "\n";
    }
    out += "EOD\n";
    const std::string names = c.names[0] + ", " + c.names[1] + ", " + c.names[2] +
                              (p.has_open() ? ", " + c.names[3] : std::string());
    if (c.candle)
        out += "set style fill solid 0.6 border -1\n"
               "plot $D using 1:5:3:2:4 with candlesticks title " +
               gnuplot_quoted(names);
    else if (p.has_open())
        out +=
            "plot $D using 1:5:3:2:4 with financebars linewidth 2 title " + gnuplot_quoted(names);
    else
        out += "plot $D using 1:4:3:2 with yerrorbars pointtype 7 pointsize 0.6 title " +
               gnuplot_quoted(names);
    return out + "\n";
}

} // namespace tarvex
