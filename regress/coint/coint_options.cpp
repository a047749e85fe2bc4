// The option table of COINTEGR and its defaults.
#include "regress/coint/coint_options.hpp"

#include "core/run.hpp"
#include "numeric/text.hpp"

namespace tarvex {

namespace {

// clang-format off
const OptionTable COINT_TABLE = estimator_option_table(
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
        // 14-19: PREDICT RESID COEF COVARIAN STDERR TRATIO of the cointegrating regression (JOHANSEN:
        // COEF the first normalised vector)
    },
    {
        "TESTSTAT",  // 20 name    the test statistics with their p-values
        "RANKTEST",  // 21 name    JOHANSEN: per rank r the eigenvalue, the statistics and their
                     //            critical values
    },
    7, 4, 0);
// clang-format on

} // namespace

const OptionTable& coint_option_table() {
    return COINT_TABLE;
}

void set_coint_defaults(Run& run) {
    OptionDefaults d = set_estimator_defaults(run, COINT_TABLE);
    d.integer("LAGS", -1);
    d.integer("BANDWIDT", -1);
}

CointOptions read_coint_options(const Run& run) {
    const OptionValues v(run.opt, COINT_TABLE);
    CointOptions o;
    read_estimator_options(v, o);
    o.PP = v.on("PP"), o.KPSS = v.on("KPSS"), o.LONG = v.on("LONG");
    o.JOHANSEN = v.on("JOHANSEN");
    o.LAGS = v.integer("LAGS"), o.BANDWIDT = v.integer("BANDWIDT");
    o.LAGS_given = v.given("LAGS"), o.BANDWIDT_given = v.given("BANDWIDT");
    o.DETERM = trim_trailing_blanks(v.name("DETERM"));
    o.SELECT = trim_trailing_blanks(v.name("SELECT"));
    o.RANKTEST = v.name("RANKTEST");
    return o;
}

} // namespace tarvex
