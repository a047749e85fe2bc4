// The steps the multinomial logit and the ordered models share around their maximisation.
#include "regress/choice/category_fit.hpp"

#include "kernels/long_run_covariance.hpp"
#include "kernels/symmetric_solve.hpp"
#include "regress/fit/ls_bridge.hpp"
#include "regress/fit/ols_options.hpp"

namespace tarvex {

CategoryFitEnd outcome_problem_end(OutcomeProblem problem) {
    switch (problem) {
    case OutcomeProblem::NOT_INTEGER:
        return CategoryFitEnd::NOT_INTEGER;
    case OutcomeProblem::NEGATIVE:
        return CategoryFitEnd::NEGATIVE_OUTCOME;
    case OutcomeProblem::EMPTY_CATEGORY:
        return CategoryFitEnd::EMPTY_CATEGORY;
    case OutcomeProblem::TOO_FEW:
        return CategoryFitEnd::TOO_FEW_CATEGORIES;
    case OutcomeProblem::NONE:
        break;
    }
    return CategoryFitEnd::CONVERGED;
}

int first_dependent_column(const std::vector<std::vector<Real>>& columns, std::size_t n,
                           bool& too_few) {
    const int k = static_cast<int>(columns.size());
    too_few = n < std::size_t(k);
    if (k == 0 || too_few) return -1;
    std::vector<Real> x, y(n, Real(0));
    x.reserve(std::size_t(k) * n);
    for (const std::vector<Real>& c : columns) x.insert(x.end(), c.begin(), c.begin() + n);
    const LsSolution s = solve_least_squares(OlsMethod::GS, x, y, static_cast<int>(n), k, 0);
    if (s.dependent_column > 0) return s.dependent_column - 1;
    return s.singular ? 0 : -1;
}

CategoryFitEnd maximize_end(MaximizeStatus status) {
    switch (status) {
    case MaximizeStatus::CONVERGED:
        return CategoryFitEnd::CONVERGED;
    case MaximizeStatus::ITERATION_LIMIT:
        return CategoryFitEnd::ITERATION_LIMIT;
    case MaximizeStatus::STUCK:
        return CategoryFitEnd::STUCK;
    case MaximizeStatus::UNDEFINED_AT_START:
        return CategoryFitEnd::UNDEFINED;
    case MaximizeStatus::SINGULAR:
        return CategoryFitEnd::SINGULAR;
    }
    return CategoryFitEnd::CONVERGED;
}

bool category_covariance(const MaximizeResult& fit, bool sandwich, std::vector<Real>& cov,
                         int& bad) {
    const int p = static_cast<int>(fit.parameters.size());
    std::vector<Real> minus_hessian(fit.at_maximum.hessian), lower;
    for (Real& v : minus_hessian) v = -v;
    if (!cholesky_factor(minus_hessian, p, lower, bad, Real(1e-32Q))) return false;
    const std::vector<Real> inverse = cholesky_inverse(lower, p);
    cov = sandwich ? sandwich_product(inverse, fit.at_maximum.opg, p) : inverse;
    return true;
}

int certain_rows(const std::vector<Real>& observed_probability) {
    int count = 0;
    for (const Real p : observed_probability)
        if (p > 1 - CERTAIN_PROBABILITY_GAP) ++count;
    return count;
}

OutcomeCategories take_outcome_categories(const std::vector<Real>& y, bool numbered,
                                          CategoryEstimate& e) {
    e.n = static_cast<int>(y.size());
    OutcomeCategories cats = sort_outcomes(y, numbered, 2);
    if (cats.problem != OutcomeProblem::NONE) {
        e.end = outcome_problem_end(cats.problem);
        e.bad_row = cats.row;
        e.bad_value = cats.value;
    } else {
        e.values = cats.values;
        e.counts = cats.counts;
    }
    return cats;
}

} // namespace tarvex
