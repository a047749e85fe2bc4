// The $ERR numbers of BAYES: its command slot (74) times 1000 plus a sequence number.
#pragma once

namespace tarvex {

enum BayesError : int {
    ERR_BAYES_NO_LIST = 74002,     // no dependent variable or no regressor
    ERR_BAYES_BOTH_SIDES = 74003,  // the dependent variable among the regressors
    ERR_BAYES_TOO_FEW = 74004,     // no more observations than coefficients
    ERR_BAYES_DEPENDENT = 74005,   // the regressors are linearly dependent
    ERR_BAYES_NO_RELATION = 74006, // a RESTRICT line without one inequality sign
    ERR_BAYES_NOT_LINEAR = 74007,  // a restriction that is not linear in the coefficients
    ERR_BAYES_NO_COEF = 74008,     // a restriction that involves no coefficient
    ERR_BAYES_NONE_HELD = 74009,   // no draw satisfied the restrictions
    ERR_BAYES_OPTION = 74010,      // a name option typed without its value
};

} // namespace tarvex
