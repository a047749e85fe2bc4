// The option table of ARIMA and its defaults.
#include "regress/arima/arima_options.hpp"

#include "core/run.hpp"
#include "numeric/text.hpp"

namespace tarvex {

namespace {

// clang-format off
const OptionTable ARIMA_TABLE = estimator_option_table(
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
        "NARCH",     // 20 integer q, the ARCH order of a volatility model (0: none)
        "NGARCH",    // 21 integer p, its GARCH order
        "CONVERGE",  // 22 real    relative change of every parameter (1E-20)
        // 23-28: PREDICT the one-step predictions of the series, RESID the residuals (standardised
        // innovations), COEF COVARIAN STDERR TRATIO (asymptotic)
    },
    {
        "FORECAST",  // 29 name    forecasts, at the observations after END
        "FCSTERR",   // 30 name    standard errors of the forecasts, beside them
        "METHOD",    // 31 name    ML (exact likelihood) or CSS (conditional sum of squares)
        "TESTSTAT",  // 32 name    the Ljung-Box tests of the residuals
        "ERRORS",    // 33 name    the law of a volatility model's errors: NORMAL or T
        "COVTYPE",   // 34 name    its covariance: HESSIAN or ROBUST (the sandwich)
        "HT",        // 35 name    its conditional variance at each observation
    },
    7, 14, 1);
// clang-format on

} // namespace

const OptionTable& arima_option_table() {
    return ARIMA_TABLE;
}

void set_arima_defaults(Run& run) {
    OptionDefaults d = set_estimator_defaults(run, ARIMA_TABLE);
    d.integer("NLAG", -1); // 10 log10 n
    d.integer("MAXIT", 100);
    d.real("CONVERGE", 1e-20Q);
    d.name("METHOD", "ML");
    d.name("ERRORS", "NORMAL");
    d.name("COVTYPE", "HESSIAN");
}

ArimaOptions read_arima_options(const Run& run) {
    const OptionValues v(run.opt, ARIMA_TABLE);
    ArimaOptions o;
    read_estimator_options(v, o);
    o.DRIFT = v.on("DRIFT"), o.IDENT = v.on("IDENT");
    o.NAR = v.integer("NAR"), o.NDIFF = v.integer("NDIFF"), o.NMA = v.integer("NMA");
    o.NSAR = v.integer("NSAR"), o.NSDIFF = v.integer("NSDIFF"), o.NSMA = v.integer("NSMA");
    o.NSPAN = v.integer("NSPAN"), o.NLAG = v.integer("NLAG"), o.NLAG_given = v.given("NLAG"),
    o.HORIZON = v.integer("HORIZON");
    o.FORECAST = v.name("FORECAST"), o.FCSTERR = v.name("FCSTERR");
    o.NARCH = v.integer("NARCH"), o.NGARCH = v.integer("NGARCH");
    o.ERRORS = trim_trailing_blanks(v.name("ERRORS"));
    o.COVTYPE = trim_trailing_blanks(v.name("COVTYPE"));
    o.HT = v.name("HT");
    return o;
}

} // namespace tarvex
