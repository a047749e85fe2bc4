// Where an equation's values lie among the columns of the blocks of rows that the estimators over
// series bound to a file read (binary PROBIT and LOGIT, TOBIT).
#pragma once

#include <vector>

namespace tarvex {

struct ChoiceBlockColumns {
    int dependent = 0;      // the column of y
    std::vector<int> terms; // per coefficient: its column, -1 for the intercept
    int weight = -1;        // the column of the frequency weights, -1 without
};

} // namespace tarvex
