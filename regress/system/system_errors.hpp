// The $ERR numbers of SYSTEM: its command slot (50) times 1000 plus a sequence number.
#pragma once

namespace tarvex {

enum SystemError : int {
    ERR_SYS_NO_EQUATIONS = 50001,    // no EQ line, or an EQ line without a regressor
    ERR_SYS_OPTION = 50002,          // an option value out of its range
    ERR_SYS_NOT_IN_BLOCK = 50003,    // a statement in the block that does not belong there
    ERR_SYS_BOTH_SIDES = 50004,      // an equation's dependent variable among its regressors
    ERR_SYS_NO_INSTRUMENTS = 50005,  // 3SLS without EXOGENOU or LAGGED variables
    ERR_SYS_UNDERIDENTIFIED = 50006, // an equation with more endogenous regressors than
                                     // excluded instruments
    ERR_SYS_INSTRUMENTS = 50007,     // the instrument list is collinear
    ERR_SYS_NO_COMMON = 50008,       // the equations share no observation
    ERR_SYS_TOO_FEW = 50009,         // not more observations than an equation's coefficients
    ERR_SYS_REGRESSORS = 50010,      // an equation's regressors are collinear
    ERR_SYS_SINGULAR = 50011,        // the residual covariance matrix is singular
    ERR_SYS_NO_CONVERGENCE = 50012,  // ITSUR: the iteration limit came first (warning)
    ERR_SYS_NON_FINITE = 50013,      // a value is infinite or not a number
    ERR_SYS_NAMES = 50014,           // DEPNAMES: two coefficients or outputs with one name
};

} // namespace tarvex
