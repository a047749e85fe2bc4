// The FCAST option table, its defaults and the implications between its options.
#include "regress/fcast/fcast_options.hpp"

#include "core/run.hpp"
#include "numeric/text.hpp"
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
        "********",
    },
    32, 15, 5, 11};
// clang-format on

int at(std::string_view keyword) {
    return option_index(FCAST_TABLE, keyword);
}

} // namespace

const OptionTable& fcast_option_table() {
    return FCAST_TABLE;
}

void set_fcast_defaults(Run& run, bool diagnose, const std::string& model) {
    OptionSet& opt = run.opt;
    opt.prepare(FCAST_TABLE);
    opt.sw[at("CONSTANT")] = true;
    opt.sw[at("RSTAT")] = !diagnose;
    opt.sw[at("DUMP")] = run.sw[ODMMP];
    opt.sw[at("RECESTIM")] = true;
    opt.sw[at("RECRESID")] = true;
    opt.sw[at("WHITETES")] = true;
    opt.sw[at("WIDE")] = run.sw[OWIDE];
    opt.iv[at("BEG")] = run.smpl.IBEG;
    opt.iv[at("END")] = run.smpl.IEND;
    opt.iv[at("SIGLEVEL")] = 5;
    opt.rv[at("RHO")] = RHO_NOT_GIVEN;
    opt.rv[at("SRHO")] = RHO_NOT_GIVEN;
    opt.name[at("MODEL")] = model.empty() ? std::string() : first_8_padded(model);
    opt.name[at("OUTPUT")] = first_8_padded("PLOT");
    opt.name[at("COMMFILE")] = first_8_padded("COMM.GNU");
    opt.name_full[at("COMMFILE")] = "COMM.GNU";
}

FcastOptions read_fcast_options(const Run& run) {
    const OptionSet& opt = run.opt;
    FcastOptions o;
    auto s = [&](const char* k) { return bool(opt.sw[at(k)]); };
    auto i = [&](const char* k) { return opt.iv[at(k)]; };
    auto r = [&](const char* k) { return opt.rv[at(k)]; };
    auto n = [&](const char* k) { return opt.name[at(k)]; };
    o.MAX = s("MAX"), o.CONSTANT = s("CONSTANT"), o.LIST = s("LIST"), o.GF = s("GF");
    o.RSTAT = s("RSTAT"), o.UPPER = s("UPPER"), o.BLUP = s("BLUP"), o.IBLUP = s("IBLUP");
    o.GNU = s("GNU"), o.DYNAMIC = s("DYNAMIC"), o.RECURSIV = s("RECURSIV"), o.ACF = s("ACF");
    o.DUMP = s("DUMP"), o.RECESTIM = s("RECESTIM"), o.RECRESID = s("RECRESID"), o.LM = s("LM");
    o.BACKWARD = s("BACKWARD"), o.CHOWTEST = s("CHOWTEST"), o.RESET = s("RESET");
    o.BOOTLIST = s("BOOTLIST"), o.HETEROSC = s("HETEROSC"), o.JACKKNIF = s("JACKKNIF");
    o.AFCSE = s("AFCSE"), o.PERCENT = s("PERCENT"), o.APPEND = s("APPEND"), o.CTEST = s("CTEST");
    o.MEANPRED = s("MEANPRED"), o.WHITETES = s("WHITETES"), o.WIDE = s("WIDE");
    o.HANSEN = s("HANSEN"), o.GRAPHICS = s("GRAPHICS"), o.FIXED = s("FIXED");
    o.BEG = i("BEG"), o.END = i("END"), o.ORDER = i("ORDER"), o.LAG = i("LAG");
    o.MHET = i("MHET"), o.BOOTSAMP = i("BOOTSAMP"), o.BOOTUNIT = i("BOOTUNIT");
    o.RECUNIT = i("RECUNIT"), o.SIGLEVEL = i("SIGLEVEL"), o.ESTEND = i("ESTEND");
    o.CSNUMBER = i("CSNUMBER"), o.NCROSS = i("NCROSS"), o.GQOBS = i("GQOBS");
    o.CHOWONE = i("CHOWONE"), o.UNIT = i("UNIT");
    o.BEG_given = opt.igiven[at("BEG")];
    o.ESTEND_given = opt.igiven[at("ESTEND")] && o.ESTEND > 0;
    o.LAMBDA = r("LAMBDA"), o.RHO = r("RHO"), o.SRHO = r("SRHO"), o.POOLSE = r("POOLSE");
    o.LIMIT = r("LIMIT");
    o.COEFFICI = n("COEFFICI"), o.IDVAR = n("IDVAR"), o.MODEL = n("MODEL"), o.FCSE = n("FCSE");
    o.CSFIX = n("CSFIX"), o.PREDICT = n("PREDICT"), o.RESID = n("RESID");
    o.OUTPUT = n("OUTPUT"), o.DEVICE = n("DEVICE"), o.PORT = n("PORT");
    o.COMMFILE = n("COMMFILE");
    o.commfile_full = opt.name_full[at("COMMFILE")];
    // Implications.
    if (o.MAX || o.LIST) o.RSTAT = true;
    if (o.GRAPHICS) o.GNU = true;
    if (o.IBLUP) o.BLUP = true;
    return o;
}

std::string name_option_without_value(const Run& run) {
    const OptionTable& table = FCAST_TABLE;
    for (int j = 0; j < table.nname; ++j)
        if (given_without_value(run.opt.name[j]))
            return std::string(table.keywords[table.nswitch + table.nint + table.nreal + j]);
    return {};
}

} // namespace tarvex
