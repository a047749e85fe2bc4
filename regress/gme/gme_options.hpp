// The options of GME, their defaults and the values the command reads from the option set.
#pragma once

#include "core/option_set.hpp"
#include "regress/fit/estimator_front.hpp"

#include <string>

namespace tarvex {

struct Run;

struct GmeOptions : EstimatorOptions {
    int EPOINTS = 3;      // points of the 3-sigma error support
    std::string BSUPPORT; // K x M, or one row of M for every coefficient
    std::string ESUPPORT; // J error support points (replaces the 3-sigma rule)
};

const OptionTable& gme_option_table();
// The shared defaults, with MAXIT=100, CONVERGE=1E-28 and EPOINTS=3.
void set_gme_defaults(Run& run);
GmeOptions read_gme_options(const Run& run);

} // namespace tarvex
