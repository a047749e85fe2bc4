// What PROBIT, LOGIT and TOBIT leave behind: the stored estimation that TEST and FCAST read, the
// result scalars, and the named output variables of the options.
#pragma once

#include "numeric/real.hpp"
#include "regress/choice/choice_equation.hpp"
#include "regress/choice/choice_options.hpp"

#include <string>
#include <vector>

namespace tarvex {

struct Run;

// One estimate as the commands store it. The first `mean_terms` coefficients are those of the
// index x'b (the terms of the equation); after them come the named parameters (TOBIT's SIGMA).
struct ChoiceStored {
    std::string command; // "PROBIT", "LOGIT", "TOBIT"
    std::vector<Real> coef, cov, se, tstat;
    std::vector<std::string> parameters;   // names of the coefficients after the terms
    std::vector<Real> predicted, residual; // by row
    int n = 0;
    Real llf = 0;
    // TOBIT: sigma and the censoring limits FCAST applies.
    Real sigma = 0;
    bool censored_below = false, censored_above = false;
    Real lower = 0, upper = 0;
};

// Stores the estimation, $LLF $N $K $DF, and the output variables; false when an output
// variable could not be made (the workspace has said why).
bool store_choice(Run& run, const ChoiceEquation& eq, const ChoiceStored& s,
                  const ChoiceOptions& o);

// The command word of a slot: "PROBIT", "LOGIT" or "TOBIT".
const char* choice_command_word(int command);

} // namespace tarvex
