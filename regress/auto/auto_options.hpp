// The options of AUTO, their defaults, and the values the command reads from the option set.
#pragma once

#include "core/option_set.hpp"
#include "numeric/real.hpp"

#include <string>

namespace tarvex {

struct Run;

struct AutoOptions {
    bool CONSTANT = true, PCOV = false, PCOR = false, WIDE = false, PITER = false;
    int BEG = 0, END = 0, ORDER = 1, MAXIT = 100;
    Real CONVERGE = 0;
    std::string METHOD; // ML, CORC or PW
    std::string PREDICT, RESID, COEF, COVARIAN, STDERR, TRATIO;
};

const OptionTable& auto_option_table();
void set_auto_defaults(Run& run);
AutoOptions read_auto_options(const Run& run);

} // namespace tarvex
