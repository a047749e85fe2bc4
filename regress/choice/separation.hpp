// Perfect prediction in the binary models. Before the fit each regressor (with the intercept in
// the model) is checked for a threshold that splits the outcomes: every y = 0 on one side and
// every y = 1 on the other (complete separation), or so up to ties at the threshold
// (quasi-complete). After a fit that did not converge, the observations whose outcome the last
// iterate predicts with certainty, and the coefficients that kept growing, show separation by
// a combination of regressors. In either case the likelihood has no maximum at finite
// coefficients, and no estimate is reported.
#pragma once

#include "numeric/real.hpp"
#include "regress/choice/choice_data.hpp"

#include <vector>

namespace tarvex {

struct Separation {
    bool found = false;
    bool complete = false;     // every observation predicted (else only some)
    std::vector<int> columns;  // the regressors (columns of x) that separate
    std::vector<int> rows;     // 0-based rows whose outcome is predicted perfectly
    bool by_threshold = false; // one regressor splits the outcomes at `threshold`
    Real threshold = 0;        // a single regressor: where it splits the outcomes
    bool ones_above = true;    // a single regressor: y = 1 lies above the threshold
};

// The first regressor that splits the outcomes by a threshold; found false when none does.
// y holds 0 and 1 only; the model must have an intercept for this to mean separation.
Separation regressor_separation(const ChoiceData& data);

// After a fit that stopped without converging: the rows whose log-likelihood term has vanished
// (their outcome has probability 1 to binary128 precision) and the coefficients that grew over
// the last iterations. found false when no row is predicted perfectly.
Separation fitted_separation(const std::vector<Real>& log_terms,
                             const std::vector<std::vector<Real>>& history, int intercept);

} // namespace tarvex
