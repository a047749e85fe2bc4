// The options of FLS, their defaults and the values the command reads from the option set.
#pragma once

#include "core/option_set.hpp"
#include "regress/fit/estimator_front.hpp"

#include <string>

namespace tarvex {

struct Run;

struct FlsOptions {
    bool CONSTANT = true;
    bool PATH = false; // print the coefficients observation by observation
    int BEG = 0, END = 0;
    Real MU = 1;          // the weight of the dynamic cost
    std::string FRONTIER; // a vector of weights: the cost frontier
    std::string PREDICT, RESID, COEF;
};

const OptionTable& fls_option_table();
// CONSTANT on, BEG and END from the sample, MU=1.
void set_fls_defaults(Run& run);
FlsOptions read_fls_options(const Run& run);

} // namespace tarvex
