// The $ERR numbers of PROBIT, LOGIT and TOBIT: the command's slot (55, 56, 57) times 1000 plus
// the sequence number of the condition, the same for the three commands.
#pragma once

namespace tarvex {

enum ChoiceErrorSeq : int {
    CHOICE_NO_LIST = 1,            // no dependent variable or no regressor
    CHOICE_OPTION = 2,             // an option value out of its range
    CHOICE_BOTH_SIDES = 3,         // the dependent variable among the regressors
    CHOICE_TOO_FEW = 4,            // fewer observations than coefficients
    CHOICE_NOT_BINARY = 5,         // PROBIT, LOGIT: a value other than 0 and 1
    CHOICE_EMPTY_CATEGORY = 6,     // PROBIT, LOGIT: no observation with 0, or none with 1
    CHOICE_CONSTANT_REGRESSOR = 7, // a regressor with one value throughout
    CHOICE_SEPARATION = 8,         // PROBIT, LOGIT: outcomes predicted perfectly
    CHOICE_NO_CENSORING = 9,       // TOBIT: no observation at a limit
    CHOICE_NO_CONVERGENCE = 10,    // the iteration limit came first (warning)
    CHOICE_STUCK = 11,             // no step raises the likelihood (warning)
    CHOICE_SINGULAR = 12,          // a coefficient is not identified
    CHOICE_UNDEFINED = 13,         // the likelihood cannot be evaluated at the start
    // 14 and 15 are not used: the multinomial and ordered models have numbers of their own.
    CHOICE_LIMITS = 16,       // TOBIT: LOWER not below UPPER
    CHOICE_ALL_CENSORED = 17, // TOBIT: no observation between the limits
    CHOICE_EXACT_FIT = 18,    // TOBIT: the regressors fit the dependent variable exactly

    // WEIGHT=: a weight below zero.
    CHOICE_NEGATIVE_WEIGHT = 25,
};

// The $ERR number of condition `seq` for the command in slot `command` (55, 56 or 57).
inline int choice_error(int command, ChoiceErrorSeq seq) {
    return command * 1000 + seq;
}

} // namespace tarvex
