// The $ERR numbers of FLS: its command slot (99) times 1000 plus a sequence number.
#pragma once

namespace tarvex {

enum FlsError : int {
    ERR_FLS_MU = 99001,         // MU= or a FRONTIER= value not positive
    ERR_FLS_NO_LIST = 99002,    // no dependent variable or no regressor
    ERR_FLS_BOTH_SIDES = 99003, // the dependent variable among the regressors
    ERR_FLS_TOO_FEW = 99004,    // fewer observations than coefficients, or fewer than 2
    ERR_FLS_NOT_FOUND = 99005,  // FRONTIER= names no vector
    ERR_FLS_DEPENDENT = 99006,  // the regressors are linearly dependent
    ERR_FLS_OPTION = 99007,     // a name option typed without its value
};

} // namespace tarvex
