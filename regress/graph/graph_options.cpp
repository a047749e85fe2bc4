// The option table of PLOTS, GRAPH and CONFIDEN and its defaults.
#include "regress/graph/graph_options.hpp"

#include "core/run.hpp"
#include "numeric/text.hpp"
#include "options/option_access.hpp"
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

} // namespace

const OptionTable& graph_option_table() {
    return GRAPH_TABLE;
}

void set_graph_defaults(Run& run) {
    OptionDefaults d(run.opt, GRAPH_TABLE);
    d.integer("BEG", run.smpl.IBEG);
    d.integer("END", run.smpl.IEND);
    d.integer("LINES", PLOT_LINES_DEFAULT);
    d.integer("COLS", PLOT_COLS_DEFAULT);
    d.real("LEVEL", Real(95) / 100);
}

GraphOptions read_graph_options(const Run& run) {
    const OptionValues v(run.opt, GRAPH_TABLE);
    GraphOptions o;
    o.SCATTER = v.on("SCATTER"), o.HISTOGRA = v.on("HISTOGRA"), o.RESIDUAL = v.on("RESIDUAL");
    o.FITTED = v.on("FITTED"), o.LSLINE = v.on("LSLINE"), o.NORMAL = v.on("NORMAL"),
    o.GRAPH = v.on("GRAPH");
    if (o.FITTED) o.RESIDUAL = true;
    o.BEG = v.integer("BEG"), o.END = v.integer("END");
    o.LINES = v.integer("LINES"), o.COLS = v.integer("COLS");
    o.BINS = v.integer("BINS");
    o.LEVEL = v.real("LEVEL");
    o.DEVICE = upper_ascii(v.full_name("DEVICE")), o.OUTPUT = v.full_name("OUTPUT");
    o.TITLE = v.full_name("TITLE"), o.XLABEL = v.full_name("XLABEL"),
    o.YLABEL = v.full_name("YLABEL");
    o.device_given = !o.DEVICE.empty(), o.output_given = !o.OUTPUT.empty();
    return o;
}

} // namespace tarvex
