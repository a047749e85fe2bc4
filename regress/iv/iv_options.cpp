// The option table of 2SLS and INSTRUME.
#include "regress/iv/iv_options.hpp"

#include "core/run.hpp"

namespace tarvex {

namespace {

// clang-format off
const OptionTable IV_TABLE = estimator_option_table(
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
        // 9-14: PREDICT Xb, RESID y - Xb (the structural residuals), COEF COVARIAN STDERR TRATIO
    },
    {
        "TESTSTAT",  // 15 name    the tests: first-stage F, Wu-Hausman, Sargan, Hansen J
    },
    5, 3, 0);
// clang-format on

} // namespace

const OptionTable& iv_option_table() {
    return IV_TABLE;
}

IvOptions read_iv_options(const Run& run) {
    const OptionValues v(run.opt, IV_TABLE);
    IvOptions o;
    read_estimator_options(v, o);
    o.AUTCOV = v.integer("AUTCOV");
    o.HETCOV = v.on("HETCOV") || o.AUTCOV != 0;
    return o;
}

} // namespace tarvex
