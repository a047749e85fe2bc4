// The command loop's handler table: one row per command slot with the word, the handler, the
// flags set before scanning and whether the scanner prepares the arguments. The slots that
// hold no command word point at not_available. Commands whose arguments name existing
// variables are scanned already, so their lists are checked.
#include "interp/command_handlers.hpp"

#include "bound/bound_genr.hpp"
#include "convert/convert_command.hpp"
#include "expr/calculus_commands.hpp"
#include "expr/genr_command.hpp"
#include "expr/matrix_command.hpp"
#include "interp/demonstr_command.hpp"
#include "interp/do_loops.hpp"
#include "interp/dummies_command.hpp"
#include "interp/entry.hpp"
#include "interp/set_display.hpp"
#include "io/file_command.hpp"
#include "io/print_write.hpp"
#include "io/read_command.hpp"
#include "io/stored_format.hpp"
#include "plugin/user_command.hpp"
#include "regress/arima/arima_command.hpp"
#include "regress/auto/auto_command.hpp"
#include "regress/bayes/bayes_command.hpp"
#include "regress/box/box_command.hpp"
#include "regress/checkout/checkout_command.hpp"
#include "regress/choice/choice_command.hpp"
#include "regress/coint/coint_command.hpp"
#include "regress/diagnose/diagnose_command.hpp"
#include "regress/dlags/dlags_command.hpp"
#include "regress/fcast/fcast_command.hpp"
#include "regress/fls/fls_command.hpp"
#include "regress/fuzzy/fuzzy_command.hpp"
#include "regress/gls/gls_command.hpp"
#include "regress/gme/gme_command.hpp"
#include "regress/graph/format_commands.hpp"
#include "regress/graph/graph_command.hpp"
#include "regress/hetero/hetero_command.hpp"
#include "regress/index/index_command.hpp"
#include "regress/iv/iv_command.hpp"
#include "regress/lp/lp_command.hpp"
#include "regress/nonlin/nonlin_command.hpp"
#include "regress/nonpar/nonpar_command.hpp"
#include "regress/ols/ols_command.hpp"
#include "regress/optprice/optprice_command.hpp"
#include "regress/pcompone/pcompone_command.hpp"
#include "regress/pool/pool_command.hpp"
#include "regress/qp/portfolio_command.hpp"
#include "regress/qp/qp_command.hpp"
#include "regress/robust/robust_command.hpp"
#include "regress/smooth/smooth_command.hpp"
#include "regress/stats/stats_command.hpp"
#include "regress/stockgra/stockgra_command.hpp"
#include "regress/system/system_command.hpp"
#include "regress/test/test_command.hpp"
#include "regress/var/var_command.hpp"
#include "spread/spread_command.hpp"
#include "utilities/utility_commands.hpp"
#include "workspace/maintenance.hpp"
#include "workspace/sample.hpp"
#include "workspace/workspace.hpp"

namespace tarvex {

namespace {
constexpr ScanGroup P = ScanGroup::PLAIN;
constexpr ScanGroup N = ScanGroup::NUMBERED;
constexpr ScanGroup C = ScanGroup::CREATES;
constexpr Args S = Args::SCANNED;
constexpr Args R = Args::RAW;

// SMOOTH and INDEX share a handler, which tells them apart by the command word.
void cmd_smooth_index(Run& run) {
    if (run.cmd.IKOD == 54) {
        cmd_index(run);
        return;
    }
    cmd_smooth(run);
}

// USER, the user slots and NAMEFMT share a handler, which tells them apart by the slot.
void cmd_user_namefmt(Run& run) {
    if (run.cmd.IKOD == C_NAMEFMT) {
        cmd_graph_format(run);
        return;
    }
    if (run.cmd.IKOD == C_USER) {
        cmd_user(run);
        return;
    }
    cmd_user_slot(run);
}

// clang-format off
// Sized by its rows: a missing or extra row stops the build, and so does a row out of its slot.
constexpr auto COMMAND_ROW_LIST = std::to_array<CommandRow>({
    //slot word        handler            group args   effect
    {1,   "MENU",     cmd_no_action,     P, R}, // consumed by the reader: nothing to do
    {2,   "GENR",     cmd_genr_over_bound, P, R}, // compile and run an expression (bound series too)
    {3,   "READ",     READX,             C, S}, // read data
    {4,   "PRINT",    PRINTX,            N, S}, // print variables
    {5,   "WRITE",    WRITEX,            N, S}, // write variables to a unit or file
    {6,   "OLSQ",     cmd_olsq,          N, S}, // least-squares regression
    {7,   "SET",      SETDIS,            P, S}, // change switches and run values
    {8,   "DISPLAY",  SETDIS,            P, S}, // show switches and run values
    {9,   "STOP",     cmd_stop,          P, S}, // end the run (HOLD/STOP/RESET in a host)
    {10,  "IF",       cmd_genr,          P, R}, // conditional GENR
    {11,  "SKIPIF",   cmd_genr,          P, R}, // skip observations
    {12,  "SAMPLE",   cmd_sample,        P, R}, // sample range
    {13,  "DO",       cmd_do,            P, R}, // DO loop
    {14,  "RESTRICT", cmd_ignored_alone, P, R}, // only inside the commands that read it
    {15,  "TEST",     cmd_test,          P, R}, // hypothesis test (a block reads its lines to END)
    {16,  "EXECUTE",  cmd_execute,       P, R}, // run a procedure
    {17,  "END",      cmd_no_action,     P, R}, // ends a block read by its owner
    {18,  "HELP",     cmd_help,          P, R}, // list the command words
    {19,  "NAMES",    cmd_names,         P, S}, // list the workspace
    {20,  "LAMBDA",   cmd_ignored_alone, P, R}, // only inside the commands that read it
    {21,  "FORMAT",   cmd_format_at_dispatcher, P, R}, // kept by the reader; here it is an internal error
    {22,  "DIMENSIO", cmd_dimension,     P, R}, // dimension variables
    {23,  "DUMP",     cmd_dump,          P, R}, // workspace counters
    {24,  "ENDO",     cmd_endo,          P, R}, // end of a DO loop
    {25,  "DELETE",   cmd_delete,        N, R}, // delete variables (keywords, else it scans)
    {26,  "AUTO",     cmd_auto,          N, S}, // least squares with AR(1) or AR(2) errors
    {27,  "STATS",    cmd_stats,         N, S}, // descriptive statistics
    {28,  "PLOTS",    cmd_graph,         N, S}, // character plots in the report
    {29,  "POOL",     cmd_pool,          N, S}, // panel regression: pooled, fixed, random
    {30,  "GLS",      cmd_gls,           N, S}, // generalised least squares, Omega given
    {31,  "RENAME",   cmd_rename,        P, R}, // rename a variable
    {32,  "COMPRESS", cmd_compress,      P, R}, // compact the workspace
    {33,  "TITLE",    cmd_no_action,     P, R}, // title text
    {34,  "TIME",     cmd_sample,        P, R}, // calendar of the sample
    {35,  "SORT",     cmd_sort,          N, S}, // order observations by keys
    {36,  "REWIND",   rewind_command,    P, R}, // rewind a unit
    {37,  "GAMES",    cmd_games,         P, S},
    {38,  "CHECKOUT", cmd_checkout,      N, S}, // data checks, collinearity of the regressors
    {39,  "MATRIX",   cmd_matrix,        P, R}, // expression on whole matrices
    {40,  "GEN1",     cmd_genr,          P, R}, // GENR at observation 1
    {41,  "DISTRIB",  cmd_distrib,       N, S}, // densities, distribution functions, quantiles
    {42,  "COPY",     cmd_copy,          C, R}, // copy variables or parts under new names
    {43,  "BOX",      cmd_box,           N, S}, // Box-Cox regression
    {44,  "2SLS",     cmd_2sls,          N, S}, // two-stage least squares
    {45,  "SAVE",     cmd_save,          N, R}, // save the workspace
    {46,  "RESTORE",  cmd_restore,       C, R}, // restore a saved workspace
    {47,  "SPREAD",   cmd_spread,        N, S}, // a table of series, edited at a terminal
    {48,  "PARM",     cmd_size,          P, S}, // work area size: ends the loop to reallocate
    {49,  "FCAST",    cmd_fcast,         N, S}, // forecast
    {50,  "SYSTEM",   cmd_system,        N, S}, // SUR, iterated SUR, 3SLS (reads its block)
    {51,  "LIST",     PRINTX,            N, S}, // list variables (as PRINT)
    {52,  "NLINEAR",  cmd_nonlin,        N, S}, // nonlinear least squares (reads its block)
    {53,  "DLAGS",    cmd_dlags,         N, S}, // polynomial distributed lags (OLS path)
    {54,  "INDEX",    cmd_smooth_index,  N, S}, // price and quantity index numbers
    {55,  "PROBIT",   cmd_choice,        N, S}, // binary probit (ORDERED: ordered probit)
    {56,  "LOGIT",    cmd_choice,        N, S}, // binary or multinomial logit (ORDERED: ordered)
    {57,  "TOBIT",    cmd_choice,        N, S}, // censored normal regression
    {58,  "MLE",      cmd_nonlin,        N, S}, // maximum likelihood (the NLINEAR handler)
    {59,  "EQ",       cmd_no_action,     P, R}, // read by the equation commands
    {60,  "COEFFICI", cmd_no_action,     P, R}, // read by the equation commands
    {61,  "LAGS",     cmd_ignored_alone, P, R}, // only inside the commands that read it
    {62,  "ENDIF",    cmd_genr,          P, R}, // end a DO loop on a condition
    {63,  "FILE",     SETDIS,            P, R}, // bind units to files
    {64,  "SIZE",     cmd_size,          P, S}, // variable limit: ends the loop to reallocate
    {65,  "PCOMPONE", cmd_pcompone,      N, S}, // principal components
    {66,  "DEMONSTR", cmd_demonstr,      P, R}, // list or run the worked examples
    {67,  "PAUSE",    cmd_pause,         P, R}, // wait for the user (OTERM only)
    {68,  "USER",     cmd_user_namefmt,  N, R}, // load a plug-in library
    {69,  "DIAGNOSE", cmd_diagnose,      N, S}, // stability tests of the last OLS (FCAST options)
    {70,  "INSTRUME", cmd_2sls,          N, S}, // instrumental variables (the 2SLS handler)
    {71,  "TABLES",   cmd_tables,        P, S}, // cross-tabulations, tests of independence
    {72,  "ARIMA",    cmd_arima,         N, S}, // identify, estimate and forecast ARIMA models
    {73,  "GOTO",     cmd_goto,          P, S}, // the reader skips to the label
    {74,  "BAYES",    cmd_bayes,         N, S}, // inequality restrictions, posterior by sampling
    {75,  "CONFIDEN", cmd_graph,         P, R}, // confidence region of two coefficients
    {76,  "SMPL",     cmd_sample,        P, R}, // sample range
    {77,  "ROBUST",   cmd_robust,        N, S}, // quantile regression and M-estimation
    {78,  "INQUIRE",  inquire_command,   P, R}, // inquire about a unit
    {79,  "HETERO",   cmd_hetero,        N, S}, // regression with variance exp(z'g)
    {80,  "PROCEDUR", cmd_procedure,     P, R}, // define a procedure
    {81,  "PROCEND",  cmd_procend,       P, R}, // end of a procedure
    {82,  "ENDOGENO", cmd_no_action,     P, R}, // read by the equation commands
    {83,  "EXOGENOU", cmd_no_action,     P, R}, // read by the equation commands
    {84,  "LAGGED",   cmd_no_action,     P, R}, // read by the equation commands
    {85,  "DERIVATI", cmd_derivati,      P, R}, // derivative of an expression
    {86,  "INTEGRAT", cmd_integrat,      P, R}, // definite integral of an expression
    {87,  "IDENTITY", cmd_no_action,     P, R}, // read by the equation commands
    {88,  "TARVEDIT", cmd_tarvedit,      P, R}, // editor mode toggle
    {89,  "QUIT",     cmd_stop,          P, R}, // dispatched as STOP
    {90,  "EXIT",     cmd_stop,          P, R}, // dispatched as STOP
    {91,  "IMLS",     cmd_olsq,          N, S}, // the OLSQ handler
    {92,  "COINTEGR", cmd_arima,         N, S}, // cointegration tests (shares ARIMA's handler)
    {93,  "CONVERT",  cmd_convert,       P, R}, // series between frequencies, files between layouts
    {94,  "IF1",      cmd_genr,          P, R}, // IF at observation 1
    {95,  "LP",       cmd_lp,            N, S}, // linear programs
    {96,  "NONPAR",   cmd_nonpar,        N, S}, // kernel density and kernel regression
    {97,  "xxxxxxxx", not_available,     P, R}, // no command
    {98,  "GME",      cmd_gme,           N, S}, // generalised maximum entropy regression
    {99,  "FLS",      cmd_fls,           N, S}, // flexible least squares
    {100, "DOWNLOAD", cmd_download,      P, R}, // points to the web site
    {101, "VAR",      cmd_var,           N, S},
    {102, "FUZZY",    cmd_fuzzy,         N, S}, // fuzzy linear regression
    {103, "CALLOPTI", cmd_option_price,  N, S}, // call prices, sensitivities, implied volatility
    {104, "PUTOPTIO", cmd_option_price,  N, S}, // the same handler for puts
    {105, "PORTFOLI", cmd_portfoli,      N, S}, // mean-variance portfolios
    {106, "STOCKGRA", cmd_stockgra,      N, S}, // high-low-close and candlestick charts
    {107, "TIMEFMT",  cmd_graph_format,  P, R}, // the date form of time axes
    {108, "AXISFMT",  cmd_graph_format,  P, R}, // axis ranges, ticks, number forms
    {109, "GRAPH",    cmd_graph,         N, S}, // graph files drawn by gnuplot
    {110, "SMOOTH",   cmd_smooth_index,  N, S}, // exponential smoothing, Hodrick-Prescott filter
    {111, "RESET",    cmd_reset,         P, S}, // initial run state (CLOSE: files only)
    {112, "tarvex1",  cmd_user_namefmt,  N, R}, // user slot: a plug-in's command
    {113, "tarvex2",  cmd_user_namefmt,  N, R}, // user slot: a plug-in's command
    {114, "tarvex3",  cmd_user_namefmt,  N, R}, // user slot: a plug-in's command
    {115, "tarvex4",  cmd_user_namefmt,  N, R}, // user slot: a plug-in's command
    {116, "NAMEFMT",  cmd_user_namefmt,  N, R}, // the names shown in plots
    {117, "QP",       cmd_qp,            N, S}, // quadratic programs
    {118, "DUMMIES",  cmd_dummies,       N, S}, // 0/1 dummies of a categorical variable
    {119, "xxxxxxxx", not_available,     P, R}, // never matched
    {120, "xxxxxxxx", not_available,     P, R}, // never matched
});
// clang-format on
static_assert(COMMAND_ROW_LIST.size() == NCOMMAND, "one row for each command slot");

constexpr bool rows_in_slot_order() {
    for (std::size_t k = 0; k < COMMAND_ROW_LIST.size(); ++k)
        if (COMMAND_ROW_LIST[k].slot != static_cast<int>(k) + 1) return false;
    return true;
}
// (Whether each row names a handler is not a constant expression under the address sanitizer;
// every row above names one, and the size check refuses a missing row.)
static_assert(rows_in_slot_order(), "row k holds slot k + 1");

} // namespace

const std::array<CommandRow, NCOMMAND> COMMAND_ROWS = COMMAND_ROW_LIST;

CommandHandler handler_for(int slot) {
    if (slot < 1 || slot > NCOMMAND) return nullptr;
    return COMMAND_ROWS[slot - 1].handler;
}

} // namespace tarvex
