// The option table of CALLOPTI and PUTOPTIO and their own defaults.
#include "regress/optprice/optprice_options.hpp"

#include "core/run.hpp"
#include "numeric/text.hpp"
#include "options/option_access.hpp"
#include "regress/fit/estimator_front.hpp"

namespace tarvex {

namespace {

// clang-format off
const OptionTable OPTPRICE_TABLE = {
    {
        //  #  keyword      effect
        "AMERICAN",  //  1 switch  early exercise: the binomial tree (off: European, closed form)
        "STEPS",     //  2 integer the tree's steps (500)
        "BEG",       //  3 integer first observation (series arguments)
        "END",       //  4 integer last observation
        "SPOT",      //  5 name    the asset's price: a number, a scalar or a series
        "STRIKE",    //  6 name    the exercise price
        "RATE",      //  7 name    the continuously compounded rate per year (0)
        "YIELD",     //  8 name    the continuous dividend yield per year (0)
        "VOL",       //  9 name    the volatility per square root of a year
        "TIME",      // 10 name    the time to expiry in years
        "PRICE",     // 11 name    a market price: find the volatility it implies
        "VALUE",     // 12 name    output: the option's value
        "IMPVOL",    // 13 name    output: the implied volatility (with PRICE=)
        "DELTA",     // 14 name    output: dV/dSPOT
        "GAMMA",     // 15 name    output: d2V/dSPOT2
        "VEGA",      // 16 name    output: dV/dVOL
        "THETA",     // 17 name    output: -dV/dTIME, per year
        "RHO",       // 18 name    output: dV/dRATE
        "PSI",       // 19 name    output: dV/dYIELD
    },
    1, 3, 0, 15};
// clang-format on

std::string typed_value(const OptionValues& v, std::string_view keyword) {
    return trim_blanks(v.full_name(keyword));
}

} // namespace

const OptionTable& option_price_table() {
    return OPTPRICE_TABLE;
}

void set_option_price_defaults(Run& run) {
    OptionDefaults d = set_estimator_defaults(run, OPTPRICE_TABLE);
    d.integer("STEPS", 500);
    d.name("RATE", "0");
    d.name("YIELD", "0");
}

OptionPriceOptions read_option_price_options(const Run& run) {
    const OptionValues v(run.opt, OPTPRICE_TABLE);
    OptionPriceOptions o;
    o.AMERICAN = v.on("AMERICAN");
    o.STEPS = v.integer("STEPS");
    o.BEG = v.integer("BEG");
    o.END = v.integer("END");
    o.SPOT = typed_value(v, "SPOT");
    o.STRIKE = typed_value(v, "STRIKE");
    o.RATE = typed_value(v, "RATE");
    o.YIELD = typed_value(v, "YIELD");
    o.VOL = typed_value(v, "VOL");
    o.TIME = typed_value(v, "TIME");
    o.PRICE = typed_value(v, "PRICE");
    o.VALUE = trim_trailing_blanks(v.name("VALUE"));
    o.IMPVOL = trim_trailing_blanks(v.name("IMPVOL"));
    o.DELTA = trim_trailing_blanks(v.name("DELTA"));
    o.GAMMA = trim_trailing_blanks(v.name("GAMMA"));
    o.VEGA = trim_trailing_blanks(v.name("VEGA"));
    o.THETA = trim_trailing_blanks(v.name("THETA"));
    o.RHO = trim_trailing_blanks(v.name("RHO"));
    o.PSI = trim_trailing_blanks(v.name("PSI"));
    return o;
}

} // namespace tarvex
