// The option table of COINTEGR and its defaults.
#include "regress/coint/coint_options.hpp"

#include "core/run.hpp"
#include "numeric/text.hpp"
#include "options/options.hpp"

namespace tarvex {

namespace {

// clang-format off
const OptionTable COINT_TABLE = {
    {
        //  #  keyword      effect
        "PP",        //  1 switch  Phillips-Perron instead of Dickey-Fuller (one variable)
        "KPSS",      //  2 switch  KPSS test of stationarity (one variable)
        "LONG",      //  3 switch  the long default bandwidth, 12 (n/100)**0.25
        "PCOV",      //  4 switch  print the covariance of the cointegrating regression
        "PCOR",      //  5 switch  print its correlation matrix
        "WIDE",      //  6 switch  130-column report (SET WIDE)
        "JOHANSEN",  //  7 switch  Johansen's test of the cointegrating rank (two or more variables)
        "BEG",       //  8 integer first observation
        "END",       //  9 integer last observation
        "LAGS",      // 10 integer lagged differences, or their maximum with SELECT; JOHANSEN: K
        "BANDWIDT",  // 11 integer Bartlett truncation lag of the long-run variance
        "DETERM",    // 12 name    NONE, CONSTANT, TREND; with JOHANSEN also RESTRICT
        "SELECT",    // 13 name    FIXED, AIC or BIC: how the number of lags is chosen
        "PREDICT",   // 14 name    fitted values of the cointegrating regression
        "RESID",     // 15 name    its residuals
        "COEF",      // 16 name    its coefficients (JOHANSEN: the first normalised vector)
        "COVARIAN",  // 17 name    their covariance matrix
        "STDERR",    // 18 name    standard errors
        "TRATIO",    // 19 name    t-ratios
    },
    7, 4, 0, 8};
// clang-format on

int at(std::string_view keyword) {
    return option_index(COINT_TABLE, keyword);
}

} // namespace

const OptionTable& coint_option_table() {
    return COINT_TABLE;
}

void set_coint_defaults(Run& run) {
    OptionSet& opt = run.opt;
    opt.prepare(COINT_TABLE);
    opt.sw[at("WIDE")] = run.sw[OWIDE];
    opt.iv[at("BEG")] = run.smpl.IBEG;
    opt.iv[at("END")] = run.smpl.IEND;
    opt.iv[at("LAGS")] = -1;
    opt.iv[at("BANDWIDT")] = -1;
}

CointOptions read_coint_options(const Run& run) {
    const OptionSet& opt = run.opt;
    CointOptions o;
    auto s = [&](const char* k) { return bool(opt.sw[at(k)]); };
    auto n = [&](const char* k) { return trim_trailing_blanks(opt.name[at(k)]); };
    o.PP = s("PP"), o.KPSS = s("KPSS"), o.LONG = s("LONG");
    o.PCOV = s("PCOV"), o.PCOR = s("PCOR"), o.WIDE = s("WIDE");
    o.JOHANSEN = s("JOHANSEN");
    o.BEG = opt.iv[at("BEG")], o.END = opt.iv[at("END")];
    o.LAGS = opt.iv[at("LAGS")], o.BANDWIDT = opt.iv[at("BANDWIDT")];
    o.DETERM = n("DETERM"), o.SELECT = n("SELECT");
    auto padded = [&](const char* k) { return opt.name[at(k)]; };
    o.PREDICT = padded("PREDICT"), o.RESID = padded("RESID"), o.COEF = padded("COEF");
    o.COVARIAN = padded("COVARIAN"), o.STDERR = padded("STDERR"), o.TRATIO = padded("TRATIO");
    return o;
}

} // namespace tarvex
