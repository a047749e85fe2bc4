// The option table of BOX and its defaults.
#include "regress/box/box_options.hpp"

#include "core/run.hpp"

namespace tarvex {

namespace {

// clang-format off
const OptionTable BOX_TABLE = estimator_option_table(
    {
        //  #  keyword      effect
        "CONSTANT",  //  1 switch  intercept (on)
        "ALLBOX",    //  2 switch  the regressors take the lambda of y
        "XLAMBDA",   //  3 switch  the regressors take a second lambda
        "PCOV",      //  4 switch  print the coefficient covariance matrix
        "PCOR",      //  5 switch  print the coefficient correlation matrix
        "WIDE",      //  6 switch  130-column report (SET WIDE)
        "BEG",       //  7 integer first observation
        "END",       //  8 integer last observation
        "MAXIT",     //  9 integer iteration limit (100)
        "CONVERGE",  // 10 real    relative change of every parameter (1E-28)
        // 11-16: PREDICT the predictions on the scale of y, RESID y minus them, COEF b, the
        // lambdas and sigma**2, COVARIAN STDERR TRATIO (asymptotic) of those
    },
    {
        "TESTSTAT",  // 17 name    the log-likelihoods at lambda 1 and at lambda 0
    },
    6, 3, 1);
// clang-format on

} // namespace

const OptionTable& box_option_table() {
    return BOX_TABLE;
}

void set_box_defaults(Run& run) {
    OptionDefaults d = set_estimator_defaults(run, BOX_TABLE);
    d.integer("MAXIT", 100);
    d.real("CONVERGE", 1e-28Q);
}

BoxOptions read_box_options(const Run& run) {
    const OptionValues v(run.opt, BOX_TABLE);
    BoxOptions o;
    read_estimator_options(v, o);
    o.ALLBOX = v.on("ALLBOX"), o.XLAMBDA = v.on("XLAMBDA");
    return o;
}

} // namespace tarvex
