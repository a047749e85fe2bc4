// The option table of INDEX and its own defaults.
#include "regress/index/index_options.hpp"

#include "core/run.hpp"
#include "numeric/text.hpp"
#include "options/option_access.hpp"
#include "regress/fit/estimator_front.hpp"

namespace tarvex {

namespace {

// clang-format off
const OptionTable INDEX_TABLE = {
    {
        //  #  keyword      effect
        "CHAINED",   //  1 switch  chain the comparisons of consecutive observations (off: fixed base)
        "BEG",       //  2 integer first observation
        "END",       //  3 integer last observation
        "BASE",      //  4 integer the observation where every index is SCALE (the first)
        "SCALE",     //  5 real    the value of the indexes at the base (1)
        "METHOD",    //  6 name    LASPEYRE, PAASCHE, FISHER or TORNQVIS: what PRICE= and QUANTITY= store
        "PRICE",     //  7 name    the price index, by observation
        "QUANTITY",  //  8 name    the quantity index, by observation
    },
    1, 3, 1, 3};
// clang-format on

} // namespace

const OptionTable& index_option_table() {
    return INDEX_TABLE;
}

void set_index_defaults(Run& run) {
    OptionDefaults d = set_estimator_defaults(run, INDEX_TABLE);
    d.real("SCALE", 1);
    d.name("METHOD", "FISHER");
}

IndexOptions read_index_options(const Run& run) {
    const OptionValues v(run.opt, INDEX_TABLE);
    IndexOptions o;
    o.CHAINED = v.on("CHAINED");
    o.BEG = v.integer("BEG");
    o.END = v.integer("END");
    o.BASE = v.integer("BASE");
    o.SCALE = v.real("SCALE");
    o.METHOD = trim_trailing_blanks(v.name("METHOD"));
    o.PRICE = v.name("PRICE");
    o.QUANTITY = v.name("QUANTITY");
    return o;
}

} // namespace tarvex
