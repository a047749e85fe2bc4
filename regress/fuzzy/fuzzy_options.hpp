// The options of FUZZY, their defaults and the values the command reads from the option set.
#pragma once

#include "core/option_set.hpp"
#include "numeric/real.hpp"

#include <string>

namespace tarvex {

struct Run;

struct FuzzyOptions {
    bool CONSTANT = true;
    bool PRINT = false; // print each observation's band
    int BEG = 0, END = 0;
    Real H = 0; // the level of the band, 0 <= H < 1
    std::string PREDICT, RESID, COEF, SPREAD, LOWER, UPPER;
};

const OptionTable& fuzzy_option_table();
// CONSTANT on, PRINT off, BEG and END from the sample, H=0.
void set_fuzzy_defaults(Run& run);
FuzzyOptions read_fuzzy_options(const Run& run);

} // namespace tarvex
