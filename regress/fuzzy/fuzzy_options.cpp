// The option table of FUZZY and its defaults.
#include "regress/fuzzy/fuzzy_options.hpp"

#include "core/run.hpp"
#include "regress/fit/estimator_front.hpp"

namespace tarvex {

namespace {

// clang-format off
const OptionTable FUZZY_TABLE = {
    {
        //  #  keyword      effect
        "CONSTANT",  //  1 switch  a fuzzy intercept (on)
        "PRINT",     //  2 switch  print each observation's band
        "BEG",       //  3 integer first observation
        "END",       //  4 integer last observation
        "H",         //  5 real    level of the band, 0 <= H < 1 (0)
        "PREDICT",   //  6 name    the centre fit a'x
        "RESID",     //  7 name    y - a'x
        "COEF",      //  8 name    the centres a
        "SPREAD",    //  9 name    the spreads c
        "LOWER",     // 10 name    a'x - (1-H) c'|x|
        "UPPER",     // 11 name    a'x + (1-H) c'|x|
    },
    2, 2, 1, 6};
// clang-format on

} // namespace

const OptionTable& fuzzy_option_table() {
    return FUZZY_TABLE;
}

void set_fuzzy_defaults(Run& run) {
    OptionDefaults d = set_estimator_defaults(run, FUZZY_TABLE);
    d.real("H", 0);
}

FuzzyOptions read_fuzzy_options(const Run& run) {
    const OptionValues v(run.opt, FUZZY_TABLE);
    FuzzyOptions o;
    o.CONSTANT = v.on("CONSTANT"), o.PRINT = v.on("PRINT");
    o.BEG = v.integer("BEG"), o.END = v.integer("END");
    o.H = v.real("H");
    o.PREDICT = v.name("PREDICT"), o.RESID = v.name("RESID"), o.COEF = v.name("COEF");
    o.SPREAD = v.name("SPREAD"), o.LOWER = v.name("LOWER"), o.UPPER = v.name("UPPER");
    return o;
}

} // namespace tarvex
