// The $ERR numbers of BOX: its command slot (43) times 1000 plus a sequence number.
#pragma once

namespace tarvex {

enum BoxError : int {
    ERR_BOX_NON_POSITIVE = 43001,   // a value to be transformed is zero or negative
    ERR_BOX_OPTION = 43002,         // an option value out of its range, or ALLBOX with XLAMBDA
    ERR_BOX_NO_LIST = 43003,        // no dependent variable or no regressor
    ERR_BOX_BOTH_SIDES = 43004,     // the dependent variable among the regressors
    ERR_BOX_TOO_FEW = 43005,        // fewer observations than parameters
    ERR_BOX_SINGULAR = 43006,       // a parameter is not identified
    ERR_BOX_NO_CONVERGENCE = 43007, // the iteration limit came first (warning)
    ERR_BOX_STUCK = 43008,          // no step raises the likelihood (warning)
    ERR_BOX_EXACT_FIT = 43009,      // the regressors fit the transformed y exactly
};

} // namespace tarvex
