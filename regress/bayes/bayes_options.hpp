// The options of BAYES, their defaults and the values the command reads from the option set.
#pragma once

#include "core/option_set.hpp"
#include "regress/fit/estimator_front.hpp"

namespace tarvex {

struct Run;

struct BayesOptions : EstimatorOptions {
    bool ANTITHET = false; // each draw also tried with its deviation reversed
    int NDRAW = 10000;     // independent draws of the coefficients
    int SEED = 0;
    bool seed_given = false; // SEED= typed: the draws start from it, else the run's generator
};

const OptionTable& bayes_option_table();
// CONSTANT on, BEG and END from the sample, NDRAW=10000.
void set_bayes_defaults(Run& run);
BayesOptions read_bayes_options(const Run& run);

} // namespace tarvex
