// The $ERR numbers of COINTEGR: its command slot (92) times 1000 plus a sequence number.
#pragma once

namespace tarvex {

enum CointError : int {
    ERR_COINT_OPTION = 92001,      // an option value out of its range or of the wrong kind
    ERR_COINT_NO_LIST = 92002,     // no variable named
    ERR_COINT_TOO_FEW = 92003,     // fewer observations than the regression needs
    ERR_COINT_CONSTANT = 92004,    // a variable does not vary
    ERR_COINT_SINGULAR = 92005,    // a regressor or a variable of the system is dependent
    ERR_COINT_GAPS = 92006,        // observations skipped inside the range
    ERR_COINT_COMBINATION = 92007, // a test that does not apply to this many variables
    ERR_COINT_VAR_TOO_FEW = 92008, // JOHANSEN: too few observations for the lags and variables
    ERR_COINT_MOMENTS = 92009,     // JOHANSEN: a residual moment matrix is singular
    ERR_COINT_RANGE = 92010,       // values whose squares binary128 cannot hold
    ERR_COINT_RANKTEST = 92011,    // RANKTEST= without JOHANSEN
};

} // namespace tarvex
