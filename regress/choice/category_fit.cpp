// The steps the multinomial logit and the ordered models share around their maximisation.
#include "regress/choice/category_fit.hpp"

#include "kernels/long_run_covariance.hpp"
#include "kernels/symmetric_solve.hpp"
#include "numeric/qmath.hpp"
#include "regress/fit/ls_bridge.hpp"
#include "regress/fit/ols_options.hpp"

namespace tarvex {

int first_dependent_column(const std::vector<std::vector<Real>>& columns, std::size_t n) {
    const int k = static_cast<int>(columns.size());
    if (k == 0) return -1;
    std::vector<Real> x, y(n, Real(0));
    x.reserve(std::size_t(k) * n);
    for (const std::vector<Real>& c : columns) x.insert(x.end(), c.begin(), c.begin() + n);
    const LsSolution s = solve_least_squares(OlsMethod::GS, x, y, static_cast<int>(n), k, 0);
    if (s.dependent_column > 0) return s.dependent_column - 1;
    return s.singular ? 0 : -1;
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

bool take_maximization(CategoryEstimate& e, const MaximizeResult& fit,
                       const ChoiceControl& control) {
    e.method = control.method;
    e.sandwich = control.sandwich;
    e.iterations = fit.iterations;
    e.history = fit.history;
    e.end = maximize_end(fit.status);
    if (e.end != ChoiceEnd::UNDEFINED) return true;
    e.bad_row = fit.failed_row;
    return false;
}

bool take_covariance(CategoryEstimate& e, const MaximizeResult& fit, const ChoiceControl& control,
                     const std::vector<int>& category, std::vector<Real>& cov, int& bad) {
    const std::size_t n = category.size();
    e.predicted.resize(n);
    int right = 0;
    for (std::size_t i = 0; i < n; ++i) {
        int best = 0;
        for (std::size_t j = 1; j < e.probability.size(); ++j)
            if (e.probability[j][i] > e.probability[std::size_t(best)][i]) best = int(j);
        e.predicted[i] = best;
        right += best == category[i];
        e.certain += e.probability[std::size_t(category[i])][i] > 1 - CERTAIN_PROBABILITY_GAP;
    }
    e.percent_correct = n > 0 ? Real(100) * right / Real(e.n) : Real(0);
    if (e.end != ChoiceEnd::CONVERGED && e.certain > 0) {
        e.end = ChoiceEnd::SEPARATED;
        return false;
    }
    bad = -1;
    if (e.end == ChoiceEnd::SINGULAR || !category_covariance(fit, control.sandwich, cov, bad)) {
        e.end = ChoiceEnd::SINGULAR;
        if (bad < 0) bad = fit.dependent_parameter;
        return false;
    }
    return true;
}

Real shares_llf(const CategoryEstimate& e) {
    Real llf = 0;
    const Real total = e.total_weight();
    for (std::size_t j = 0; j < e.counts.size(); ++j) {
        const Real count = e.outcome_weight(int(j));
        llf += count * qm::log(count / total);
    }
    return llf;
}

void weigh_outcomes(CategoryEstimate& e, const std::vector<int>& category, const ChoiceData& data) {
    if (!data.weighted()) return;
    e.weighted_counts.assign(e.counts.size(), Real(0));
    for (std::size_t i = 0; i < category.size(); ++i)
        e.weighted_counts[std::size_t(category[i])] += data.weight[i];
}

void fill_category_result(CategoryEstimate& e, const MaximizeResult& fit, std::vector<Real> cov,
                          bool intercept, const std::string& model) {
    e.result = choice_model_result(e.n, fit.parameters, std::move(cov), fit.at_maximum.llf);
    EstimationResults& r = e.result.record;
    for (const int c : e.predicted) r.predicted.push_back(e.values[std::size_t(c)]);
    r.intercept = intercept;
    r.not_forecast = model;
    add_constants_test(e.result, e.constants, true);
    add_reported_number(e.result, "PERCENT OF OUTCOMES CORRECTLY PREDICTED", e.percent_correct);
}

OutcomeCategories take_outcome_categories(const std::vector<Real>& y, bool numbered,
                                          CategoryEstimate& e) {
    e.n = static_cast<int>(y.size());
    OutcomeCategories cats = sort_outcomes(y, numbered, 2);
    if (cats.end != ChoiceEnd::CONVERGED) {
        e.end = cats.end;
        e.bad_row = cats.row;
        e.bad_value = cats.value;
    } else {
        e.values = cats.values;
        e.counts = cats.counts;
    }
    return cats;
}

} // namespace tarvex
