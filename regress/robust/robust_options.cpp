// The option table of ROBUST and its own defaults.
#include "regress/robust/robust_options.hpp"

#include "core/run.hpp"
#include "numeric/text.hpp"

namespace tarvex {

namespace {

// clang-format off
const OptionTable ROBUST_TABLE = estimator_option_table(
    {
        //  #  keyword      effect
        "CONSTANT",  //  1 switch  intercept (on)
        "PCOV",      //  2 switch  print the coefficient covariance matrix
        "PCOR",      //  3 switch  print the coefficient correlation matrix
        "WIDE",      //  4 switch  130-column report (SET WIDE)
        "BEG",       //  5 integer first observation
        "END",       //  6 integer last observation
        "MAXIT",     //  7 integer reweighting limit of HUBER and BISQUARE (100); simplex steps of QUANTILE
        "REPS",      //  8 integer bootstrap samples of VARIANCE=BOOT (200)
        "SEED",      //  9 integer seed of the bootstrap samples (1)
        "TAU",       // 10 real    the quantile, strictly between 0 and 1 (0.5)
        "CONVERGE",  // 11 real    relative change of the residuals that ends the reweighting (1E-20)
        "TUNING",    // 12 real    the M-estimator's constant (1.345 HUBER, 4.685 BISQUARE)
        // 13-18: PREDICT RESID COEF COVARIAN STDERR TRATIO
    },
    {
        "METHOD",    // 19 name    QUANTILE, HUBER or BISQUARE
        "VARIANCE",  // 20 name    covariance of a quantile fit: IID, KERNEL or BOOT
    },
    4, 5, 3);
// clang-format on

} // namespace

const OptionTable& robust_option_table() {
    return ROBUST_TABLE;
}

void set_robust_defaults(Run& run) {
    OptionDefaults d = set_estimator_defaults(run, ROBUST_TABLE);
    d.integer("MAXIT", 100);
    d.integer("REPS", 200);
    d.integer("SEED", 1);
    d.real("TAU", 0.5Q);
    d.real("CONVERGE", 1e-20Q);
    d.real("TUNING", 0);
    d.name("METHOD", "QUANTILE");
    d.name("VARIANCE", "IID");
}

RobustOptions read_robust_options(const Run& run) {
    const OptionValues v(run.opt, ROBUST_TABLE);
    RobustOptions o;
    read_estimator_options(v, o);
    o.MAXIT_GIVEN = v.given("MAXIT");
    o.REPS = v.integer("REPS");
    o.SEED = v.integer("SEED");
    o.TAU = v.real("TAU");
    o.TUNING = v.real("TUNING");
    o.VARIANCE = trim_trailing_blanks(v.name("VARIANCE"));
    return o;
}

} // namespace tarvex
