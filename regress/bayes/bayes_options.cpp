// The option table of BAYES and its defaults.
#include "regress/bayes/bayes_options.hpp"

#include "core/run.hpp"

namespace tarvex {

namespace {

// clang-format off
const OptionTable BAYES_TABLE = estimator_option_table(
    {
        //  #  keyword      effect
        "CONSTANT",  //  1 switch  intercept (on)
        "PCOV",      //  2 switch  print the posterior covariance matrix
        "PCOR",      //  3 switch  print the posterior correlation matrix
        "WIDE",      //  4 switch  130-column report (SET WIDE)
        "ANTITHET",  //  5 switch  try each draw and its mirror image about the estimates
        "BEG",       //  6 integer first observation
        "END",       //  7 integer last observation
        "NDRAW",     //  8 integer independent draws of the coefficients (10000)
        "SEED",      //  9 integer start of the draws (else the run's generator goes on)
        // 10-15: PREDICT X m, RESID y - X m, COEF m (posterior means), COVARIAN, STDERR
        // (posterior standard deviations), TRATIO (m / sd)
    },
    {},
    5, 4, 0);
// clang-format on

} // namespace

const OptionTable& bayes_option_table() {
    return BAYES_TABLE;
}

void set_bayes_defaults(Run& run) {
    OptionDefaults d = set_estimator_defaults(run, BAYES_TABLE);
    d.integer("NDRAW", 10000);
}

BayesOptions read_bayes_options(const Run& run) {
    const OptionValues v(run.opt, BAYES_TABLE);
    BayesOptions o;
    read_estimator_options(v, o);
    o.ANTITHET = v.on("ANTITHET");
    o.NDRAW = v.integer("NDRAW");
    o.SEED = v.integer("SEED");
    o.seed_given = v.given("SEED");
    return o;
}

} // namespace tarvex
