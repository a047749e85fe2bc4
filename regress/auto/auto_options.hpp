// The option table of AUTO, its defaults, and the settings the command reads from it.
#pragma once

#include "core/option_set.hpp"
#include "numeric/real.hpp"
#include "regress/fit/estimator_front.hpp"

#include <string>

namespace tarvex {

struct Run;

struct AutoOptions {
    bool CONSTANT = true, PCOV = false, PCOR = false, WIDE = false, PITER = false;
    int BEG = 0, END = 0, ORDER = 1, MAXIT = 100;
    Real CONVERGE = 0;
    std::string METHOD; // ML, CORC or PW
    OutputNames out;
};

const OptionTable& auto_option_table();
// The shared defaults, with ORDER=1, MAXIT=100, CONVERGE=1E-20 and METHOD=ML.
void set_auto_defaults(Run& run);
AutoOptions read_auto_options(const Run& run);

} // namespace tarvex
