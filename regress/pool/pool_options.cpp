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
        "BEG",       //  9 integer first observation
        "END",       // 10 integer last observation
        "NCROSS",    // 11 integer cross-sections of equal length stacked in BEG..END
        "IDVAR",     // 12 name    cross-section identifier variable
        "EFFECTS",   // 13 name    the fixed effects, one per cross-section
        // 14-19: PREDICT the fitted values, RESID the residuals, COEF COVARIAN STDERR TRATIO
    },
    {
        "TESTSTAT",  // 20 name    the F test of equal fixed effects or the Hausman test
    },
    8, 3, 0);
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
    o.PEFFECTS = v.on("PEFFECTS");
    o.NCROSS = v.integer("NCROSS");
    o.IDVAR = v.name("IDVAR"), o.EFFECTS = v.name("EFFECTS");
    return o;
}

} // namespace tarvex
