// The option tables of LP and GAMES.
#include "regress/lp/lp_options.hpp"

#include "core/run.hpp"
#include "options/option_access.hpp"
#include "regress/fit/estimator_front.hpp"

namespace tarvex {

namespace {

// clang-format off
const OptionTable LP_TABLE = {
    {
        //  #  keyword      effect
        "MAX",       //  1 switch  maximise c'x
        "MIN",       //  2 switch  minimise c'x (the default)
        "SILENT",    //  3 switch  no report, only the stored results
        "MAXIT",     //  4 integer pivots each simplex stage may take (0: 50 (rows + cols) + 10000)
        "TYPES",     //  5 name    one code per row: -1 for <=, 0 for =, 1 for >= (default all <=)
        "LOWER",     //  6 name    lower bounds of x (default 0; -1E30 or below: none)
        "UPPER",     //  7 name    upper bounds of x (default none; 1E30 or above: none)
        "X",         //  8 name    the solution x
        "DUAL",      //  9 name    the dual values (shadow prices) of the rows
        "REDUCED",   // 10 name    the reduced costs c_j - y'a_j
        "SLACK",     // 11 name    the slacks b_i - a_i'x
    },
    3, 1, 0, 7};

const OptionTable GAMES_TABLE = {
    {
        "SILENT",    //  1 switch  no report, only the stored results
        "ROWSTRAT",  //  2 name    the row player's optimal mixed strategy
        "COLSTRAT",  //  3 name    the column player's optimal mixed strategy
    },
    1, 0, 0, 2};
// clang-format on

} // namespace

const OptionTable& lp_option_table() {
    return LP_TABLE;
}

void set_lp_defaults(Run& run) {
    set_estimator_defaults(run, LP_TABLE);
}

LpOptions read_lp_options(const Run& run) {
    const OptionValues v(run.opt, LP_TABLE);
    LpOptions o;
    o.MAX = v.on("MAX");
    o.MIN = v.on("MIN");
    o.SILENT = v.on("SILENT");
    o.MAXIT = v.integer("MAXIT");
    o.TYPES = v.name("TYPES");
    o.LOWER = v.name("LOWER");
    o.UPPER = v.name("UPPER");
    o.X = v.name("X");
    o.DUAL = v.name("DUAL");
    o.REDUCED = v.name("REDUCED");
    o.SLACK = v.name("SLACK");
    return o;
}

const OptionTable& games_option_table() {
    return GAMES_TABLE;
}

void set_games_defaults(Run& run) {
    set_estimator_defaults(run, GAMES_TABLE);
}

GamesOptions read_games_options(const Run& run) {
    const OptionValues v(run.opt, GAMES_TABLE);
    GamesOptions o;
    o.SILENT = v.on("SILENT");
    o.ROWSTRAT = v.name("ROWSTRAT");
    o.COLSTRAT = v.name("COLSTRAT");
    return o;
}

} // namespace tarvex
