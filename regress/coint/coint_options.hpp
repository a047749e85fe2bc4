// The options of COINTEGR, their defaults and the values the command reads from the option set.
#pragma once

#include "core/option_set.hpp"
#include "regress/fit/estimator_front.hpp"

#include <string>

namespace tarvex {

struct Run;

// COINTEGR has no CONSTANT option: DETERM gives the deterministic terms.
struct CointOptions : EstimatorOptions {
    bool PP = false, KPSS = false, LONG = false;
    bool JOHANSEN = false; // Johansen's test instead of Engle-Granger's
    int LAGS = -1;         // lagged differences (ADF, Engle-Granger), lags in levels (JOHANSEN)
    int BANDWIDT = -1;     // Bartlett truncation lag (PP, KPSS); -1: not given
    bool LAGS_given = false, BANDWIDT_given = false; // typed on the statement
    std::string DETERM;   // deterministic terms; blank: the default of the test
    std::string SELECT;   // FIXED, AIC or BIC
    std::string RANKTEST; // JOHANSEN: the rank tests as a matrix
};

const OptionTable& coint_option_table();
void set_coint_defaults(Run& run);
CointOptions read_coint_options(const Run& run);

} // namespace tarvex
