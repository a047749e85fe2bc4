// The option table of CHECKOUT, its defaults, and the settings the command reads from it.
#pragma once

#include "core/option_set.hpp"
#include "numeric/real.hpp"

#include <string>

namespace tarvex {

struct Run;

struct CheckoutOptions {
    bool COLLIN = false; // collinearity of the last estimation's regressors
    bool lower_given = false, upper_given = false;
    Real LOWER = 0, UPPER = 0; // bounds the values must keep within
    Real VIFMAX = 10;          // a variance inflation factor above it is a finding
    Real CONDMAX = 30;         // a condition number above it is a finding
    std::string VIF, COUNTS;   // output variables
};

const OptionTable& checkout_option_table();
// VIFMAX=10, CONDMAX=30; no bounds, no outputs.
void set_checkout_defaults(Run& run);
CheckoutOptions read_checkout_options(const Run& run);

} // namespace tarvex
