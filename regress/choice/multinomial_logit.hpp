// The multinomial logit: outcome y_i in categories 0..J (or 1..J), the lowest the base, with
//   P(y_i = j) = exp(x_i'b_j) / (1 + sum_l exp(x_i'b_l)),   b_base = 0,
// by maximum likelihood (Newton's method on the exact Hessian, whose (j, l) block is
// -sum_i p_ij (d_jl - p_il) x_i x_i'). The estimator writes nothing: it returns the
// coefficients of each non-base outcome with their covariance, the log-likelihoods with and
// without the slopes, the fitted probabilities and the share of outcomes predicted right; or
// why there is no estimate.
#pragma once

#include "kernels/maximize_likelihood.hpp"
#include "numeric/real.hpp"
#include "regress/choice/category_fit.hpp"
#include "regress/choice/choice_data.hpp"
#include "regress/fit/model_result.hpp"

#include <string>
#include <vector>

namespace tarvex {

// values[0] is the base outcome. The coefficients are outcome values[1]'s K, then those of
// values[2] ...: P = (outcomes - 1) K. The constants alone are the intercepts (no intercept:
// N log 1/(J+1)). The result's model is "MULTINOMIAL LOGIT".
struct MultinomialEstimate : CategoryEstimate {
    // SINGULAR: when the Hessian found it, the outcome (index into `values`; -1 when the
    // regressors themselves are collinear).
    int bad_outcome = -1;
    int k = 0;
    int outcomes() const { return static_cast<int>(values.size()); }
};

// The most outcomes LOGIT fits a multinomial logit to. The model has (outcomes - 1) K
// coefficients, and each Newton iteration forms a Hessian of that order squared at every row, so
// the time grows with the square of the outcomes; a variable with more distinct whole values is
// almost always a count or a measurement, not a set of categories, and is refused at once.
inline constexpr int MAX_MULTINOMIAL_OUTCOMES = 50;

MultinomialEstimate estimate_multinomial_logit(const ChoiceData& data,
                                               const ChoiceControl& control);

} // namespace tarvex
