// The option table of NLINEAR and MLE and its defaults.
#include "regress/nonlin/nonlin_options.hpp"

#include "core/run.hpp"
#include "numeric/text.hpp"

namespace tarvex {

namespace {

// clang-format off
const OptionTable NONLIN_TABLE = estimator_option_table(
    {
        //  #  keyword      effect
        "PITER",     //  1 switch  print every iteration
        "HETCOV",    //  2 switch  sandwich covariance
        "PCOV",      //  3 switch  print the coefficient covariance matrix
        "PCOR",      //  4 switch  print the coefficient correlation matrix
        "WIDE",      //  5 switch  130-column report (SET WIDE)
        "BEG",       //  6 integer first observation
        "END",       //  7 integer last observation
        "MAXIT",     //  8 integer iteration limit (100)
        "SEED",      //  9 integer ANNEAL: the seed of its moves (1)
        "ANNEALN",   // 10 integer ANNEAL: the evaluations it spends (10000)
        "LAG",       // 11 integer METHOD=GMM: the Newey-West lag of the moment covariance
        "CONVERGE",  // 12 real    relative change of every parameter (1E-28)
        "OBJCONV",   // 13 real    MLE: relative change of the log-likelihood (1E-30)
        "ANNEALT",   // 14 real    ANNEAL: the first temperature (0: from the start)
        // 15-20: PREDICT RESID (NLINEAR), COEF COVARIAN STDERR TRATIO
    },
    {
        "METHOD",    // 21 name    NEWTON, BHHH, BFGS, DFP, GRADX, GQOPT, GQDFP, ANNEAL or GMM
        "COVTYPE",   // 22 name    MLE: HESSIAN, OPG or SANDWICH
        "WEIGHT",    // 23 name    METHOD=GMM: IDENTITY, WHITE (default) or HAC
        "STEPS",     // 24 name    METHOD=GMM: 1, 2 (default) or ITERATE
        "TESTSTAT",  // 25 name    METHOD=GMM: Hansen's J test
    },
    5, 6, 3);
// clang-format on

} // namespace

const OptionTable& nonlin_option_table() {
    return NONLIN_TABLE;
}

void set_nonlin_defaults(Run& run) {
    OptionDefaults d = set_estimator_defaults(run, NONLIN_TABLE);
    d.integer("MAXIT", 100);
    d.integer("SEED", 1);
    d.integer("ANNEALN", 10000);
    d.real("CONVERGE", 1e-28Q);
    d.real("OBJCONV", 1e-30Q);
    d.name("METHOD", "NEWTON");
    d.name("COVTYPE", "HESSIAN");
}

NonlinOptions read_nonlin_options(const Run& run) {
    const OptionValues v(run.opt, NONLIN_TABLE);
    NonlinOptions o;
    read_estimator_options(v, o);
    o.HETCOV = v.on("HETCOV");
    o.OBJCONV = v.real("OBJCONV");
    o.COVTYPE = trim_trailing_blanks(v.name("COVTYPE"));
    o.SEED = v.integer("SEED");
    o.ANNEALN = v.integer("ANNEALN");
    o.ANNEALT = v.real("ANNEALT");
    o.LAG = v.integer("LAG");
    o.LAG_given = v.given("LAG");
    o.WEIGHT = trim_trailing_blanks(v.name("WEIGHT"));
    o.STEPS = trim_trailing_blanks(v.name("STEPS"));
    return o;
}

} // namespace tarvex
