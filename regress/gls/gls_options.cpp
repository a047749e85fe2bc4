// The option table of GLS.
#include "regress/gls/gls_options.hpp"

#include "core/run.hpp"

namespace tarvex {

namespace {

// clang-format off
const OptionTable GLS_TABLE = {
    {
        //  #  keyword      effect
        "CONSTANT",  //  1 switch  intercept (on)
        "PCOV",      //  2 switch  print the coefficient covariance matrix
        "PCOR",      //  3 switch  print the coefficient correlation matrix
        "WIDE",      //  4 switch  130-column report (SET WIDE)
        "BEG",       //  5 integer first observation
        "END",       //  6 integer last observation
        "OMEGA",     //  7 name    N x N error covariance matrix (up to a factor)
        "VARIANCE",  //  8 name    error variance of each observation (up to a factor)
        "PREDICT",   //  9 name    fitted values x'b
        "RESID",     // 10 name    residuals y - x'b
        "COEF",      // 11 name    coefficients
        "COVARIAN",  // 12 name    coefficient covariance matrix
        "STDERR",    // 13 name    standard errors
        "TRATIO",    // 14 name    t-ratios
    },
    4, 2, 0, 8};
// clang-format on

} // namespace

const OptionTable& gls_option_table() {
    return GLS_TABLE;
}

GlsOptions read_gls_options(const Run& run) {
    const OptionValues v(run.opt, GLS_TABLE);
    GlsOptions o;
    o.CONSTANT = v.on("CONSTANT"), o.PCOV = v.on("PCOV"), o.PCOR = v.on("PCOR");
    o.WIDE = v.on("WIDE");
    o.BEG = v.integer("BEG"), o.END = v.integer("END");
    o.OMEGA = v.name("OMEGA"), o.VARIANCE = v.name("VARIANCE");
    o.out = read_output_names(v);
    return o;
}

} // namespace tarvex
