// The option table of FLS and its defaults.
#include "regress/fls/fls_options.hpp"

#include "core/run.hpp"

namespace tarvex {

namespace {

// clang-format off
const OptionTable FLS_TABLE = {
    {
        //  #  keyword      effect
        "CONSTANT",  //  1 switch  a time-varying intercept (on)
        "PATH",      //  2 switch  print the coefficients at every observation
        "BEG",       //  3 integer first observation
        "END",       //  4 integer last observation
        "MU",        //  5 real    weight of the dynamic cost (1)
        "FRONTIER",  //  6 name    a vector of weights: the costs at each
        "PREDICT",   //  7 name    x_t' b_t
        "RESID",     //  8 name    y_t - x_t' b_t
        "COEF",      //  9 name    the path, T x K (row t the coefficients at t)
    },
    2, 2, 1, 4};
// clang-format on

} // namespace

const OptionTable& fls_option_table() {
    return FLS_TABLE;
}

void set_fls_defaults(Run& run) {
    OptionDefaults d = set_estimator_defaults(run, FLS_TABLE);
    d.real("MU", 1);
}

FlsOptions read_fls_options(const Run& run) {
    const OptionValues v(run.opt, FLS_TABLE);
    FlsOptions o;
    o.CONSTANT = v.on("CONSTANT"), o.PATH = v.on("PATH");
    o.BEG = v.integer("BEG"), o.END = v.integer("END");
    o.MU = v.real("MU");
    o.FRONTIER = v.name("FRONTIER");
    o.PREDICT = v.name("PREDICT"), o.RESID = v.name("RESID"), o.COEF = v.name("COEF");
    return o;
}

} // namespace tarvex
