// The $ERR numbers of FUZZY: its command slot (102) times 1000 plus a sequence number.
#pragma once

namespace tarvex {

enum FuzzyError : int {
    ERR_FUZZY_H = 102001,           // H= below 0 or not below 1
    ERR_FUZZY_NO_LIST = 102002,     // no dependent variable or no regressor
    ERR_FUZZY_BOTH_SIDES = 102003,  // the dependent variable among the regressors
    ERR_FUZZY_TOO_FEW = 102004,     // fewer observations than coefficients
    ERR_FUZZY_DEPENDENT = 102005,   // the regressors are linearly dependent (or one is all zero)
    ERR_FUZZY_OPTION = 102006,      // a name option typed without its value
    ERR_FUZZY_ZERO_ROW = 102007,    // NOCONSTANT: every regressor 0 at an observation, y not 0
    ERR_FUZZY_UNCERTIFIED = 102010, // no certified basis (never infeasible or unbounded)
};

} // namespace tarvex
