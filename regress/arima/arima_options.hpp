// The options of ARIMA, their defaults and the values the command reads from the option set.
#pragma once

#include "core/option_set.hpp"
#include "numeric/real.hpp"
#include "regress/fit/estimator_front.hpp"

#include <string>

namespace tarvex {

struct Run;

// CONSTANT: the mean of a series that is not differenced; METHOD ML or CSS.
struct ArimaOptions : EstimatorOptions {
    bool DRIFT = false; // the mean of the differenced series
    bool IDENT = false; // the identification report also when estimating
    int NAR = 0, NDIFF = 0, NMA = 0, NSAR = 0, NSDIFF = 0, NSMA = 0, NSPAN = 0;
    int NLAG = 0, HORIZON = 0;
    bool NLAG_given = false;       // NLAG typed on the statement
    std::string FORECAST, FCSTERR; // forecasts and their standard errors after END
    int NARCH = 0, NGARCH = 0;     // a volatility model's orders q and p (NARCH > 0: one)
    std::string ERRORS, COVTYPE;   // NORMAL or T; HESSIAN or ROBUST (blanks trimmed)
    std::string HT;                // the conditional variances
};

const OptionTable& arima_option_table();
void set_arima_defaults(Run& run);
ArimaOptions read_arima_options(const Run& run);

} // namespace tarvex
