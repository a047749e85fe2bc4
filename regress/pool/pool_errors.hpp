// The $ERR numbers of POOL: its command slot (29) times 1000 plus a sequence number.
#pragma once

namespace tarvex {

enum PoolError : int {
    ERR_POOL_NO_LIST = 29001,     // no dependent variable or no regressor
    ERR_POOL_OPTION = 29002,      // an option value out of its range, or two models asked for
    ERR_POOL_BOTH_SIDES = 29003,  // the dependent variable among the regressors
    ERR_POOL_NCROSS = 29004,      // NCROSS= does not divide the estimation range
    ERR_POOL_NO_PANEL = 29005,    // neither NCROSS= nor IDVAR= given
    ERR_POOL_IDVAR = 29006,       // the IDVAR= variable is unknown, short or missing
    ERR_POOL_SINGLE_ROW = 29007,  // a cross-section with one observation (FIXED, RANDOM)
    ERR_POOL_TOO_FEW = 29008,     // no degrees of freedom left
    ERR_POOL_SINGULAR = 29009,    // a coefficient is not identified
    ERR_POOL_IDVAR_COUNT = 29010, // IDVAR= and NCROSS= disagree on the cross-sections
    ERR_POOL_RANGE = 29011,       // values whose squares binary128 cannot hold
    ERR_POOL_ONE_CLUSTER = 29012, // CLUSTER with a single cross-section in use
    ERR_POOL_UNBALANCED = 29013,  // PERIOD with IDVAR= but no TIMEVAR= on an incomplete panel
    ERR_POOL_TIMEVAR = 29014,     // the TIMEVAR= variable is unknown, or repeats a period
};

} // namespace tarvex
