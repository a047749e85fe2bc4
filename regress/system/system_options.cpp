// The option table of SYSTEM and its defaults.
#include "regress/system/system_options.hpp"

#include "core/run.hpp"
#include "numeric/text.hpp"

namespace tarvex {

namespace {

// clang-format off
const OptionTable SYSTEM_TABLE = {
    {
        //  #  keyword      effect
        "CONSTANT",  //  1 switch  an intercept in every equation and among the instruments (on)
        "PCOV",      //  2 switch  print the coefficient covariance matrix
        "PCOR",      //  3 switch  print the coefficient correlation matrix
        "WIDE",      //  4 switch  130-column report (SET WIDE)
        "BEG",       //  5 integer first observation
        "END",       //  6 integer last observation
        "MAXIT",     //  7 integer ITSUR iteration limit (100)
        "CONVERGE",  //  8 real    ITSUR: relative change of the coefficients (1E-20)
        "METHOD",    //  9 name    SUR (default), ITSUR or 3SLS
        "PREDICT",   // 10 name    fitted values, one variable per equation (name1, name2 ...)
        "RESID",     // 11 name    residuals, one variable per equation
        "COEF",      // 12 name    coefficients, equation after equation
        "COVARIAN",  // 13 name    coefficient covariance matrix
        "STDERR",    // 14 name    standard errors
        "TRATIO",    // 15 name    t-ratios
    },
    4, 3, 1, 7};
// clang-format on

} // namespace

const OptionTable& system_option_table() {
    return SYSTEM_TABLE;
}

void set_system_defaults(Run& run) {
    OptionDefaults d = set_estimator_defaults(run, SYSTEM_TABLE);
    d.integer("MAXIT", 100);
    d.real("CONVERGE", 1e-20Q);
    d.name("METHOD", "SUR");
}

SystemOptions read_system_options(const Run& run) {
    const OptionValues v(run.opt, SYSTEM_TABLE);
    SystemOptions o;
    o.CONSTANT = v.on("CONSTANT"), o.PCOV = v.on("PCOV"), o.PCOR = v.on("PCOR");
    o.WIDE = v.on("WIDE");
    o.BEG = v.integer("BEG"), o.END = v.integer("END"), o.MAXIT = v.integer("MAXIT");
    o.CONVERGE = v.real("CONVERGE");
    o.METHOD = trim_trailing_blanks(v.name("METHOD"));
    o.out = read_output_names(v);
    return o;
}

} // namespace tarvex
