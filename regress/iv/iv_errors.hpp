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
    // METHOD=GMM
    ERR_IV_METHOD = 44010,          // METHOD other than GMM
    ERR_GMM_WEIGHT = 44011,         // WEIGHT not IDENTITY, WHITE or HAC
    ERR_GMM_STEPS = 44012,          // STEPS not 1, 2 or ITERATE
    ERR_GMM_HAC_LAG = 44013,        // WEIGHT=HAC without LAG of 1 or more
    ERR_GMM_WITHOUT_METHOD = 44014, // WEIGHT, STEPS or LAG without METHOD=GMM
    ERR_GMM_COVARIANCE = 44015,     // HETCOV, AUTCOV, HC1-HC3 or CLUSTER with METHOD=GMM
    ERR_GMM_SINGULAR = 44016,       // the moment covariance S is singular
    ERR_GMM_NO_CONVERGENCE = 44017, // ITERATE: the step limit came first (warning)
    ERR_GMM_IDENTITY_STEPS = 44018, // STEPS=2 or ITERATE with WEIGHT=IDENTITY
    ERR_GMM_WHITE_LAG = 44019,      // LAG with WEIGHT=WHITE
    // Over series bound to a file.
    ERR_IV_BOUND_BESIDE = 44020, // beside bound series, an item not a whole data series
    ERR_IV_NEEDS_MEMORY = 44021, // an option that needs the series in memory
    ERR_IV_BOUND_READ = 44077,   // bound series that could not be opened or read
};

} // namespace tarvex
