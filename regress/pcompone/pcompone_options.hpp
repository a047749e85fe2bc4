// The option table of PCOMPONE, its defaults, and the settings the command reads from it.
#pragma once

#include "core/option_set.hpp"

#include <string>

namespace tarvex {

struct Run;

struct PcomponeOptions {
    bool COVAR = false; // analyse the covariance matrix instead of the correlation matrix
    bool PLOTS = false; // draw the scree plot
    int BEG = 0, END = 0;
    int NCOMP = 0; // components whose scores are stored (0: all)
    std::string SCORES, LOADINGS, EIGVAL;
};

const OptionTable& pcompone_option_table();
// BEG and END from the current sample; everything else off or blank.
void set_pcompone_defaults(Run& run);
PcomponeOptions read_pcompone_options(const Run& run);

} // namespace tarvex
