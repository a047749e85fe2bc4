// The $ERR numbers of the multinomial logit and the ordered probit and logit: the command's slot
// (PROBIT 55, LOGIT 56) times 1000, plus a base of its own (multinomial logit 100, ordered
// probit 100, ordered logit 150), plus the sequence number below.
#pragma once

namespace tarvex {

inline constexpr int ERR_MULTINOMIAL_LOGIT_BASE = 56100;
inline constexpr int ERR_ORDERED_PROBIT_BASE = 55100;
inline constexpr int ERR_ORDERED_LOGIT_BASE = 56150;

enum CategoryError : int {
    // 2 and 5 are not used: LOGIT refuses negative outcomes, and too few observations, first.
    ERR_CAT_NOT_INTEGER = 1,    // an outcome with a fraction
    ERR_CAT_EMPTY = 3,          // multinomial logit: a numbered outcome with no observation
    ERR_CAT_ONE_VALUE = 4,      // the dependent variable takes one value only
    ERR_CAT_SINGULAR = 6,       // a coefficient is not identified
    ERR_CAT_SEPARATION = 7,     // outcomes predicted with probability 1
    ERR_CAT_UNDEFINED = 8,      // the log-likelihood cannot be evaluated at the start
    ERR_CAT_NO_CONVERGENCE = 9, // the iteration limit came first (warning)
    ERR_CAT_STUCK = 10,         // no step raises the log-likelihood (warning)
    ERR_CAT_TOO_MANY = 11,      // multinomial logit: more outcomes than it takes
};

} // namespace tarvex
