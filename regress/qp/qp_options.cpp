// The option tables of QP and PORTFOLI.
#include "regress/qp/qp_options.hpp"

#include "core/run.hpp"
#include "numeric/text.hpp"
#include "options/option_access.hpp"
#include "regress/fit/estimator_front.hpp"

namespace tarvex {

namespace {

// clang-format off
const OptionTable QP_TABLE = {
    {
        //  #  keyword      effect
        "MIN",       //  1 switch  minimise 1/2 x'Qx + c'x (the only sense; accepted for clarity)
        "SILENT",    //  2 switch  no report, only the stored results
        "MAXIT",     //  3 integer active-set steps each stage may take (0: 50 (rows + cols) + 200)
        "TYPES",     //  4 name    one code per row: -1 for <=, 0 for =, 1 for >= (default all <=)
        "LOWER",     //  5 name    lower bounds of x (default none; -1E30 or below: none)
        "UPPER",     //  6 name    upper bounds of x (default none; 1E30 or above: none)
        "X",         //  7 name    the solution x
        "DUAL",      //  8 name    the multipliers of the rows (change of the optimum per unit of b)
        "BOUNDDUA",  //  9 name    the multipliers of the bounds (change per unit of the bound)
        "SLACK",     // 10 name    the slacks b_i - a_i'x
    },
    2, 1, 0, 7};

const OptionTable PORTFOLIO_TABLE = {
    {
        "NOSHORT",   //  1 switch  weights at or above zero (no short sales)
        "SILENT",    //  2 switch  no report, only the stored results
        "PLOT",      //  3 switch  a character plot of the frontier
        "GRAPH",     //  4 switch  the frontier as a picture through gnuplot
        "NPOINT",    //  5 integer frontier points, the minimum-variance mean to the largest mean
        "BEG",       //  6 integer first observation
        "END",       //  7 integer last observation
        "MAXIT",     //  8 integer active-set steps of each frontier program (0: QP's default)
        "RF",        //  9 real    the risk-free rate: Sharpe ratios and the tangency portfolio
        "TARGETS",   // 10 name    a vector of target means for the frontier (instead of NPOINT)
        "WEIGHTS",   // 11 name    the frontier weights, one column per point
        "FRONTIER",  // 12 name    the frontier, one row per point: mean, standard deviation
        "MINVAR",    // 13 name    the weights of the minimum-variance portfolio
        "TANGENCY",  // 14 name    the weights of the tangency portfolio (needs RF=)
        "DEVICE",    // 15 name    PNG, SVG or PDF (PNG; the picture)
        "OUTPUT",    // 16 name    the picture's file (graph1.png, graph2.png ...)
    },
    4, 4, 1, 7};
// clang-format on

} // namespace

const OptionTable& qp_option_table() {
    return QP_TABLE;
}

void set_qp_defaults(Run& run) {
    set_estimator_defaults(run, QP_TABLE);
}

QpOptions read_qp_options(const Run& run) {
    const OptionValues v(run.opt, QP_TABLE);
    QpOptions o;
    o.MIN = v.on("MIN");
    o.SILENT = v.on("SILENT");
    o.MAXIT = v.integer("MAXIT");
    o.TYPES = v.name("TYPES");
    o.LOWER = v.name("LOWER");
    o.UPPER = v.name("UPPER");
    o.X = v.name("X");
    o.DUAL = v.name("DUAL");
    o.BOUNDDUA = v.name("BOUNDDUA");
    o.SLACK = v.name("SLACK");
    return o;
}

const OptionTable& portfolio_option_table() {
    return PORTFOLIO_TABLE;
}

void set_portfolio_defaults(Run& run) {
    OptionDefaults d = set_estimator_defaults(run, PORTFOLIO_TABLE);
    d.integer("NPOINT", 10);
}

PortfolioOptions read_portfolio_options(const Run& run) {
    const OptionValues v(run.opt, PORTFOLIO_TABLE);
    PortfolioOptions o;
    o.NOSHORT = v.on("NOSHORT");
    o.SILENT = v.on("SILENT");
    o.PLOT = v.on("PLOT");
    o.GRAPH = v.on("GRAPH");
    o.NPOINT = v.integer("NPOINT");
    o.BEG = v.integer("BEG");
    o.END = v.integer("END");
    o.MAXIT = v.integer("MAXIT");
    o.RF = v.real("RF");
    o.rf_given = v.real_given("RF");
    o.TARGETS = v.name("TARGETS");
    o.WEIGHTS = v.name("WEIGHTS");
    o.FRONTIER = v.name("FRONTIER");
    o.MINVAR = v.name("MINVAR");
    o.TANGENCY = v.name("TANGENCY");
    o.DEVICE = upper_ascii(v.full_name("DEVICE"));
    o.OUTPUT = v.full_name("OUTPUT");
    return o;
}

} // namespace tarvex
