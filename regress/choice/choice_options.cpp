// The option table of PROBIT, LOGIT and TOBIT and its defaults.
#include "regress/choice/choice_options.hpp"

#include "core/run.hpp"
#include "numeric/text.hpp"
#include "options/options.hpp"

namespace tarvex {

namespace {

// clang-format off
const OptionTable CHOICE_TABLE = {
    {
        //  #  keyword      effect
        "CONSTANT",  //  1 switch  intercept (on)
        "HETCOV",    //  2 switch  sandwich covariance
        "ORDERED",   //  3 switch  PROBIT, LOGIT: the ordered model
        "PCOV",      //  4 switch  print the coefficient covariance matrix
        "PCOR",      //  5 switch  print the coefficient correlation matrix
        "WIDE",      //  6 switch  130-column report (SET WIDE)
        "PITER",     //  7 switch  print every iteration
        "BEG",       //  8 integer first observation
        "END",       //  9 integer last observation
        "MAXIT",     // 10 integer iteration limit (100)
        "CONVERGE",  // 11 real    relative change of every parameter (1E-28)
        "LOWER",     // 12 real    TOBIT: censored from below at this value
        "UPPER",     // 13 real    TOBIT: censored from above at this value
        "PREDICT",   // 14 name    probabilities (TOBIT: the expected value of y)
        "RESID",     // 15 name    generalised residuals
        "COEF",      // 16 name    coefficients (TOBIT: then sigma)
        "COVARIAN",  // 17 name    their covariance matrix
        "STDERR",    // 18 name    standard errors
        "TRATIO",    // 19 name    asymptotic t-ratios
        "METHOD",    // 20 name    NEWTON, BHHH, BFGS or DFP
        "INDEX",     // 21 name    ORDERED: the index x'b
        "TESTSTAT",  // 22 name    the likelihood-ratio test and the other statistics
    },
    7, 3, 3, 9};
// clang-format on

} // namespace

const OptionTable& choice_option_table() {
    return CHOICE_TABLE;
}

void set_choice_defaults(Run& run) {
    set_estimator_defaults(run, CHOICE_TABLE);
    OptionSet& opt = run.opt;
    opt.iv[option_index(CHOICE_TABLE, "MAXIT")] = 100;
    opt.rv[option_index(CHOICE_TABLE, "CONVERGE")] = 1e-28Q;
    // A limit left at the missing-value code was not given.
    opt.rv[option_index(CHOICE_TABLE, "LOWER")] = run.ws.XMISS;
    opt.rv[option_index(CHOICE_TABLE, "UPPER")] = run.ws.XMISS;
    opt.name[option_index(CHOICE_TABLE, "METHOD")] = first_8_padded("NEWTON");
}

ChoiceOptions read_choice_options(const Run& run) {
    const OptionValues v(run.opt, CHOICE_TABLE);
    ChoiceOptions o;
    o.CONSTANT = v.on("CONSTANT"), o.HETCOV = v.on("HETCOV"), o.ORDERED = v.on("ORDERED");
    o.PCOV = v.on("PCOV"), o.PCOR = v.on("PCOR"), o.WIDE = v.on("WIDE"), o.PITER = v.on("PITER");
    o.BEG = v.integer("BEG"), o.END = v.integer("END"), o.MAXIT = v.integer("MAXIT");
    o.CONVERGE = v.real("CONVERGE");
    const Real lower = v.real("LOWER"), upper = v.real("UPPER"), none = run.ws.XMISS;
    o.censored_below = !equal_values(lower, none) || equal_values(upper, none);
    o.censored_above = !equal_values(upper, none);
    o.LOWER = equal_values(lower, none) ? Real(0) : lower;
    o.UPPER = o.censored_above ? upper : Real(0);
    o.INDEX = v.name("INDEX");
    o.METHOD = trim_trailing_blanks(v.name("METHOD"));
    o.out = read_output_names(v);
    return o;
}

} // namespace tarvex
