// The option table of HETERO and its defaults.
#include "regress/hetero/hetero_options.hpp"

#include "core/run.hpp"
#include "numeric/text.hpp"
#include "options/options.hpp"

namespace tarvex {

namespace {

// clang-format off
const OptionTable HETERO_TABLE = {
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
        "PREDICT",   // 11 name    x'b
        "RESID",     // 12 name    y - x'b
        "COEF",      // 13 name    coefficients, mean then variance equation
        "COVARIAN",  // 14 name    coefficient covariance matrix
        "STDERR",    // 15 name    standard errors
        "TRATIO",    // 16 name    asymptotic t-ratios
        "VARPRED",   // 17 name    the fitted variance exp(z'g)
        "METHOD",    // 18 name    NEWTON, BHHH, BFGS or DFP
        "TESTSTAT",  // 19 name    the likelihood-ratio test of constant variance
    },
    6, 3, 1, 9};
// clang-format on

int at(std::string_view keyword) {
    return option_index(HETERO_TABLE, keyword);
}

} // namespace

const OptionTable& hetero_option_table() {
    return HETERO_TABLE;
}

void set_hetero_defaults(Run& run) {
    set_estimator_defaults(run, HETERO_TABLE);
    OptionSet& opt = run.opt;
    opt.iv[at("MAXIT")] = 100;
    opt.rv[at("CONVERGE")] = 1e-28Q;
    opt.name[at("METHOD")] = first_8_padded("NEWTON");
}

HeteroOptions read_hetero_options(const Run& run) {
    const OptionValues v(run.opt, HETERO_TABLE);
    HeteroOptions o;
    o.CONSTANT = v.on("CONSTANT"), o.HETCOV = v.on("HETCOV"), o.PCOV = v.on("PCOV");
    o.PCOR = v.on("PCOR"), o.WIDE = v.on("WIDE"), o.PITER = v.on("PITER");
    o.BEG = v.integer("BEG"), o.END = v.integer("END"), o.MAXIT = v.integer("MAXIT");
    o.CONVERGE = v.real("CONVERGE");
    o.out = read_output_names(v);
    o.VARPRED = v.name("VARPRED");
    o.METHOD = trim_trailing_blanks(v.name("METHOD"));
    return o;
}

} // namespace tarvex
