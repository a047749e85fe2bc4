// Writing the results of CALLOPTI and PUTOPTIO: one option's arguments and values line by
// line, or a table of the values at each observation when arguments are series.
#pragma once

#include "kernels/option_pricing.hpp"
#include "numeric/real.hpp"

#include <string>
#include <vector>

namespace tarvex {

struct Run;

// What was priced and how: the heading says European or American, call or put, the method.
struct OptionPriceShown {
    OptionKind kind = OptionKind::CALL;
    bool american = false, implied = false;
    int steps = 0;
};

// The values of each option priced (one row per option; implied_vol empty unless PRICE=).
struct OptionPriceRows {
    std::vector<OptionValue> values;
    std::vector<Real> implied_vol;
};

// One option: its arguments (spot, strike, rate, yield, vol or implied vol, time and, with
// PRICE=, the price) and its value with every sensitivity the method gives.
void report_single_option(Run& run, const OptionPriceShown& shown, const OptionTerms& terms,
                          Real price, const OptionPriceRows& rows);
// Options at the observations `obs`: a line an observation.
void report_option_table(Run& run, const OptionPriceShown& shown, const std::vector<int>& obs,
                         const OptionPriceRows& rows);

} // namespace tarvex
