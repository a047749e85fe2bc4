// The option table of HETERO and its defaults.
#include "regress/hetero/hetero_options.hpp"

#include "core/run.hpp"

namespace tarvex {

namespace {

// clang-format off
const OptionTable HETERO_TABLE = estimator_option_table(
    {
        //  #  keyword      effect
        "CONSTANT",  //  1 switch  intercept in the mean equation (on)
        "HETCOV",    //  2 switch  sandwich covariance
        "PCOV",      //  3 switch  print the coefficient covariance matrix
        "PCOR",      //  4 switch  print the coefficient correlation matrix
        "WIDE",      //  5 switch  130-column report (SET WIDE)
        "PITER",     //  6 switch  print every iteration
        "BEG",       //  7 integer first observation
        "END",       //  8 integer last observation
        "MAXIT",     //  9 integer iteration limit (100)
        "CONVERGE",  // 10 real    relative change of every parameter (1E-28)
        // 11-16: PREDICT x'b, RESID y - x'b, COEF the coefficients (mean then variance
        // equation), COVARIAN STDERR TRATIO (asymptotic) of those
    },
    {
        "VARPRED",   // 17 name    the fitted variance exp(z'g)
        "METHOD",    // 18 name    NEWTON, BHHH, BFGS or DFP
        "TESTSTAT",  // 19 name    the likelihood-ratio test of constant variance
    },
    6, 3, 1);
// clang-format on

} // namespace

const OptionTable& hetero_option_table() {
    return HETERO_TABLE;
}

void set_hetero_defaults(Run& run) {
    OptionDefaults d = set_estimator_defaults(run, HETERO_TABLE);
    d.integer("MAXIT", 100);
    d.real("CONVERGE", 1e-28Q);
    d.name("METHOD", "NEWTON");
}

HeteroOptions read_hetero_options(const Run& run) {
    const OptionValues v(run.opt, HETERO_TABLE);
    HeteroOptions o;
    read_estimator_options(v, o);
    o.HETCOV = v.on("HETCOV");
    o.VARPRED = v.name("VARPRED");
    return o;
}

} // namespace tarvex
