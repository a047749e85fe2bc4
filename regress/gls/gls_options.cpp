// The option table of GLS.
#include "regress/gls/gls_options.hpp"

#include "core/run.hpp"

namespace tarvex {

namespace {

// clang-format off
const OptionTable GLS_TABLE = estimator_option_table(
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
        // 9-14: PREDICT the fitted values x'b, RESID y - x'b, COEF COVARIAN STDERR TRATIO
    },
    {}, 4, 2, 0);
// clang-format on

} // namespace

const OptionTable& gls_option_table() {
    return GLS_TABLE;
}

GlsOptions read_gls_options(const Run& run) {
    const OptionValues v(run.opt, GLS_TABLE);
    GlsOptions o;
    read_estimator_options(v, o);
    o.OMEGA = v.name("OMEGA"), o.VARIANCE = v.name("VARIANCE");
    return o;
}

} // namespace tarvex
