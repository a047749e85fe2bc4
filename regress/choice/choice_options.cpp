// The option table of PROBIT, LOGIT and TOBIT and its defaults.
#include "regress/choice/choice_options.hpp"

#include "core/run.hpp"

namespace tarvex {

namespace {

// clang-format off
const OptionTable CHOICE_TABLE = estimator_option_table(
    {
        //  #  keyword      effect
        "CONSTANT",  //  1 switch  intercept (on)
        "HETCOV",    //  2 switch  sandwich covariance
        "ORDERED",   //  3 switch  PROBIT, LOGIT: the ordered model
        "PCOV",      //  4 switch  print the coefficient covariance matrix
        "PCOR",      //  5 switch  print the coefficient correlation matrix
        "WIDE",      //  6 switch  130-column report (SET WIDE)
        "PITER",     //  7 switch  print every iteration
        "CLHC0",     //  8 switch  CLUSTER without the small-sample correction
        "BEG",       //  9 integer first observation
        "END",       // 10 integer last observation
        "MAXIT",     // 11 integer iteration limit (100)
        "CONVERGE",  // 12 real    relative change of every parameter (1E-28)
        "LOWER",     // 13 real    TOBIT: censored from below at this value
        "UPPER",     // 14 real    TOBIT: censored from above at this value
        // 15-20: PREDICT the probabilities (TOBIT: the expected value of y), RESID the generalised
        // residuals, COEF the coefficients (TOBIT: then sigma), COVARIAN STDERR TRATIO (asymptotic)
    },
    {
        "METHOD",    // 21 name    NEWTON, BHHH, BFGS or DFP
        "INDEX",     // 22 name    ORDERED: the index x'b
        "TESTSTAT",  // 23 name    the likelihood-ratio test and the other statistics
        "WEIGHT",    // 24 name    frequency weights (each row counts this many times)
        "MARGEFF",   // 25 name    PROBIT, LOGIT, TOBIT: the marginal effects at the means
        "MARGSE",    // 26 name    their standard errors
        "PROBS",     // 27 name    ORDERED, multinomial: N x categories fitted probabilities
        "CLUSTER",   // 28 name    PROBIT, LOGIT, TOBIT: covariance clustered by this variable's codes
    },
    8, 3, 3);
// clang-format on

} // namespace

const OptionTable& choice_option_table() {
    return CHOICE_TABLE;
}

void set_choice_defaults(Run& run) {
    OptionDefaults d = set_estimator_defaults(run, CHOICE_TABLE);
    d.integer("MAXIT", 100);
    d.real("CONVERGE", 1e-28Q);
    // The limits show as the missing-value code until typed; whether one was typed decides.
    d.real("LOWER", run.ws.XMISS);
    d.real("UPPER", run.ws.XMISS);
    d.name("METHOD", "NEWTON");
}

ChoiceOptions read_choice_options(const Run& run) {
    const OptionValues v(run.opt, CHOICE_TABLE);
    ChoiceOptions o;
    read_estimator_options(v, o);
    o.HETCOV = v.on("HETCOV"), o.ORDERED = v.on("ORDERED");
    // A limit is what the user typed, any value (the missing-value code too); without either,
    // censoring from below at 0.
    const bool lower_given = v.real_given("LOWER"), upper_given = v.real_given("UPPER");
    TobitCensoring& c = o.censoring;
    c.below = lower_given || !upper_given;
    c.above = upper_given;
    c.lower = lower_given ? v.real("LOWER") : Real(0);
    c.upper = upper_given ? v.real("UPPER") : Real(0);
    o.INDEX = v.name("INDEX");
    o.WEIGHT = v.name("WEIGHT");
    o.MARGEFF = v.name("MARGEFF"), o.MARGSE = v.name("MARGSE"), o.PROBS = v.name("PROBS");
    o.CLHC0 = v.on("CLHC0"), o.CLUSTER = v.name("CLUSTER");
    return o;
}

} // namespace tarvex
