// The options of ARIMA, their defaults and the values the command reads from the option set.
#pragma once

#include "core/option_set.hpp"
#include "numeric/real.hpp"
#include "regress/fit/estimator_front.hpp"

#include <string>

namespace tarvex {

struct Run;

struct ArimaOptions {
    bool CONSTANT = true; // the mean of a series that is not differenced
    bool DRIFT = false;   // the mean of the differenced series
    bool IDENT = false;   // the identification report also when estimating
    bool PCOV = false, PCOR = false, WIDE = false, PITER = false;
    int NAR = 0, NDIFF = 0, NMA = 0, NSAR = 0, NSDIFF = 0, NSMA = 0, NSPAN = 0;
    int NLAG = 0, HORIZON = 0, BEG = 0, END = 0, MAXIT = 0;
    Real CONVERGE = 0;
    std::string FORECAST, FCSTERR; // forecasts and their standard errors after END
    std::string METHOD;            // ML or CSS
    OutputNames out;
};

const OptionTable& arima_option_table();
void set_arima_defaults(Run& run);
ArimaOptions read_arima_options(const Run& run);

} // namespace tarvex
