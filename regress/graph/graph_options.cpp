// The option table of PLOTS, GRAPH and CONFIDEN and its defaults.
#include "regress/graph/graph_options.hpp"

#include "core/run.hpp"
#include "numeric/text.hpp"
#include "options/options.hpp"

namespace tarvex {

namespace {

// clang-format off
const OptionTable GRAPH_TABLE = {
    {
        //  #  keyword      effect
        "SCATTER",   //  1 switch  the listed variables against the last one
        "HISTOGRA",  //  2 switch  histogram of one variable (GRAPH)
        "RESIDUAL",  //  3 switch  residuals of the last estimation against the observation
        "FITTED",    //  4 switch  residuals against the fitted values (sets RESIDUAL)
        "LSLINE",    //  5 switch  least-squares line through a scatter
        "NORMAL",    //  6 switch  normal density (GRAPH) or counts (PLOTS) over a histogram
        "GRAPH",     //  7 switch  CONFIDEN: the ellipse as a graph file too
        "BEG",       //  8 integer first observation
        "END",       //  9 integer last observation
        "LINES",     // 10 integer lines of a character plot (30)
        "COLS",      // 11 integer width of a character plot (130)
        "BINS",      // 12 integer bars of a histogram (1 + log2 n)
        "LEVEL",     // 13 real    CONFIDEN: confidence level (0.95)
        "DEVICE",    // 14 name    PNG, SVG or PDF (PNG)
        "OUTPUT",    // 15 name    the graph file (graph1.png, graph2.png ...)
        "TITLE",     // 16 name    title ('quoted text' may hold blanks)
        "XLABEL",    // 17 name    label of the horizontal axis
        "YLABEL",    // 18 name    label of the vertical axis
    },
    7, 5, 1, 5};
// clang-format on

int at(std::string_view keyword) {
    return option_index(GRAPH_TABLE, keyword);
}

} // namespace

const OptionTable& graph_option_table() {
    return GRAPH_TABLE;
}

void set_graph_defaults(Run& run) {
    OptionSet& opt = run.opt;
    opt.prepare(GRAPH_TABLE);
    opt.iv[at("BEG")] = run.smpl.IBEG;
    opt.iv[at("END")] = run.smpl.IEND;
    opt.iv[at("LINES")] = PLOT_LINES_DEFAULT;
    opt.iv[at("COLS")] = PLOT_COLS_DEFAULT;
    opt.rv[at("LEVEL")] = Real(95) / 100;
}

GraphOptions read_graph_options(const Run& run) {
    const OptionSet& opt = run.opt;
    GraphOptions o;
    auto s = [&](const char* k) { return bool(opt.sw[at(k)]); };
    auto full = [&](const char* k) { return opt.name_full[at(k)]; };
    o.SCATTER = s("SCATTER"), o.HISTOGRA = s("HISTOGRA"), o.RESIDUAL = s("RESIDUAL");
    o.FITTED = s("FITTED"), o.LSLINE = s("LSLINE"), o.NORMAL = s("NORMAL"), o.GRAPH = s("GRAPH");
    if (o.FITTED) o.RESIDUAL = true;
    o.BEG = opt.iv[at("BEG")], o.END = opt.iv[at("END")];
    o.LINES = opt.iv[at("LINES")], o.COLS = opt.iv[at("COLS")];
    o.BINS = opt.iv[at("BINS")];
    o.LEVEL = opt.rv[at("LEVEL")];
    o.DEVICE = upper_ascii(full("DEVICE")), o.OUTPUT = full("OUTPUT");
    o.TITLE = full("TITLE"), o.XLABEL = full("XLABEL"), o.YLABEL = full("YLABEL");
    o.device_given = !o.DEVICE.empty(), o.output_given = !o.OUTPUT.empty();
    return o;
}

} // namespace tarvex
