// STOCKGRA: reads and checks the options, checks that the price series have one length and
// that every observation's prices make sense (naming the first that does not), then draws the
// chart in the report and, when asked, through gnuplot as GRAPH does.
#include "regress/stockgra/stockgra_command.hpp"

#include "core/error_report.hpp"
#include "core/host_link.hpp"
#include "core/run.hpp"
#include "numeric/decimal.hpp"
#include "numeric/text.hpp"
#include "options/option_access.hpp"
#include "options/options.hpp"
#include "regress/fit/estimator_front.hpp"
#include "regress/fit/list_equation.hpp"
#include "regress/graph/char_plot.hpp"
#include "regress/graph/graph_formats.hpp"
#include "regress/graph/plot_data.hpp"
#include "regress/stockgra/stock_chart.hpp"
#include "regress/stockgra/stockgra_errors.hpp"
#include "workspace/calendar_dates.hpp"
#include "workspace/workspace.hpp"

namespace tarvex {

namespace {

// clang-format off
const OptionTable STOCKGRA_TABLE = {
    {
        //  #  keyword      effect
        "CANDLE",    //  1 switch  candlesticks (needs the open)
        "GRAPH",     //  2 switch  the picture through gnuplot too
        "BEG",       //  3 integer first observation
        "END",       //  4 integer last observation
        "LINES",     //  5 integer lines of the character chart (30)
        "COLS",      //  6 integer width of the character chart (130)
        "DEVICE",    //  7 name    PNG, SVG or PDF (PNG)
        "OUTPUT",    //  8 name    the graph file (graph1.png, graph2.png ...)
        "TITLE",     //  9 name    title ('quoted text' may hold blanks)
        "XLABEL",    // 10 name    label of the time axis
        "YLABEL",    // 11 name    label of the price axis
    },
    2, 4, 0, 5};
// clang-format on

struct StockOptions {
    bool CANDLE = false, GRAPH = false;
    int BEG = 0, END = 0, LINES = 0, COLS = 0;
    std::string DEVICE, OUTPUT, TITLE, XLABEL, YLABEL;
};

bool stock_options(Run& run, StockOptions& o) {
    OptionDefaults d(run.opt, STOCKGRA_TABLE);
    d.integer("BEG", run.smpl.IBEG);
    d.integer("END", run.smpl.IEND);
    d.integer("LINES", 30);
    d.integer("COLS", 130);
    if (!OPTION(run, STOCKGRA_TABLE)) return false;
    const OptionValues v(run.opt, STOCKGRA_TABLE);
    o.CANDLE = v.on("CANDLE"), o.GRAPH = v.on("GRAPH");
    o.BEG = v.integer("BEG"), o.END = v.integer("END");
    o.LINES = v.integer("LINES"), o.COLS = v.integer("COLS");
    o.DEVICE = upper_ascii(v.full_name("DEVICE")), o.OUTPUT = v.full_name("OUTPUT");
    o.TITLE = v.full_name("TITLE"), o.XLABEL = v.full_name("XLABEL");
    o.YLABEL = v.full_name("YLABEL");
    if (o.LINES < PLOT_ROWS_MIN || o.LINES > PLOT_ROWS_MAX)
        return bad_option_value(run, "LINES", ERR_STOCK_OPTION);
    if (o.COLS < PLOT_COLS_MIN || o.COLS > PLOT_COLS_MAX)
        return bad_option_value(run, "COLS", ERR_STOCK_OPTION);
    const std::pair<const std::string*, const char*> names[] = {{&o.DEVICE, "DEVICE"},
                                                                {&o.OUTPUT, "OUTPUT"},
                                                                {&o.TITLE, "TITLE"},
                                                                {&o.XLABEL, "XLABEL"},
                                                                {&o.YLABEL, "YLABEL"}};
    for (const auto& [value, keyword] : names)
        if (*value == "********") return bad_option_value(run, keyword, ERR_STOCK_OPTION);
    return true;
}

bool stock_error(Run& run, const std::string& what, int number) {
    report_error(run, " ...ERROR.." + what, number);
    return false;
}

// The series' lengths (a lag counts its variable): all must be one.
bool same_lengths(Run& run, int nf) {
    std::vector<std::pair<std::string, long long>> lengths;
    for (int k = 1; k <= nf; ++k) {
        const OlsTerm t = list_term(run, k);
        VarInfo info;
        if (!VINFO(run, t.ref, info)) continue;
        lengths.emplace_back(trim_trailing_blanks(t.name), info.length);
    }
    for (const auto& [name, length] : lengths) {
        if (length == lengths[0].second) continue;
        std::string all;
        for (const auto& [n, l] : lengths)
            all += (all.empty() ? "" : ", ") + n + " " + std::to_string(l);
        return stock_error(run, "STOCKGRA SERIES HAVE UNEQUAL LENGTHS: " + all, ERR_STOCK_LENGTHS);
    }
    return true;
}

// The observation of row i as the report names it: its number, and its date under a calendar.
std::string observation_text(const PlotData& data, std::size_t i) {
    std::string text = "OBSERVATION " + std::to_string(data.obs[i]);
    if (data.frequency > 0)
        text += " (" +
                calendar_text(date_at_position(data.dates[i], data.frequency), data.frequency) +
                ")";
    return text;
}

bool prices_make_sense(Run& run, const PlotData& data, const StockPrices& p) {
    const PriceCheck c = check_prices(p);
    if (c.drawn == 0) return stock_error(run, "NOT ENOUGH OBSERVATIONS TO PLOT", ERR_STOCK_TOO_FEW);
    if (c.fault == PriceFault::NONE) return true;
    const std::size_t i = c.at;
    auto value = [&](int k, Real v) { return data.names[k] + " = " + real_to_string(v, 8); };
    const std::string where = " AT " + observation_text(data, i) + ": ";
    if (c.fault == PriceFault::HIGH_BELOW_LOW)
        return stock_error(
            run, "HIGH BELOW LOW" + where + value(0, p.high[i]) + " < " + value(1, p.low[i]),
            ERR_STOCK_HIGH_LOW);
    const bool close = c.fault == PriceFault::CLOSE_OUTSIDE;
    return stock_error(run,
                       std::string(close ? "CLOSE" : "OPEN") + " OUTSIDE HIGH AND LOW" + where +
                           value(close ? 2 : 3, close ? p.close[i] : p.open[i]) + ", " +
                           value(1, p.low[i]) + ", " + value(0, p.high[i]),
                       ERR_STOCK_OUTSIDE);
}

} // namespace

void cmd_stockgra(Run& run) {
    if (run.sw[OTRACE]) write_line(run, " STOCKGRA");
    StockOptions o;
    if (!stock_options(run, o)) return;
    const int nf = run.scan.NF;
    if (nf != 3 && nf != 4) {
        stock_error(run, "STOCKGRA NEEDS high low close [open]", ERR_STOCK_LIST);
        return;
    }
    if (o.CANDLE && nf != 4) {
        stock_error(run, "STOCKGRA / CANDLE NEEDS THE OPEN: high low close open", ERR_STOCK_OPEN);
        return;
    }
    if (!same_lengths(run, nf)) return;
    PlotData data;
    if (!listed_data(run, o.BEG, o.END, data)) return;
    show_names(run.graph_formats, data);
    StockChart chart;
    StockPrices& p = chart.prices;
    p.x = data.frequency > 0 ? data.dates : std::vector<Real>(data.obs.begin(), data.obs.end());
    p.high = data.columns[0], p.low = data.columns[1], p.close = data.columns[2];
    if (nf == 4) p.open = data.columns[3];
    if (!prices_make_sense(run, data, p)) return;
    if (run.sw[OSCAN] || run.flags.ODONT) return;
    chart.names = data.names;
    chart.candle = o.CANDLE;
    chart.frequency = data.frequency;
    std::string listed;
    for (const std::string& name : data.names) listed += (listed.empty() ? "" : ", ") + name;
    chart.title = o.TITLE.empty()
                      ? (o.CANDLE ? "CANDLESTICKS OF " : "HIGH, LOW, CLOSE OF ") + listed
                      : o.TITLE;
    chart.xlabel = o.XLABEL.empty() ? (data.frequency > 0 ? "DATE" : "OBSERVATION") : o.XLABEL;
    chart.ylabel = o.YLABEL.empty() ? "PRICE" : o.YLABEL;
    chart.rows = o.LINES, chart.cols = o.COLS;
    write_line(run, "");
    for (const std::string& line : stock_chart_lines(chart, run.graph_formats))
        write_line(run, line);
    if (!o.GRAPH && o.DEVICE.empty() && o.OUTPUT.empty()) return;
    PlotTarget target;
    if (!plot_target(run, o.DEVICE, o.OUTPUT, target)) return;
    run_gnuplot(run, target, stock_chart_script(chart, run.graph_formats, target));
}

} // namespace tarvex
