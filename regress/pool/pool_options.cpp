// The option table of POOL and its defaults.
#include "regress/pool/pool_options.hpp"

#include "core/run.hpp"
#include "options/options.hpp"

namespace tarvex {

namespace {

// clang-format off
const OptionTable POOL_TABLE = {
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
        "PREDICT",   // 14 name    fitted values
        "RESID",     // 15 name    residuals
        "COEF",      // 16 name    coefficients
        "COVARIAN",  // 17 name    coefficient covariance matrix
        "STDERR",    // 18 name    standard errors
        "TRATIO",    // 19 name    t-ratios
    },
    8, 3, 0, 8};
// clang-format on

int at(std::string_view keyword) {
    return option_index(POOL_TABLE, keyword);
}

} // namespace

const OptionTable& pool_option_table() {
    return POOL_TABLE;
}

void set_pool_defaults(Run& run) {
    OptionSet& opt = run.opt;
    opt.prepare(POOL_TABLE);
    opt.sw[at("WIDE")] = run.sw[OWIDE];
    opt.iv[at("BEG")] = run.smpl.IBEG;
    opt.iv[at("END")] = run.smpl.IEND;
}

PoolOptions read_pool_options(const Run& run) {
    const OptionSet& opt = run.opt;
    PoolOptions o;
    auto s = [&](const char* k) { return bool(opt.sw[at(k)]); };
    auto n = [&](const char* k) { return opt.name[at(k)]; };
    o.FIXED = s("FIXED"), o.RANDOM = s("RANDOM"), o.HC1 = s("HC1");
    o.CLUSTER = s("CLUSTER") || o.HC1;
    o.PCOV = s("PCOV"), o.PCOR = s("PCOR"), o.WIDE = s("WIDE"), o.PEFFECTS = s("PEFFECTS");
    o.BEG = opt.iv[at("BEG")], o.END = opt.iv[at("END")], o.NCROSS = opt.iv[at("NCROSS")];
    o.IDVAR = n("IDVAR"), o.EFFECTS = n("EFFECTS");
    o.PREDICT = n("PREDICT"), o.RESID = n("RESID"), o.COEF = n("COEF");
    o.COVARIAN = n("COVARIAN"), o.STDERR = n("STDERR"), o.TRATIO = n("TRATIO");
    return o;
}

} // namespace tarvex
