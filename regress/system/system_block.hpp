// The block SYSTEM reads after its command line, up to END: one EQ line per equation
// ("EQ depvar regressors"), and the ENDOGENO, EXOGENOU and LAGGED lists and IDENTITY lines that
// declare the model's variables. The lines are read through the command reader, as TEST and
// NLINEAR read their own.
#pragma once

#include "regress/fit/ols_fit.hpp"

#include <string>
#include <vector>

namespace tarvex {

struct Run;

struct SystemEquation {
    OlsTerm dep;
    std::vector<OlsTerm> regressors; // as typed (the intercept is added by the command)
};

struct SystemBlock {
    std::vector<SystemEquation> equations;
    std::vector<OlsTerm> endogenous, exogenous, lagged;
    std::vector<std::string> identities; // the text after each IDENTITY, as typed
};

// Reads the block up to END. False after an error (reported; the rest of the block passed
// over, so that its lines do not run as commands of their own).
bool read_system_block(Run& run, SystemBlock& block);

} // namespace tarvex
