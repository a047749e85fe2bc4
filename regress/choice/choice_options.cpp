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
    },
    7, 3, 3, 8};
// clang-format on

int at(std::string_view keyword) {
    return option_index(CHOICE_TABLE, keyword);
}

} // namespace

const OptionTable& choice_option_table() {
    return CHOICE_TABLE;
}

void set_choice_defaults(Run& run) {
    OptionSet& opt = run.opt;
    opt.prepare(CHOICE_TABLE);
    opt.sw[at("CONSTANT")] = true;
    opt.sw[at("WIDE")] = run.sw[OWIDE];
    opt.iv[at("BEG")] = run.smpl.IBEG;
    opt.iv[at("END")] = run.smpl.IEND;
    opt.iv[at("MAXIT")] = 100;
    opt.rv[at("CONVERGE")] = 1e-28Q;
    // A limit left at the missing-value code was not given.
    opt.rv[at("LOWER")] = run.ws.XMISS;
    opt.rv[at("UPPER")] = run.ws.XMISS;
    opt.name[at("METHOD")] = first_8_padded("NEWTON");
}

ChoiceOptions read_choice_options(const Run& run) {
    const OptionSet& opt = run.opt;
    ChoiceOptions o;
    auto s = [&](const char* k) { return bool(opt.sw[at(k)]); };
    auto n = [&](const char* k) { return opt.name[at(k)]; };
    o.CONSTANT = s("CONSTANT"), o.HETCOV = s("HETCOV"), o.ORDERED = s("ORDERED");
    o.PCOV = s("PCOV"), o.PCOR = s("PCOR"), o.WIDE = s("WIDE"), o.PITER = s("PITER");
    o.BEG = opt.iv[at("BEG")], o.END = opt.iv[at("END")], o.MAXIT = opt.iv[at("MAXIT")];
    o.CONVERGE = opt.rv[at("CONVERGE")];
    const Real lower = opt.rv[at("LOWER")], upper = opt.rv[at("UPPER")];
    const Real none = run.ws.XMISS;
    o.censored_below = !equal_values(lower, none) || equal_values(upper, none);
    o.censored_above = !equal_values(upper, none);
    o.LOWER = equal_values(lower, none) ? Real(0) : lower;
    o.UPPER = o.censored_above ? upper : Real(0);
    o.PREDICT = n("PREDICT"), o.RESID = n("RESID"), o.COEF = n("COEF");
    o.COVARIAN = n("COVARIAN"), o.STDERR = n("STDERR"), o.TRATIO = n("TRATIO");
    o.INDEX = n("INDEX");
    o.METHOD = trim_trailing_blanks(n("METHOD"));
    return o;
}

} // namespace tarvex
