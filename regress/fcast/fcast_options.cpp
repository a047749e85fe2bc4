// The FCAST option table, its defaults and the implications between its options.
#include "regress/fcast/fcast_options.hpp"

#include "core/run.hpp"
#include "numeric/text.hpp"
#include "options/option_access.hpp"
#include "options/options.hpp"

namespace tarvex {

namespace {

// clang-format off
const OptionTable FCAST_TABLE = {
    {
        //  #  keyword      effect
        "MAX",       //  1 switch  print the model before forecasting
        "CONSTANT",  //  2 switch  the equation given on the command has an intercept (on)
        "LIST",      //  3 switch  list observed, predicted, residual and std. error
        "GF",        //  4 switch  goodness-of-fit test of the forecast errors
        "RSTAT",     //  5 switch  accuracy and residual statistics (on; off for DIAGNOSE)
        "UPPER",     //  6 switch
        "BLUP",      //  7 switch  best linear unbiased prediction (autoregressive models)
        "IBLUP",     //  8 switch  sets BLUP
        "GNU",       //  9 switch  plot files for gnuplot
        "DYNAMIC",   // 10 switch  lagged dependent variable from earlier forecasts
        "RECURSIV",  // 11 switch
        "ACF",       // 12 switch
        "DUMP",      // 13 switch  print the model (SET DUMP)
        "RECESTIM",  // 14 switch  DIAGNOSE (on)
        "RECRESID",  // 15 switch  DIAGNOSE (on)
        "LM",        // 16 switch  normality and heteroskedasticity tests of the errors
        "BACKWARD",  // 17 switch  DIAGNOSE
        "CHOWTEST",  // 18 switch  DIAGNOSE
        "RESET",     // 19 switch  DIAGNOSE
        "BOOTLIST",  // 20 switch  DIAGNOSE
        "HETEROSC",  // 21 switch  DIAGNOSE
        "JACKKNIF",  // 22 switch  DIAGNOSE
        "AFCSE",     // 23 switch
        "PERCENT",   // 24 switch
        "APPEND",    // 25 switch  append to the plot command file
        "CTEST",     // 26 switch  DIAGNOSE
        "MEANPRED",  // 27 switch
        "WHITETES",  // 28 switch  DIAGNOSE (on)
        "WIDE",      // 29 switch  130-column listing (SET WIDE)
        "HANSEN",    // 30 switch  DIAGNOSE
        "GRAPHICS",  // 31 switch  sets GNU
        "FIXED",     // 32 switch  fixed effects of a pooled model
        "BEG",       // 33 integer first observation (current sample)
        "END",       // 34 integer last observation (current sample)
        "ORDER",     // 35 integer autoregressive order
        "LAG",       // 36 integer lag length of a distributed lag
        "MHET",      // 37 integer DIAGNOSE
        "BOOTSAMP",  // 38 integer DIAGNOSE
        "BOOTUNIT",  // 39 integer DIAGNOSE
        "RECUNIT",   // 40 integer DIAGNOSE
        "SIGLEVEL",  // 41 integer DIAGNOSE (5)
        "ESTEND",    // 42 integer last observation of the estimation
        "CSNUMBER",  // 43 integer cross-section to forecast (POOL)
        "NCROSS",    // 44 integer number of cross-sections (POOL)
        "GQOBS",     // 45 integer DIAGNOSE
        "CHOWONE",   // 46 integer DIAGNOSE
        "UNIT",      // 47 integer
        "LAMBDA",    // 48 real    Box-Cox lambda
        "RHO",       // 49 real    first-order autocorrelation (-999: estimated)
        "SRHO",      // 50 real    second-order autocorrelation (-999: estimated)
        "POOLSE",    // 51 real    pooled standard error
        "LIMIT",     // 52 real
        "COEFFICI",  // 53 name    coefficient vector (no estimation needed)
        "IDVAR",     // 54 name    observation labels of LIST
        "MODEL",     // 55 name    model type (the last estimation command)
        "FCSE",      // 56 name    forecast standard errors
        "CSFIX",     // 57 name
        "PREDICT",   // 58 name    predicted values
        "RESID",     // 59 name    forecast errors
        "OUTPUT",    // 60 name    plot target ("PLOT")
        "DEVICE",    // 61 name
        "PORT",      // 62 name
        "COMMFILE",  // 63 name    plot command file ("COMM.GNU")
        "BIND",      // 64 name    TARVBIN file the output series are written to and bound to
        "********",
    },
    32, 15, 5, 12};
// clang-format on

} // namespace

const OptionTable& fcast_option_table() {
    return FCAST_TABLE;
}

void set_fcast_defaults(Run& run, bool diagnose, const std::string& model) {
    OptionDefaults d(run.opt, FCAST_TABLE);
    d.on("CONSTANT");
    d.on("RSTAT", !diagnose);
    d.on("DUMP", run.sw[ODMMP]);
    d.on("RECESTIM");
    d.on("RECRESID");
    d.on("WHITETES");
    d.on("WIDE", run.sw[OWIDE]);
    d.integer("BEG", run.smpl.IBEG);
    d.integer("END", run.smpl.IEND);
    d.integer("SIGLEVEL", 5);
    d.real("RHO", RHO_NOT_GIVEN);
    d.real("SRHO", RHO_NOT_GIVEN);
    if (!model.empty()) d.name("MODEL", model);
    d.name("OUTPUT", "PLOT");
    d.name("COMMFILE", "COMM.GNU");
}

FcastOptions read_fcast_options(const Run& run) {
    const OptionValues v(run.opt, FCAST_TABLE);
    FcastOptions o;
    o.MAX = v.on("MAX"), o.CONSTANT = v.on("CONSTANT"), o.LIST = v.on("LIST"), o.GF = v.on("GF");
    o.RSTAT = v.on("RSTAT"), o.UPPER = v.on("UPPER"), o.BLUP = v.on("BLUP"),
    o.IBLUP = v.on("IBLUP");
    o.GNU = v.on("GNU"), o.DYNAMIC = v.on("DYNAMIC"), o.RECURSIV = v.on("RECURSIV"),
    o.ACF = v.on("ACF");
    o.DUMP = v.on("DUMP"), o.RECESTIM = v.on("RECESTIM"), o.RECRESID = v.on("RECRESID"),
    o.LM = v.on("LM");
    o.BACKWARD = v.on("BACKWARD"), o.CHOWTEST = v.on("CHOWTEST"), o.RESET = v.on("RESET");
    o.BOOTLIST = v.on("BOOTLIST"), o.HETEROSC = v.on("HETEROSC"), o.JACKKNIF = v.on("JACKKNIF");
    o.AFCSE = v.on("AFCSE"), o.PERCENT = v.on("PERCENT"), o.APPEND = v.on("APPEND"),
    o.CTEST = v.on("CTEST");
    o.MEANPRED = v.on("MEANPRED"), o.WHITETES = v.on("WHITETES"), o.WIDE = v.on("WIDE");
    o.HANSEN = v.on("HANSEN"), o.GRAPHICS = v.on("GRAPHICS"), o.FIXED = v.on("FIXED");
    o.BEG = v.integer("BEG"), o.END = v.integer("END"), o.ORDER = v.integer("ORDER"),
    o.LAG = v.integer("LAG");
    o.MHET = v.integer("MHET"), o.BOOTSAMP = v.integer("BOOTSAMP"),
    o.BOOTUNIT = v.integer("BOOTUNIT");
    o.RECUNIT = v.integer("RECUNIT"), o.SIGLEVEL = v.integer("SIGLEVEL"),
    o.ESTEND = v.integer("ESTEND");
    o.CSNUMBER = v.integer("CSNUMBER"), o.NCROSS = v.integer("NCROSS"),
    o.GQOBS = v.integer("GQOBS");
    o.CHOWONE = v.integer("CHOWONE"), o.UNIT = v.integer("UNIT");
    o.BEG_given = v.given("BEG");
    o.ESTEND_given = v.given("ESTEND") && o.ESTEND > 0;
    o.LAMBDA = v.real("LAMBDA"), o.RHO = v.real("RHO"), o.SRHO = v.real("SRHO"),
    o.POOLSE = v.real("POOLSE");
    o.LIMIT = v.real("LIMIT");
    o.COEFFICI = v.name("COEFFICI"), o.IDVAR = v.name("IDVAR"), o.MODEL = v.name("MODEL"),
    o.FCSE = v.name("FCSE");
    o.CSFIX = v.name("CSFIX"), o.PREDICT = v.name("PREDICT"), o.RESID = v.name("RESID");
    o.OUTPUT = v.name("OUTPUT"), o.DEVICE = v.name("DEVICE"), o.PORT = v.name("PORT");
    o.COMMFILE = v.name("COMMFILE");
    o.commfile_full = v.full_name("COMMFILE");
    o.bind_file = trim_blanks(v.full_name("BIND"));
    // Implications.
    if (o.MAX || o.LIST) o.RSTAT = true;
    if (o.GRAPHICS) o.GNU = true;
    if (o.IBLUP) o.BLUP = true;
    return o;
}

} // namespace tarvex
