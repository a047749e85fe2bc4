// The option table of BOX and its defaults.
#include "regress/box/box_options.hpp"

#include "core/run.hpp"
#include "numeric/text.hpp"
#include "options/options.hpp"

namespace tarvex {

namespace {

// clang-format off
const OptionTable BOX_TABLE = {
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
        "PREDICT",   // 11 name    predictions on the scale of y
        "RESID",     // 12 name    y minus the prediction
        "COEF",      // 13 name    b, the lambdas and sigma**2
        "COVARIAN",  // 14 name    their covariance matrix
        "STDERR",    // 15 name    standard errors
        "TRATIO",    // 16 name    asymptotic t-ratios
        "TESTSTAT",  // 17 name    the log-likelihoods at lambda 1 and at lambda 0
    },
    6, 3, 1, 7};
// clang-format on

int at(std::string_view keyword) {
    return option_index(BOX_TABLE, keyword);
}

} // namespace

const OptionTable& box_option_table() {
    return BOX_TABLE;
}

void set_box_defaults(Run& run) {
    set_estimator_defaults(run, BOX_TABLE);
    run.opt.iv[at("MAXIT")] = 100;
    run.opt.rv[at("CONVERGE")] = 1e-28Q;
}

BoxOptions read_box_options(const Run& run) {
    const OptionValues v(run.opt, BOX_TABLE);
    BoxOptions o;
    o.CONSTANT = v.on("CONSTANT"), o.ALLBOX = v.on("ALLBOX"), o.XLAMBDA = v.on("XLAMBDA");
    o.PCOV = v.on("PCOV"), o.PCOR = v.on("PCOR"), o.WIDE = v.on("WIDE");
    o.BEG = v.integer("BEG"), o.END = v.integer("END"), o.MAXIT = v.integer("MAXIT");
    o.CONVERGE = v.real("CONVERGE");
    o.out = read_output_names(v);
    return o;
}

} // namespace tarvex
