// The $ERR numbers of GLS: its command slot (30) times 1000 plus a sequence number.
#pragma once

namespace tarvex {

enum GlsError : int {
    ERR_GLS_NO_LIST = 30001,       // no dependent variable or no regressor
    ERR_GLS_OPTION = 30002,        // an option value out of its range
    ERR_GLS_BOTH_SIDES = 30003,    // the dependent variable among the regressors
    ERR_GLS_NO_COVARIANCE = 30004, // neither OMEGA= nor VARIANCE= given, or both
    ERR_GLS_NOT_FOUND = 30005,     // the OMEGA= or VARIANCE= variable is unknown or not numeric
    ERR_GLS_DIMENSION = 30006,     // OMEGA= is not N x N, VARIANCE= shorter than the range
    ERR_GLS_NOT_DEFINITE = 30007,  // OMEGA= is singular or not positive definite
    ERR_GLS_VARIANCE = 30008,      // a variance that is not positive
    ERR_GLS_TOO_FEW = 30009,       // fewer observations than coefficients
    ERR_GLS_SINGULAR = 30010,      // a coefficient is not identified
    ERR_GLS_NOT_SYMMETRIC = 30011, // OMEGA= is not symmetric
    ERR_GLS_EXACT_FIT = 30012,     // the regressors fit the dependent variable exactly
    ERR_GLS_RANGE = 30013,         // values whose squares binary128 cannot hold
};

} // namespace tarvex
