// What the multinomial logit and the ordered probit and logit share around their maximisation:
// how an estimation ended, the check that the regressors are not collinear before it starts,
// the covariance of the estimates after it, and the test for outcomes predicted with
// certainty (separation), where the likelihood has no maximum and the coefficients diverge.
#pragma once

#include "kernels/maximize_likelihood.hpp"
#include "numeric/real.hpp"
#include "regress/choice/choice_data.hpp"
#include "regress/choice/outcome_categories.hpp"
#include "regress/fit/model_result.hpp"

#include <string>
#include <vector>

namespace tarvex {

enum class CategoryFitEnd {
    CONVERGED,
    ITERATION_LIMIT,      // the last iterate is returned
    STUCK,                // no step raises the log-likelihood; the last iterate is returned
    NOT_INTEGER,          // a value of the dependent variable is not an integer
    NEGATIVE_OUTCOME,     // multinomial logit: an outcome below 0
    EMPTY_CATEGORY,       // multinomial logit: an outcome between 0/1 and the highest unused
    TOO_FEW_CATEGORIES,   // fewer distinct outcomes than the model needs
    TOO_FEW_OBSERVATIONS, // fewer observations than regressors
    SINGULAR,             // a regressor is a combination of the others (or the Hessian is)
    SEPARATION,           // outcomes predicted with probability 1; the coefficients diverge
    UNDEFINED,            // the log-likelihood cannot be evaluated at the start
};

// Whether the estimate has coefficients to report (converged, or stopped with a warning).
inline bool category_fit_reportable(CategoryFitEnd end) {
    return end == CategoryFitEnd::CONVERGED || end == CategoryFitEnd::ITERATION_LIMIT ||
           end == CategoryFitEnd::STUCK;
}

CategoryFitEnd outcome_problem_end(OutcomeProblem problem);

// What the multinomial logit and the ordered models estimate alike. The coefficients are the
// model's parameters in its own order, cov P x P row-major.
struct CategoryEstimate {
    CategoryFitEnd end = CategoryFitEnd::CONVERGED;
    // NOT_INTEGER, NEGATIVE_OUTCOME, UNDEFINED: the row (0-based) and its value; EMPTY_CATEGORY:
    // the outcome with no observation.
    int bad_row = -1;
    Real bad_value = 0;
    int bad_column = -1; // SINGULAR: the regressor (column of the data)
    int certain = 0;     // SEPARATION: rows whose outcome has probability 1 at the last iterate
    MaximizeMethod method = MaximizeMethod::NEWTON; // as the control asked
    bool sandwich = false;                          // the covariance H^-1 OPG H^-1
    int iterations = 0;
    std::vector<MaximizeIteration> history;

    int n = 0;
    std::vector<Real> values; // the outcomes' values, increasing
    std::vector<int> counts;  // observations per outcome
    std::vector<Real> coef, cov, se, tstat;
    Real llf = 0;
    Real llf_constant = 0;      // the constants alone: sum n_j log(n_j / N)
    std::string constant_label; // the model of the constants alone, as the report names it
    Real lr = 0, lr_pvalue = 0;
    int lr_df = 0;
    std::string lr_label;     // what the likelihood-ratio test tests
    Real pseudo_r2 = 0;       // McFadden's: 1 - llf / llf_constant
    Real percent_correct = 0; // outcomes that are the most probable one, in percent
    std::vector<std::vector<Real>> probability; // one column of N values per outcome
    std::vector<int> predicted; // N: the most probable outcome (index into `values`)
    // What is stored (choice_result.hpp: fill_category_result).
    ModelResult result;
};

// The outcomes of y (sort_outcomes, at least two), their values and counts taken into `e` with
// n; when y does not make them (a problem returned), the end and the bad row and value.
OutcomeCategories take_outcome_categories(const std::vector<Real>& y, bool numbered,
                                          CategoryEstimate& e);

// The first of the N-row columns that is a linear combination of those before it (0-based), -1
// when none; `too_few` when there are fewer rows than columns.
int first_dependent_column(const std::vector<std::vector<Real>>& columns, std::size_t n,
                           bool& too_few);

// The maximiser's ending as the estimators' own.
CategoryFitEnd maximize_end(MaximizeStatus status);

// What a category estimate (multinomial or ordered) takes from the maximisation: the method,
// the covariance asked for, the iterations, the history, how it ended and the parameters.
// False when the likelihood could not be evaluated at the start (the row is in bad_row).
template <class Estimate>
bool take_maximization(Estimate& e, const MaximizeResult& fit, const ChoiceControl& control) {
    e.method = control.method;
    e.sandwich = control.sandwich;
    e.iterations = fit.iterations;
    e.history = fit.history;
    e.end = maximize_end(fit.status);
    if (e.end == CategoryFitEnd::UNDEFINED) {
        e.bad_row = fit.failed_row;
        return false;
    }
    e.coef = fit.parameters;
    return true;
}

// -H^-1 at the maximum (or the sandwich H^-1 OPG H^-1): false when -H is not positive definite,
// `bad` the parameter found dependent.
bool category_covariance(const MaximizeResult& fit, bool sandwich, std::vector<Real>& cov,
                         int& bad);

// A probability this close to 1 (or to 0) is a certainty in a fit whose coefficients diverge.
inline const Real CERTAIN_PROBABILITY_GAP = 1e-15Q;

// How many rows have the probability of their observed outcome within the gap of 1.
int certain_rows(const std::vector<Real>& observed_probability);

// The end of a category estimate once its rows' probabilities are known: SEPARATION when the
// fit did not converge and rows have the probability of their outcome at 1 (`observed` by row),
// else the covariance, or SINGULAR with the parameter not identified in `bad`. False when the
// estimate ends there.
template <class Estimate>
bool take_covariance(Estimate& e, const MaximizeResult& fit, const ChoiceControl& control,
                     const std::vector<Real>& observed, int& bad) {
    if (e.end != CategoryFitEnd::CONVERGED && (e.certain = certain_rows(observed)) > 0) {
        e.end = CategoryFitEnd::SEPARATION;
        return false;
    }
    bad = -1;
    if (e.end == CategoryFitEnd::SINGULAR ||
        !category_covariance(fit, control.sandwich, e.cov, bad)) {
        e.end = CategoryFitEnd::SINGULAR;
        if (bad < 0) bad = fit.dependent_parameter;
        return false;
    }
    return true;
}

} // namespace tarvex
