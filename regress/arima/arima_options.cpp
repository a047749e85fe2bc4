// The option table of ARIMA and its defaults.
#include "regress/arima/arima_options.hpp"

#include "core/run.hpp"
#include "numeric/text.hpp"
#include "options/options.hpp"

namespace tarvex {

namespace {

// clang-format off
const OptionTable ARIMA_TABLE = {
    {
        //  #  keyword      effect
        "CONSTANT",  //  1 switch  estimate the mean of an undifferenced series (on)
        "DRIFT",     //  2 switch  estimate the mean of the differenced series
        "IDENT",     //  3 switch  identification report also when estimating
        "PCOV",      //  4 switch  print the coefficient covariance matrix
        "PCOR",      //  5 switch  print the coefficient correlation matrix
        "WIDE",      //  6 switch  130-column report (SET WIDE)
        "PITER",     //  7 switch  print every iteration
        "NAR",       //  8 integer p, the AR order
        "NDIFF",     //  9 integer d, the order of differencing
        "NMA",       // 10 integer q, the MA order
        "NSAR",      // 11 integer P, the seasonal AR order
        "NSDIFF",    // 12 integer D, the order of seasonal differencing
        "NSMA",      // 13 integer Q, the seasonal MA order
        "NSPAN",     // 14 integer s, the seasonal period
        "NLAG",      // 15 integer lags of the correlograms and Ljung-Box tests (10 log10 n)
        "HORIZON",   // 16 integer forecasts 1..HORIZON steps after the last observation
        "BEG",       // 17 integer first observation
        "END",       // 18 integer last observation
        "MAXIT",     // 19 integer iteration limit (100)
        "CONVERGE",  // 20 real    relative change of every parameter (1E-20)
        "PREDICT",   // 21 name    one-step predictions of the series
        "RESID",     // 22 name    residuals (standardised innovations)
        "COEF",      // 23 name    coefficients
        "COVARIAN",  // 24 name    coefficient covariance matrix
        "STDERR",    // 25 name    standard errors
        "TRATIO",    // 26 name    asymptotic t-ratios
        "FORECAST",  // 27 name    forecasts, at the observations after END
        "FCSTERR",   // 28 name    standard errors of the forecasts, beside them
        "METHOD",    // 29 name    ML (exact likelihood) or CSS (conditional sum of squares)
    },
    7, 12, 1, 9};
// clang-format on

int at(std::string_view keyword) {
    return option_index(ARIMA_TABLE, keyword);
}

} // namespace

const OptionTable& arima_option_table() {
    return ARIMA_TABLE;
}

void set_arima_defaults(Run& run) {
    OptionSet& opt = run.opt;
    opt.prepare(ARIMA_TABLE);
    opt.sw[at("CONSTANT")] = true;
    opt.sw[at("WIDE")] = run.sw[OWIDE];
    opt.iv[at("NLAG")] = -1; // 10 log10 n
    opt.iv[at("BEG")] = run.smpl.IBEG;
    opt.iv[at("END")] = run.smpl.IEND;
    opt.iv[at("MAXIT")] = 100;
    opt.rv[at("CONVERGE")] = 1e-20Q;
    opt.name[at("METHOD")] = first_8_padded("ML");
}

ArimaOptions read_arima_options(const Run& run) {
    const OptionSet& opt = run.opt;
    ArimaOptions o;
    auto s = [&](const char* k) { return bool(opt.sw[at(k)]); };
    auto i = [&](const char* k) { return opt.iv[at(k)]; };
    auto n = [&](const char* k) { return opt.name[at(k)]; };
    o.CONSTANT = s("CONSTANT"), o.DRIFT = s("DRIFT"), o.IDENT = s("IDENT");
    o.PCOV = s("PCOV"), o.PCOR = s("PCOR"), o.WIDE = s("WIDE"), o.PITER = s("PITER");
    o.NAR = i("NAR"), o.NDIFF = i("NDIFF"), o.NMA = i("NMA");
    o.NSAR = i("NSAR"), o.NSDIFF = i("NSDIFF"), o.NSMA = i("NSMA"), o.NSPAN = i("NSPAN");
    o.NLAG = i("NLAG"), o.HORIZON = i("HORIZON"), o.BEG = i("BEG"), o.END = i("END");
    o.MAXIT = i("MAXIT");
    o.CONVERGE = opt.rv[at("CONVERGE")];
    o.PREDICT = n("PREDICT"), o.RESID = n("RESID"), o.COEF = n("COEF");
    o.COVARIAN = n("COVARIAN"), o.STDERR = n("STDERR"), o.TRATIO = n("TRATIO");
    o.FORECAST = n("FORECAST"), o.FCSTERR = n("FCSTERR");
    o.METHOD = trim_trailing_blanks(n("METHOD"));
    return o;
}

} // namespace tarvex
