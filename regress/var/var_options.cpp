// The option table of VAR and its own defaults.
#include "regress/var/var_options.hpp"

#include "core/run.hpp"

namespace tarvex {

namespace {

// clang-format off
const OptionTable VAR_TABLE = estimator_option_table(
    {
        //  #  keyword      effect
        "CONSTANT",  //  1 switch  an intercept in every equation (on)
        "PCOV",      //  2 switch  print the coefficient covariance matrix
        "PCOR",      //  3 switch  print the coefficient correlation matrix
        "WIDE",      //  4 switch  130-column report (SET WIDE)
        "TREND",     //  5 switch  a linear trend 1, 2, ... in every equation
        "IRF",       //  6 switch  print the impulse responses
        "FEVD",      //  7 switch  print the forecast-error variance decomposition
        "ORTHOG",    //  8 switch  responses to orthogonalised shocks (on; NOORTHOG: plain)
        "GRANGER",   //  9 switch  Granger and instantaneous causality of each series
        "BEG",       // 10 integer first observation
        "END",       // 11 integer last observation
        "NLAG",      // 12 integer lag order p (1)
        "MAXLAG",    // 13 integer information criteria of the orders 0..MAXLAG (0: none)
        "HORIZON",   // 14 integer last step of the responses and the decomposition (10)
        "SEASONAL",  // 15 integer seasons a period: dummies for all but the last (0: none)
        // 16-21: PREDICT fitted values and RESID residuals, one variable per equation (name1,
        // name2 ...); COEF (equation after equation) COVARIAN STDERR TRATIO
    },
    {
        "RESCOV",    // 22 name    residual covariance, divided by T - m, K by K
        "IMPULSE",   // 23 name    responses, (HORIZON+1) K rows by K shocks
        "DECOMP",    // 24 name    variance decomposition, HORIZON+1 K rows by K shocks
        "IRFSE",     // 25 name    standard errors of the responses, laid out like IMPULSE
    },
    9, 6, 0);
// clang-format on

} // namespace

const OptionTable& var_option_table() {
    return VAR_TABLE;
}

void set_var_defaults(Run& run) {
    OptionDefaults d = set_estimator_defaults(run, VAR_TABLE);
    d.on("ORTHOG");
    d.integer("NLAG", 1);
    d.integer("HORIZON", 10);
}

VarOptions read_var_options(const Run& run) {
    const OptionValues v(run.opt, VAR_TABLE);
    VarOptions o;
    read_estimator_options(v, o);
    o.TREND = v.on("TREND");
    o.IRF = v.on("IRF");
    o.FEVD = v.on("FEVD");
    o.ORTHOG = v.on("ORTHOG");
    o.GRANGER = v.on("GRANGER");
    o.NLAG = v.integer("NLAG");
    o.MAXLAG = v.integer("MAXLAG");
    o.HORIZON = v.integer("HORIZON");
    o.SEASONAL = v.integer("SEASONAL");
    o.RESCOV = v.name("RESCOV");
    o.IMPULSE = v.name("IMPULSE");
    o.DECOMP = v.name("DECOMP");
    o.IRFSE = v.name("IRFSE");
    return o;
}

} // namespace tarvex
