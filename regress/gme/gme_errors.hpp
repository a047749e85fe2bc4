// The $ERR numbers of GME: its command slot (98) times 1000 plus a sequence number.
#pragma once

namespace tarvex {

enum GmeError : int {
    ERR_GME_OPTION = 98001,         // MAXIT, CONVERGE or EPOINTS out of range
    ERR_GME_NO_LIST = 98002,        // no dependent variable or no regressor
    ERR_GME_BOTH_SIDES = 98003,     // the dependent variable among the regressors
    ERR_GME_TOO_FEW = 98004,        // no more observations than coefficients
    ERR_GME_NO_BSUPPORT = 98005,    // BSUPPORT= not given
    ERR_GME_NOT_FOUND = 98006,      // BSUPPORT= or ESUPPORT= names no vector or matrix
    ERR_GME_BSUPPORT_SHAPE = 98007, // BSUPPORT= neither K by M nor one row (or column) of M
    ERR_GME_BSUPPORT_FLAT = 98008,  // a coefficient's support points all equal
    ERR_GME_ESUPPORT = 98009,       // the error support does not surround 0
    ERR_GME_NO_OPTIMUM = 98010,     // the supports cannot reproduce y (no dual minimum)
    ERR_GME_SINGULAR = 98011,       // X'X singular: no covariance
    ERR_GME_CONSTANT_Y = 98012,     // the 3-sigma error support of a constant y is empty
};

} // namespace tarvex
