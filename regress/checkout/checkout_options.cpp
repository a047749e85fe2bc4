// The CHECKOUT option table and its defaults.
#include "regress/checkout/checkout_options.hpp"

#include "core/run.hpp"
#include "options/option_access.hpp"

namespace tarvex {

namespace {

// clang-format off
const OptionTable CHECKOUT_TABLE = {
    {
        //  #  keyword      effect
        "COLLIN",    //  1 switch  collinearity of the regressors of the last estimation
        "LOWER",     //  2 real    values below it are findings
        "UPPER",     //  3 real    values above it are findings
        "VIFMAX",    //  4 real    variance inflation factors above it are findings (10)
        "CONDMAX",   //  5 real    a condition number above it is a finding (30)
        "VIF",       //  6 name    vector of the variance inflation factors
        "COUNTS",    //  7 name    vector of the findings counted by kind
    },
    1, 0, 4, 2};
// clang-format on

} // namespace

const OptionTable& checkout_option_table() {
    return CHECKOUT_TABLE;
}

void set_checkout_defaults(Run& run) {
    OptionDefaults d(run.opt, CHECKOUT_TABLE);
    d.real("VIFMAX", 10);
    d.real("CONDMAX", 30);
}

CheckoutOptions read_checkout_options(const Run& run) {
    const OptionValues v(run.opt, CHECKOUT_TABLE);
    CheckoutOptions o;
    o.COLLIN = v.on("COLLIN");
    o.lower_given = v.real_given("LOWER"), o.upper_given = v.real_given("UPPER");
    o.LOWER = v.real("LOWER"), o.UPPER = v.real("UPPER");
    o.VIFMAX = v.real("VIFMAX"), o.CONDMAX = v.real("CONDMAX");
    o.VIF = v.name("VIF"), o.COUNTS = v.name("COUNTS");
    return o;
}

} // namespace tarvex
