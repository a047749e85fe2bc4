// The option table of 2SLS and INSTRUME.
#include "regress/iv/iv_options.hpp"

#include "core/run.hpp"
#include "numeric/text.hpp"

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
        "HC1",       //  6 switch  HC1 covariance: White's times N/(N-K)
        "HC2",       //  7 switch  HC2 covariance: squared residuals over 1 - leverage
        "HC3",       //  8 switch  HC3 covariance: squared residuals over (1 - leverage)**2
        "CLHC0",     //  9 switch  CLUSTER without the small-sample correction
        "BEG",       // 10 integer first observation
        "END",       // 11 integer last observation
        "AUTCOV",    // 12 integer Newey-West lag order (implies HETCOV)
        "LAG",       // 13 integer METHOD=GMM: the Newey-West lag of the moment covariance
        "MAXIT",     // 14 integer STEPS=ITERATE: the most weighted steps (100)
        "CONVERGE",  // 15 real    STEPS=ITERATE: relative change of the coefficients (1E-20)
        // 16-21: PREDICT Xb, RESID y - Xb (the structural residuals), COEF COVARIAN STDERR TRATIO
    },
    {
        "TESTSTAT",  // 22 name    the tests: first-stage F, Wu-Hausman, Sargan, Hansen J
        "CLUSTER",   // 23 name    covariance clustered by this variable's codes
        "METHOD",    // 24 name    GMM: the generalised method of moments (blank: 2SLS)
        "WEIGHT",    // 25 name    METHOD=GMM: IDENTITY, WHITE (default) or HAC
        "STEPS",     // 26 name    METHOD=GMM: 1, 2 (default) or ITERATE
    },
    9, 5, 1);
// clang-format on

} // namespace

const OptionTable& iv_option_table() {
    return IV_TABLE;
}

void set_iv_defaults(Run& run) {
    OptionDefaults d = set_estimator_defaults(run, IV_TABLE);
    d.integer("MAXIT", 100);
    d.real("CONVERGE", 1e-20Q);
}

IvOptions read_iv_options(const Run& run) {
    const OptionValues v(run.opt, IV_TABLE);
    IvOptions o;
    read_estimator_options(v, o);
    o.AUTCOV = v.integer("AUTCOV");
    o.HETCOV = v.on("HETCOV") || o.AUTCOV != 0;
    o.HC1 = v.on("HC1"), o.HC2 = v.on("HC2"), o.HC3 = v.on("HC3"), o.CLHC0 = v.on("CLHC0");
    o.CLUSTER = v.name("CLUSTER");
    o.LAG = v.integer("LAG");
    o.LAG_given = v.given("LAG");
    o.WEIGHT = trim_trailing_blanks(v.name("WEIGHT"));
    o.STEPS = trim_trailing_blanks(v.name("STEPS"));
    return o;
}

} // namespace tarvex
