// The ordered probit and ordered logit: outcome y_i in ordered categories 0..J (the sorted
// distinct values of the dependent variable), from a latent index x_i'b cut at mu_1 < ... < mu_J:
//   P(y_i = j) = F(mu_{j+1} - x_i'b) - F(mu_j - x_i'b),   mu_0 = -inf, mu_{J+1} = +inf,
// F the standard normal or logistic distribution function. The cut points take the place of
// the intercept, which is dropped from the index. Maximum likelihood by Newton's method on the
// exact Hessian, from b = 0 and the cut points that fit the shares of the categories; every
// step keeps the cut points in order. The estimator writes nothing.
#pragma once

#include "kernels/maximize_likelihood.hpp"
#include "numeric/real.hpp"
#include "regress/choice/category_fit.hpp"
#include "regress/choice/choice_data.hpp"
#include "regress/fit/model_result.hpp"
#include "regress/fit/report_notes.hpp"

#include <string>
#include <vector>

namespace tarvex {

enum class OrderedLink { PROBIT, LOGIT };

// The coefficients are the slopes, then the cut points mu_1 .. mu_J (a bad_column of -1: a cut
// point); the constants alone are the cut points. The result's model is "ORDERED PROBIT" or
// "ORDERED LOGIT"; the index x'b is not part of it.
struct OrderedEstimate : CategoryEstimate {
    ReportNotes notes;              // the intercept dropped
    std::vector<int> slope_columns; // the data's columns in the index, in order (no intercept)
    std::vector<Real> index;        // N: x_i'b
    int slopes() const { return static_cast<int>(slope_columns.size()); }
    int cuts() const { return static_cast<int>(values.size()) - 1; }
};

OrderedEstimate estimate_ordered_choice(const ChoiceData& data, OrderedLink link,
                                        const ChoiceControl& control);

} // namespace tarvex
