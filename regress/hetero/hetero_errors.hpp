// The $ERR numbers of HETERO: its command slot (79) times 1000 plus a sequence number.
#pragma once

namespace tarvex {

enum HeteroError : int {
    ERR_HET_NO_LIST = 79001,        // no dependent variable or no regressor
    ERR_HET_OPTION = 79002,         // an option value out of its range
    ERR_HET_BOTH_SIDES = 79003,     // the dependent variable among the regressors
    ERR_HET_TOO_FEW = 79004,        // fewer observations than coefficients
    ERR_HET_SINGULAR = 79005,       // a coefficient is not identified
    ERR_HET_UNDEFINED = 79006,      // the likelihood cannot be evaluated at the start
    ERR_HET_NO_CONVERGENCE = 79007, // the iteration limit came first (warning)
    ERR_HET_STUCK = 79008,          // no step raises the likelihood (warning)
    ERR_HET_EXACT_FIT = 79009,      // the mean equation leaves no residual
    ERR_HET_RANGE = 79010,          // values whose squares binary128 cannot hold
};

} // namespace tarvex
