// The equation an estimation command read from its list: the dependent variable, the terms
// (the intercept last when there is one), the estimation range and the observations in use.
// Models with a second list (instruments, a variance equation) keep it beside this one.
#pragma once

#include "regress/fit/ols_fit.hpp"

#include <string>
#include <vector>

namespace tarvex {

struct EstimationEquation {
    int dep_ref = 0, dep_lag = 0;
    std::string dep_name;       // 8 columns
    std::vector<OlsTerm> terms; // the regressors, CONSTANT last
    std::vector<int> obs;       // observations in use, ascending
    int beg = 0, end = 0;
};

} // namespace tarvex
