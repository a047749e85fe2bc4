// The option table of CALLOPTI and PUTOPTIO, their defaults, and the settings the command reads.
#pragma once

#include "core/option_set.hpp"

#include <string>

namespace tarvex {

struct Run;

// The inputs SPOT .. PRICE as typed (each a number, a scalar or a series; blank when not given)
// and the names of the outputs (blank when not asked for).
struct OptionPriceOptions {
    bool AMERICAN = false;
    int STEPS = 0, BEG = 0, END = 0;
    std::string SPOT, STRIKE, RATE, YIELD, VOL, TIME, PRICE;
    std::string VALUE, IMPVOL, DELTA, GAMMA, VEGA, THETA, RHO, PSI;
};

const OptionTable& option_price_table();
// BEG and END from the current sample, STEPS=500, RATE=0 and YIELD=0.
void set_option_price_defaults(Run& run);
OptionPriceOptions read_option_price_options(const Run& run);

} // namespace tarvex
