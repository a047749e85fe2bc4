// The $ERR numbers of the nonlinear and maximum-likelihood estimators (NLINEAR, MLE, HETERO and
// BOX share them): the NLINEAR command slot times 1000 plus a sequence number.
#pragma once

namespace tarvex {

enum NonlinError : int {
    ERR_NL_NOT_IN_BLOCK = 52001,     // a line in the model block that is not COEFFICI, EQ or END
    ERR_NL_NO_PARAMETERS = 52002,    // no COEFFICI line
    ERR_NL_NO_EQUATION = 52003,      // no EQ line, or more than one
    ERR_NL_BAD_START = 52004,        // a starting value that is not a finite number
    ERR_NL_UNUSED = 52005,           // a parameter the equation never uses
    ERR_NL_UNDEFINED = 52006,        // the equation cannot be evaluated at the starting values
    ERR_NL_NO_CONVERGENCE = 52007,   // the iteration limit came first (warning)
    ERR_NL_SINGULAR = 52008,         // J'J or the Hessian is singular
    ERR_NL_SYNTAX = 52009,           // the equation does not compile
    ERR_NL_UNKNOWN_NAME = 52010,     // a name that is neither a parameter nor a variable
    ERR_NL_NO_DEPENDENT = 52011,     // NLINEAR: no "dependent =" in the equation
    ERR_NL_TWICE = 52012,            // a parameter named twice
    ERR_NL_TOO_FEW = 52013,          // fewer observations than parameters
    ERR_NL_STUCK = 52014,            // no step improves the fit, yet the steps are not small
    ERR_NL_OPTION = 52015,           // an option value out of its range
    ERR_NL_NO_DERIVATIVE = 52016,    // an operation without a derivative (random numbers ...)
    ERR_NL_UNKNOWN_FUNCTION = 52017, // a name written before "(" that is not a function
    ERR_NL_UNKNOWN_METHOD = 52018,   // a METHOD word that names no optimiser
    ERR_NL_ANNEAL_OPTION = 52019,    // SEED, ANNEALN or ANNEALT out of range
    // NLINEAR / METHOD=GMM
    ERR_GMM_NL_WITHOUT_METHOD = 52020, // WEIGHT, STEPS, LAG or TESTSTAT without METHOD=GMM
    ERR_GMM_NL_NO_INSTRUMENTS = 52021, // METHOD=GMM without an INST line
    ERR_GMM_NL_STRAY_INST = 52022,     // an INST line without METHOD=GMM (or after MLE)
    ERR_GMM_NL_WEIGHT = 52023,         // WEIGHT not IDENTITY, WHITE or HAC
    ERR_GMM_NL_STEPS = 52024,          // STEPS not 1, 2 or ITERATE
    ERR_GMM_NL_IDENTITY_STEPS = 52025, // STEPS=2 or ITERATE with WEIGHT=IDENTITY
    ERR_GMM_NL_HAC_LAG = 52026,        // WEIGHT=HAC without LAG of 1 or more
    ERR_GMM_NL_WHITE_LAG = 52027,      // LAG with WEIGHT=WHITE
    ERR_GMM_NL_TOO_FEW = 52028,        // fewer instruments than parameters
    ERR_GMM_NL_SINGULAR = 52029,       // the moment covariance S is singular
    ERR_GMM_NL_COLLINEAR = 52030,      // an instrument is a combination of those before it
    ERR_GMM_NL_NOT_SETTLED = 52031,    // ITERATE: the step limit came first (warning)
    ERR_GMM_NL_COVARIANCE = 52032,     // HETCOV with METHOD=GMM
    ERR_GMM_NL_NOT_IDENTIFIED = 52033, // G'WG singular
};

} // namespace tarvex
