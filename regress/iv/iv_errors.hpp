// The $ERR numbers of 2SLS and INSTRUME: the command slot of 2SLS (44) times 1000 plus a
// sequence number.
#pragma once

namespace tarvex {

enum IvError : int {
    ERR_IV_NO_LIST = 44001,         // no dependent variable, regressor or instrument list
    ERR_IV_OPTION = 44002,          // an option value out of its range
    ERR_IV_BOTH_SIDES = 44003,      // the dependent variable among the regressors or instruments
    ERR_IV_TOO_FEW = 44004,         // not more observations than coefficients and instruments
    ERR_IV_UNDERIDENTIFIED = 44005, // more endogenous regressors than excluded instruments
    ERR_IV_INSTRUMENTS = 44006,     // an instrument is a combination of the others
    ERR_IV_REGRESSORS = 44007,      // the instrumented regressors are collinear
    ERR_IV_NON_FINITE = 44008,      // a value is infinite or not a number
    ERR_IV_RANGE = 44009,           // values whose squares binary128 cannot hold
};

} // namespace tarvex
