// The option table of 2SLS and INSTRUME.
#include "regress/iv/iv_options.hpp"

#include "core/run.hpp"

namespace tarvex {

namespace {

// clang-format off
const OptionTable IV_TABLE = {
    {
        //  #  keyword      effect
        "CONSTANT",  //  1 switch  intercept among the regressors and the instruments (on)
        "HETCOV",    //  2 switch  heteroskedasticity-consistent covariance (White)
        "PCOV",      //  3 switch  print the coefficient covariance matrix
        "PCOR",      //  4 switch  print the coefficient correlation matrix
        "WIDE",      //  5 switch  130-column report (SET WIDE)
        "BEG",       //  6 integer first observation
        "END",       //  7 integer last observation
        "AUTCOV",    //  8 integer Newey-West lag order (implies HETCOV)
        "PREDICT",   //  9 name    Xb
        "RESID",     // 10 name    y - Xb, the structural residuals
        "COEF",      // 11 name    coefficients
        "COVARIAN",  // 12 name    coefficient covariance matrix
        "STDERR",    // 13 name    standard errors
        "TRATIO",    // 14 name    t-ratios
        "TESTSTAT",  // 15 name    the tests: first-stage F, Wu-Hausman, Sargan, Hansen J
    },
    5, 3, 0, 7};
// clang-format on

} // namespace

const OptionTable& iv_option_table() {
    return IV_TABLE;
}

IvOptions read_iv_options(const Run& run) {
    const OptionValues v(run.opt, IV_TABLE);
    IvOptions o;
    o.CONSTANT = v.on("CONSTANT"), o.HETCOV = v.on("HETCOV"), o.PCOV = v.on("PCOV");
    o.PCOR = v.on("PCOR"), o.WIDE = v.on("WIDE");
    o.BEG = v.integer("BEG"), o.END = v.integer("END"), o.AUTCOV = v.integer("AUTCOV");
    if (o.AUTCOV != 0) o.HETCOV = true;
    o.out = read_output_names(v);
    return o;
}

} // namespace tarvex
