// The OLSQ option table, its defaults and the implications between its options.
#include "regress/fit/ols_options.hpp"

#include "core/run.hpp"
#include "numeric/text.hpp"
#include "regress/fit/estimator_front.hpp"

namespace tarvex {

namespace {

// clang-format off
const OptionTable OLSQ_TABLE = {
    {
        //  #  keyword      effect
        "MAX",       //  1 switch  extra output (SET MAX)
        "CONSTANT",  //  2 switch  append the intercept (on)
        "DUMP",      //  3 switch  debug output (SET DUMP)
        "LIST",      //  4 switch  list observed, predicted, residual
        "RSTAT",     //  5 switch  residual statistics
        "LOGLOG",    //  6 switch  dependent and regressors in logs
        "LOGLIN",    //  7 switch  dependent in logs
        "LINLOG",    //  8 switch  regressors in logs
        "PCOV",      //  9 switch  print the coefficient covariance matrix
        "PCOR",      // 10 switch  print the coefficient correlation matrix
        "ANOVA",     // 11 switch  analysis of variance, selection criteria (SET BATCH)
        "DN",        // 12 switch  divide SSE by N
        "DLAG",      // 13 switch  lag-sum tests
        "GF",        // 14 switch  goodness-of-fit test of the residuals (SET BATCH)
        "LM",        // 15 switch  normality and heteroskedasticity tests
        "RESTRICT",  // 16 switch  linear restrictions follow
        "MULSIGSQ",  // 17 switch  covariance = sigma**2 (X'X)**-1 (on)
        "DWPVALUE",  // 18 switch  exact Durbin-Watson p-value
        "MISS",      // 19 switch
        "PLUSH",     // 20 switch
        "HETCOV",    // 21 switch  heteroskedasticity-consistent covariance
        "NORMALIZ",  // 22 switch  weights scaled to sum to N (on)
        "INFLUENC",  // 23 switch  influence diagnostics
        "DFBETAS",   // 24 switch  DFBETAS with the influence diagnostics
        "REPLICAT",  // 25 switch  weights are replication counts
        "EXACTDW",   // 26 switch  exact Durbin-Watson (sets DWPVALUE)
        "UT",        // 27 switch
        "RECURSIV",  // 28 switch  recursive estimation
        "WIDE",      // 29 switch  130-column report (SET WIDE)
        "AUXRSQR",   // 30 switch  auxiliary R-squares
        "REALIMAG",  // 31 switch
        "POLAR",     // 32 switch
        "GNUPLOT",   // 33 switch  residual plot files for gnuplot
        "APPEND",    // 34 switch  append to the plot command file
        "DLRX",      // 35 switch
        "LININVER",  // 36 switch
        "LOGINVER",  // 37 switch
        "GRAPHICS",  // 38 switch  plots (sets GNUPLOT)
        "PILAGS",    // 39 switch  polynomial inverse lags
        "BEG",       // 40 integer first observation
        "END",       // 41 integer last observation
        "AUTCOV",    // 42 integer Newey-West lag order
        "ORDER",     // 43 integer Durbin-Watson order
        "GAP",       // 44 integer gap in the Durbin-Watson differences
        "NMISS",     // 45 integer missing observations for Durbin-Watson
        "NPOP",      // 46 integer population size
        "RIDGE",     // 47 real    ridge constant k
        "INSIG2",    // 48 real    given error variance
        "INDW",      // 49 real    given Durbin-Watson statistic
        "ALPHA",     // 50 real    size for the Durbin-Watson critical value
        "RHO",       // 51 real    autocorrelation for the Durbin-Watson p-value
        "FE",        // 52 real
        "FX",        // 53 real
        "PE",        // 54 real
        "PX",        // 55 real
        "PREDICT",   // 56 name    predicted values
        "RESID",     // 57 name    residuals
        "COEFFICE",  // 58 name    coefficients
        "COVARIAN",  // 59 name    coefficient covariance matrix
        "TRATIO",    // 60 name    t-ratios
        "STDERR",    // 61 name    standard errors
        "METHOD",    // 62 name    GS, HH or NORMAL
        "HATDIAG",   // 63 name    hat-matrix diagonal
        "IDVAR",     // 64 name    observation labels of LIST
        "OUTPUT",    // 65 name    plot target
        "DEVICE",    // 66 name
        "PORT",      // 67 name
        "COMMFILE",  // 68 name    plot command file
        "WEIGHT",    // 69 name    weight variable
        "INCOEFFI",  // 70 name    given coefficients
        "PCINFORM",  // 71 name    principal-component information matrix
        "PCOMPONE",  // 72 name    principal components
        "MOMENTS",   // 73 name
        "INCOVARI",  // 74 name    given covariance matrix
        "********",
    },
    39, 7, 9, 19};
// clang-format on

} // namespace

const OptionTable& olsq_option_table() {
    return OLSQ_TABLE;
}

bool name_blank(const std::string& name) {
    return name.find_first_not_of(' ') == std::string::npos;
}

OlsMethod OlsOptions::method() const {
    if (METHOD.rfind("HH", 0) == 0) return OlsMethod::HH;
    if (METHOD.rfind("NORMAL", 0) == 0) return OlsMethod::NORMAL;
    return OlsMethod::GS;
}

void set_olsq_defaults(Run& run) {
    OptionDefaults d = set_estimator_defaults(run, OLSQ_TABLE); // CONSTANT, WIDE, BEG, END
    d.on("MAX", run.sw[OMXX]);
    d.on("DUMP", run.sw[ODMMP]);
    d.on("ANOVA", run.sw[OBAT]);
    d.on("GF", run.sw[OBAT]);
    d.on("MULSIGSQ");
    d.on("NORMALIZ");
    d.integer("ORDER", 1);
    for (const char* k : {"FE", "FX", "PE", "PX"}) d.real(k, -1);
    d.name("METHOD", "GS");
    d.name("OUTPUT", "PLOT");
    d.name("COMMFILE", "COMM.GNU");
}

OlsOptions read_olsq_options(const Run& run) {
    const OptionValues v(run.opt, OLSQ_TABLE);
    OlsOptions o;
    auto s = [&](const char* k) { return v.on(k); };
    auto i = [&](const char* k) { return v.integer(k); };
    auto r = [&](const char* k) { return v.real(k); };
    auto n = [&](const char* k) { return v.name(k); };
    o.MAX = s("MAX"), o.CONSTANT = s("CONSTANT"), o.DUMP = s("DUMP"), o.LIST = s("LIST");
    o.RSTAT = s("RSTAT"), o.LOGLOG = s("LOGLOG"), o.LOGLIN = s("LOGLIN");
    o.LINLOG = s("LINLOG"), o.PCOV = s("PCOV"), o.PCOR = s("PCOR"), o.ANOVA = s("ANOVA");
    o.DN = s("DN"), o.DLAG = s("DLAG"), o.GF = s("GF"), o.LM = s("LM");
    o.RESTRICT = s("RESTRICT"), o.MULSIGSQ = s("MULSIGSQ"), o.DWPVALUE = s("DWPVALUE");
    o.MISS = s("MISS"), o.PLUSH = s("PLUSH"), o.HETCOV = s("HETCOV");
    o.NORMALIZ = s("NORMALIZ"), o.INFLUENC = s("INFLUENC"), o.DFBETAS = s("DFBETAS");
    o.REPLICAT = s("REPLICAT"), o.EXACTDW = s("EXACTDW"), o.UT = s("UT");
    o.RECURSIV = s("RECURSIV"), o.WIDE = s("WIDE"), o.AUXRSQR = s("AUXRSQR");
    o.REALIMAG = s("REALIMAG"), o.POLAR = s("POLAR"), o.GNUPLOT = s("GNUPLOT");
    o.APPEND = s("APPEND"), o.DLRX = s("DLRX"), o.LININVER = s("LININVER");
    o.LOGINVER = s("LOGINVER"), o.GRAPHICS = s("GRAPHICS"), o.PILAGS = s("PILAGS");
    o.BEG = i("BEG"), o.END = i("END"), o.AUTCOV = i("AUTCOV"), o.ORDER = i("ORDER");
    o.GAP = i("GAP"), o.NMISS = i("NMISS"), o.NPOP = i("NPOP");
    o.RIDGE = r("RIDGE"), o.INSIG2 = r("INSIG2"), o.INDW = r("INDW"), o.ALPHA = r("ALPHA");
    o.RHO = r("RHO"), o.FE = r("FE"), o.FX = r("FX"), o.PE = r("PE"), o.PX = r("PX");
    o.PREDICT = n("PREDICT"), o.RESID = n("RESID"), o.COEFFICE = n("COEFFICE");
    o.COVARIAN = n("COVARIAN"), o.TRATIO = n("TRATIO"), o.STDERR = n("STDERR");
    o.METHOD = n("METHOD"), o.HATDIAG = n("HATDIAG"), o.IDVAR = n("IDVAR");
    o.OUTPUT = n("OUTPUT"), o.DEVICE = n("DEVICE"), o.PORT = n("PORT");
    o.COMMFILE = n("COMMFILE"), o.WEIGHT = n("WEIGHT"), o.INCOEFFI = n("INCOEFFI");
    o.PCINFORM = n("PCINFORM"), o.PCOMPONE = n("PCOMPONE"), o.MOMENTS = n("MOMENTS");
    o.INCOVARI = n("INCOVARI");
    o.commfile_full = v.full_name("COMMFILE");
    o.output_full = v.full_name("OUTPUT");
    return o;
}

void apply_olsq_implications(OlsOptions& o, bool distributed_lags) {
    const std::string NORMAL = first_8_padded("NORMAL");
    if (o.PILAGS) o.PCOV = o.PCOR = false;
    if (o.HETCOV) o.AUXRSQR = false;
    if (o.GRAPHICS) o.GNUPLOT = true;
    if (o.EXACTDW) o.DWPVALUE = true;
    if (o.LM) o.RSTAT = true;
    if (o.GF) o.RSTAT = true;
    if (o.AUTCOV != 0) o.HETCOV = true;
    if (o.REPLICAT) o.UT = true;
    if (o.RECURSIV) o.METHOD = NORMAL;
    if (!name_blank(o.INCOEFFI)) o.METHOD = NORMAL;
    if (o.GNUPLOT) o.RSTAT = true;
    if (distributed_lags && !o.DLRX) {
        o.METHOD = NORMAL;
        o.DWPVALUE = false;
    }
    if (o.DWPVALUE) o.METHOD = first_8_padded("HH");
    if (o.RIDGE != 0) o.METHOD = NORMAL;
}

} // namespace tarvex
