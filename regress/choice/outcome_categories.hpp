// The outcomes of a discrete-choice model: the distinct values of the dependent variable in
// increasing order, how many observations take each, and each observation's category. The
// multinomial logit wants the categories numbered 0..J or 1..J without a gap (LOGIT hands it
// whole values of 0 and above only); the ordered models take any increasing integer values. A
// value that breaks the rule is named with its row.
#pragma once

#include "numeric/real.hpp"
#include "regress/choice/choice_data.hpp"

#include <vector>

namespace tarvex {

struct OutcomeCategories {
    // NOT_INTEGER, EMPTY_CATEGORY or TOO_FEW_CATEGORIES when y does not make the categories.
    ChoiceEnd end = ChoiceEnd::CONVERGED;
    int row = -1;              // NOT_INTEGER: the row (0-based index into y)
    Real value = 0;            // NOT_INTEGER: its value; EMPTY_CATEGORY: the unused category
    std::vector<Real> values;  // the categories' values, increasing
    std::vector<int> counts;   // observations per category
    std::vector<int> category; // N: each row's category (index into values)
};

// `numbered`: categories 0..J or 1..J (the lowest of 0 and 1 present is the first) of values
// that are not negative; otherwise any distinct integers. At least `least` categories.
OutcomeCategories sort_outcomes(const std::vector<Real>& y, bool numbered, int least);

} // namespace tarvex
