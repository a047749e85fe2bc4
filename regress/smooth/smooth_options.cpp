// The option table of SMOOTH and its own defaults.
#include "regress/smooth/smooth_options.hpp"

#include "core/run.hpp"

namespace tarvex {

namespace {

// clang-format off
const OptionTable SMOOTH_TABLE = {
    {
        //  #  keyword      effect
        "SEASON",    //  1 integer s, the seasonal period (ADDITIVE, MULTIPLI)
        "HORIZON",   //  2 integer forecasts 1..HORIZON steps after the last observation
        "BEG",       //  3 integer first observation
        "END",       //  4 integer last observation
        "MAXIT",     //  5 integer iteration limit of the parameter search (100)
        "ALPHA",     //  6 real    smoothing of the level (estimated when not given)
        "BETA",      //  7 real    smoothing of the trend
        "GAMMA",     //  8 real    smoothing of the seasons
        "LAMBDA",    //  9 real    HP: weight of the trend's second differences (1600)
        "METHOD",    // 10 name    SIMPLE, HOLT, ADDITIVE, MULTIPLI (seasons) or HP
        "PREDICT",   // 11 name    one-step predictions (HP: the trend)
        "RESID",     // 12 name    one-step errors (HP: the cycle)
        "COEF",      // 13 name    the smoothing parameters (HP: lambda)
        "LEVEL",     // 14 name    the level after each observation
        "SLOPE",     // 15 name    the trend (slope) after each observation
        "SEASONAL",  // 16 name    the season after each observation
        "TREND",     // 17 name    HP: the trend
        "CYCLE",     // 18 name    HP: the cycle, the series less its trend
        "FORECAST",  // 19 name    forecasts, at the observations after END
        "FCSTERR",   // 20 name    standard errors of the forecasts, beside them
    },
    0, 5, 4, 11};
// clang-format on

} // namespace

const OptionTable& smooth_option_table() {
    return SMOOTH_TABLE;
}

void set_smooth_defaults(Run& run) {
    OptionDefaults d = set_estimator_defaults(run, SMOOTH_TABLE);
    d.integer("MAXIT", 100);
    d.real("LAMBDA", 1600);
    d.name("METHOD", "SIMPLE");
}

SmoothOptions read_smooth_options(const Run& run) {
    const OptionValues v(run.opt, SMOOTH_TABLE);
    SmoothOptions o;
    read_estimator_options(v, o);
    o.SEASON = v.integer("SEASON"), o.HORIZON = v.integer("HORIZON");
    o.ALPHA = v.real("ALPHA"), o.BETA = v.real("BETA"), o.GAMMA = v.real("GAMMA");
    o.ALPHA_given = v.real_given("ALPHA"), o.BETA_given = v.real_given("BETA");
    o.GAMMA_given = v.real_given("GAMMA");
    o.LAMBDA = v.real("LAMBDA"), o.LAMBDA_given = v.real_given("LAMBDA");
    o.LEVEL = v.name("LEVEL"), o.SLOPE = v.name("SLOPE"), o.SEASONAL = v.name("SEASONAL");
    o.TREND = v.name("TREND"), o.CYCLE = v.name("CYCLE");
    o.FORECAST = v.name("FORECAST"), o.FCSTERR = v.name("FCSTERR");
    return o;
}

} // namespace tarvex
