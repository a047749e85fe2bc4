// What the multinomial logit and the ordered probit and logit share around their maximisation:
// how the outcomes map to an ending, the check that the regressors are not collinear before it
// starts, the covariance of the estimates after it, and the test for outcomes predicted with
// certainty (separation), where the likelihood has no maximum and the coefficients diverge.
#pragma once

#include "kernels/maximize_likelihood.hpp"
#include "numeric/real.hpp"
#include "regress/choice/choice_data.hpp"
#include "regress/choice/choice_result.hpp"
#include "regress/choice/outcome_categories.hpp"
#include "regress/fit/model_result.hpp"

#include <string>
#include <vector>

namespace tarvex {

// What the multinomial logit and the ordered models estimate alike. The coefficients are the
// model's parameters in its own order, cov P x P row-major.
struct CategoryEstimate {
    ChoiceEnd end = ChoiceEnd::CONVERGED;
    // NOT_INTEGER, UNDEFINED: the row (0-based) and its value; EMPTY_CATEGORY:
    // the outcome with no observation.
    int bad_row = -1;
    Real bad_value = 0;
    int bad_column = -1; // SINGULAR: the regressor (column of the data)
    int certain = 0;     // rows whose outcome has probability 1 at the last iterate
    MaximizeMethod method = MaximizeMethod::NEWTON; // as the control asked
    bool sandwich = false;                          // the covariance H^-1 OPG H^-1
    int iterations = 0;
    std::vector<MaximizeIteration> history;

    int n = 0;
    std::vector<Real> values; // the outcomes' values, increasing
    std::vector<int> counts;  // observations per outcome
    // With frequency weights: the weight of each outcome's rows (empty: the counts).
    std::vector<Real> weighted_counts;
    Real outcome_weight(int j) const {
        return weighted_counts.empty() ? Real(counts[std::size_t(j)])
                                       : weighted_counts[std::size_t(j)];
    }
    Real total_weight() const {
        if (weighted_counts.empty()) return Real(n);
        Real total = 0;
        for (Real c : weighted_counts) total += c;
        return total;
    }
    ConstantsTest constants;  // against the constants alone (sum n_j log(n_j / N) with them)
    Real percent_correct = 0; // outcomes that are the most probable one, in percent
    std::vector<std::vector<Real>> probability; // one column of N values per outcome
    std::vector<int> predicted; // N: the most probable outcome (index into `values`)
    // The estimates with the most probable outcome's value as the fitted value of each row, no
    // residuals, and as named statistics the constants test and the percentage predicted right.
    ModelResult result;
};

// The outcomes of y (sort_outcomes, at least two), their values and counts taken into `e` with
// n; when y does not make them, the end and the bad row and value.
OutcomeCategories take_outcome_categories(const std::vector<Real>& y, bool numbered,
                                          CategoryEstimate& e);

// With weights in `data`, the weight of each outcome's rows (`category` by row) into `e`.
void weigh_outcomes(CategoryEstimate& e, const std::vector<int>& category, const ChoiceData& data);

// The first of the N-row columns that is a linear combination of those before it (0-based), -1
// when none. The command leaves more rows than coefficients.
int first_dependent_column(const std::vector<std::vector<Real>>& columns, std::size_t n);

// What a category estimate (multinomial or ordered) takes from the maximisation: the method,
// the covariance asked for, the iterations, the history and how it ended. False when the
// likelihood could not be evaluated at the start (the row is in bad_row).
bool take_maximization(CategoryEstimate& e, const MaximizeResult& fit,
                       const ChoiceControl& control);

// -H^-1 at the maximum (or the sandwich H^-1 OPG H^-1): false when -H is not positive definite,
// `bad` the parameter found dependent.
bool category_covariance(const MaximizeResult& fit, bool sandwich, std::vector<Real>& cov,
                         int& bad);

// A probability this close to 1 (or to 0) is a certainty in a fit whose coefficients diverge.
inline const Real CERTAIN_PROBABILITY_GAP = 1e-15Q;

// Once the rows' probabilities are known: the most probable outcome of each row (the first of
// equal ones) and the percentage of rows whose outcome (`category`) it is; then the end of the
// estimate: SEPARATED when the fit did not converge and rows have the probability of their
// outcome within the gap of 1, else the covariance, or SINGULAR with the parameter not identified
// in `bad`. False when the estimate ends there.
bool take_covariance(CategoryEstimate& e, const MaximizeResult& fit, const ChoiceControl& control,
                     const std::vector<int>& category, std::vector<Real>& cov, int& bad);

// The log-likelihood of the outcomes' shares alone: sum n_j log(n_j / N) (n_j, N weighted).
Real shares_llf(const CategoryEstimate& e);

// The estimate's result from the fit and its covariance once its constants test is known, the
// intercept as the command had it and `model` as the name FCAST gives when it refuses it.
void fill_category_result(CategoryEstimate& e, const MaximizeResult& fit, std::vector<Real> cov,
                          bool intercept, const std::string& model);

} // namespace tarvex
