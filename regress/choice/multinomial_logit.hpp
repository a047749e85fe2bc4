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

struct MultinomialEstimate {
    CategoryFitEnd end = CategoryFitEnd::CONVERGED;
    // NOT_INTEGER, NEGATIVE_OUTCOME: the row (0-based) and its value; EMPTY_CATEGORY: the
    // outcome with no observation.
    int bad_row = -1;
    Real bad_value = 0;
    // SINGULAR: the regressor (column of the data) and, when the Hessian found it, the outcome
    // (index into `values`; -1 when the regressors themselves are collinear).
    int bad_column = -1, bad_outcome = -1;
    int certain = 0; // SEPARATION: rows whose outcome has probability 1 at the last iterate
    MaximizeMethod method = MaximizeMethod::NEWTON; // as the control asked
    bool sandwich = false;                          // the covariance H^-1 OPG H^-1
    int iterations = 0;
    std::vector<MaximizeIteration> history;

    int n = 0, k = 0;
    std::vector<Real> values; // the outcomes' values, increasing; values[0] is the base
    std::vector<int> counts;  // observations per outcome
    // Outcome values[1]'s K coefficients, then those of values[2] ...; cov is P x P row-major,
    // P = (outcomes - 1) K.
    std::vector<Real> coef, cov, se, tstat;
    Real llf = 0;
    Real llf_constant = 0; // intercepts only: sum n_j log(n_j / N) (no intercept: N log 1/(J+1))
    std::string constant_label; // the model of the constants alone, as the report names it
    Real lr = 0, lr_pvalue = 0;
    int lr_df = 0;
    std::string lr_label;     // what the likelihood-ratio test tests
    Real pseudo_r2 = 0;       // McFadden's: 1 - llf / llf_constant
    Real percent_correct = 0; // outcomes that are the most probable one, in percent
    std::vector<std::vector<Real>> probability; // one column of N values per outcome
    std::vector<int> predicted; // N: the most probable outcome (index into `values`)
    // What is stored (choice_result.hpp: fill_category_result), the model "MULTINOMIAL LOGIT".
    ModelResult result;
    int outcomes() const { return static_cast<int>(values.size()); }
};

MultinomialEstimate estimate_multinomial_logit(const ChoiceData& data,
                                               const ChoiceControl& control);

} // namespace tarvex
