// The option table of POOL and its defaults.
#include "regress/pool/pool_options.hpp"

#include "core/run.hpp"

namespace tarvex {

namespace {

// clang-format off
const OptionTable POOL_TABLE = estimator_option_table(
    {
        //  #  keyword      effect
        "FIXED",     //  1 switch  fixed effects: the within estimator
        "RANDOM",    //  2 switch  random effects (Swamy-Arora) and the Hausman test
        "CLUSTER",   //  3 switch  covariance clustered by cross-section
        "HC1",       //  4 switch  the clustered covariance times N/(N-K) (sets CLUSTER)
        "PCOV",      //  5 switch  print the coefficient covariance matrix
        "PCOR",      //  6 switch  print the coefficient correlation matrix
        "WIDE",      //  7 switch  130-column report (SET WIDE)
        "PEFFECTS",  //  8 switch  list the fixed effects
        "PERIOD",    //  9 switch  period effects; with FIXED both (the two-way model)
        "BEG",       // 10 integer first observation
        "END",       // 11 integer last observation
        "NCROSS",    // 12 integer cross-sections of equal length stacked in BEG..END
        "IDVAR",     // 13 name    cross-section identifier variable
        "EFFECTS",   // 14 name    the fixed effects (cross-sections, then periods)
        // 15-20: PREDICT the fitted values, RESID the residuals, COEF COVARIAN STDERR TRATIO
    },
    {
        "TESTSTAT",  // 21 name    the F test of equal fixed effects or the Hausman test
        "VARCOMP",   // 22 name    RANDOM: the variance components and theta, 3 by 3
        "TIMEVAR",   // 23 name    the period variable (PERIOD)
    },
    9, 3, 0);
// clang-format on

} // namespace

const OptionTable& pool_option_table() {
    return POOL_TABLE;
}

PoolOptions read_pool_options(const Run& run) {
    const OptionValues v(run.opt, POOL_TABLE);
    PoolOptions o;
    read_estimator_options(v, o);
    o.FIXED = v.on("FIXED"), o.RANDOM = v.on("RANDOM"), o.HC1 = v.on("HC1");
    o.CLUSTER = v.on("CLUSTER") || o.HC1;
    o.PEFFECTS = v.on("PEFFECTS"), o.PERIOD = v.on("PERIOD");
    o.NCROSS = v.integer("NCROSS");
    o.IDVAR = v.name("IDVAR"), o.EFFECTS = v.name("EFFECTS");
    o.VARCOMP = v.name("VARCOMP"), o.TIMEVAR = v.name("TIMEVAR");
    return o;
}

} // namespace tarvex
