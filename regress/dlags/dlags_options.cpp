// The DLAGS option table, its defaults and the options read from it.
#include "regress/dlags/dlags_options.hpp"

#include "core/run.hpp"
#include "options/option_access.hpp"
#include "regress/fit/estimator_front.hpp"
#include "regress/fit/ols_options.hpp"

namespace tarvex {

namespace {

// clang-format off
const OptionTable DLAGS_TABLE = {
    {
        //  #  keyword      effect
        "MAX",       //  1 switch  extra output (SET MAX)
        "CONSTANT",  //  2 switch  an intercept (on)
        "LIST",      //  3 switch  list observed, predicted, residual
        "RSTAT",     //  4 switch  residual statistics
        "PCOV",      //  5 switch  print the coefficient covariance matrix
        "NEAR",      //  6 switch  the weight of lag -1 is zero
        "FAR",       //  7 switch  the weight of lag LAGS+1 is zero
        "BOTH",      //  8 switch  both
        "ANOVA",     //  9 switch  analysis of variance, selection criteria (SET BATCH)
        "GF",        // 10 switch  goodness-of-fit test of the residuals (SET BATCH)
        "BEG",       // 11 integer first observation
        "END",       // 12 integer last observation
        "LAGS",      // 13 integer the longest lag
        "ORDER",     // 14 integer degree of the lag polynomial (2)
        "PREDICT",   // 15 name    predicted values
        "RESID",     // 16 name    residuals
        "COEFFICE",  // 17 name    coefficients
        "COVARIAN",  // 18 name    coefficient covariance matrix
        "TRATIO",    // 19 name    t-ratios
        "STDERR",    // 20 name    standard errors
        "********",
    },
    10, 4, 0, 6};
// clang-format on

} // namespace

const OptionTable& dlags_option_table() {
    return DLAGS_TABLE;
}

void set_dlags_defaults(Run& run) {
    OptionDefaults d = set_estimator_defaults(run, DLAGS_TABLE); // CONSTANT, WIDE, BEG, END
    d.on("MAX", run.sw[OMXX]);
    d.on("ANOVA", run.sw[OBAT]);
    d.on("GF", run.sw[OBAT]);
    d.integer("ORDER", 2);
}

DlagsShape read_dlags_shape(const Run& run) {
    const OptionValues v(run.opt, DLAGS_TABLE);
    DlagsShape s;
    s.lags = v.integer("LAGS");
    s.order = v.integer("ORDER");
    s.end_switches = int(v.on("NEAR")) + int(v.on("FAR")) + int(v.on("BOTH"));
    s.endcon = v.on("BOTH") ? 3 : v.on("FAR") ? 2 : v.on("NEAR") ? 1 : 0;
    return s;
}

void apply_dlags_options(const Run& run, OlsOptions& o) {
    const OptionValues v(run.opt, DLAGS_TABLE);
    o.MAX = v.on("MAX"), o.CONSTANT = v.on("CONSTANT"), o.LIST = v.on("LIST");
    o.RSTAT = v.on("RSTAT"), o.PCOV = v.on("PCOV"), o.ANOVA = v.on("ANOVA"), o.GF = v.on("GF");
    o.BEG = v.integer("BEG"), o.END = v.integer("END");
    o.PREDICT = v.name("PREDICT"), o.RESID = v.name("RESID"), o.COEFFICE = v.name("COEFFICE");
    o.COVARIAN = v.name("COVARIAN"), o.TRATIO = v.name("TRATIO"), o.STDERR = v.name("STDERR");
    o.DLAG = true;
}

} // namespace tarvex
