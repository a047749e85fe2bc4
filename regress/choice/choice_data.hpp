// What PROBIT, LOGIT and TOBIT hand to their estimators: the dependent variable and the regressor
// columns over the observations in the sample, with the regressor names the reports print, and
// the controls of the maximisation; and how an estimation ended. The estimators never see the
// run.
#pragma once

#include "kernels/maximize_likelihood.hpp"
#include "numeric/qmath.hpp"
#include "numeric/real.hpp"
#include "regress/fit/covariance_choice.hpp"

#include <cstddef>
#include <string>
#include <vector>

namespace tarvex {

struct ChoiceData {
    std::vector<Real> y;              // N values of the dependent variable
    std::vector<std::vector<Real>> x; // K columns of N values
    std::vector<std::string> names;   // K regressor names, as the coefficient table prints them
    std::vector<int> observations; // N observation numbers (1-based), for messages that name rows
    int intercept = -1;            // the column of x that is the intercept; -1 when none
    std::string dependent;         // the dependent variable's name
    // N frequency weights, each above 0: row i counts as weight[i] rows in every sum of the
    // likelihood and of the statistics at the means. Empty: every row once.
    std::vector<Real> weight;

    // Binary PROBIT and LOGIT on a sample that is one stretch of plain series, no row dropped
    // and no weight, read the rows where they lie in the work area, which outlives the
    // estimate: `y_at` then points at the N values of y and x_at[j] at those of column j (null
    // for the intercept, whose values are `ones`), and y and x are left empty. Null `y_at`: the
    // rows are the copies in y and x. Read the rows through rows(), y_values() and column().
    const Real* y_at = nullptr;
    std::vector<const Real*> x_at;
    std::size_t placed_rows = 0;
    std::vector<Real> ones; // N ones when an intercept is read in place

    bool in_place() const { return y_at != nullptr; }
    std::size_t rows() const { return in_place() ? placed_rows : y.size(); }
    std::size_t columns() const { return in_place() ? x_at.size() : x.size(); }
    const Real* y_values() const { return in_place() ? y_at : y.data(); }
    const Real* column(std::size_t j) const {
        if (!in_place()) return x[j].data();
        return x_at[j] != nullptr ? x_at[j] : ones.data();
    }

    bool weighted() const { return !weight.empty(); }
    Real weight_of(std::size_t i) const { return weight.empty() ? Real(1) : weight[i]; }
    // The number of rows the sample stands for: N, or the sum of the weights.
    Real total_weight() const {
        if (weight.empty()) return Real(rows());
        Real total = 0;
        for (Real w : weight) total += w;
        return total;
    }
};

// PROBIT and LOGIT take their first Newton iterations in double only on samples longer than
// this. Below it a fit in binary128 throughout from the subsample start takes well under a
// second, and its report (the subsample start, the iteration count) is the one it always was.
inline constexpr std::size_t DOUBLE_START_ABOVE = 100000;

struct ChoiceControl {
    MaximizeMethod method = MaximizeMethod::NEWTON;
    int max_iterations = 100;
    Real parameter_tolerance = 1e-28Q;
    bool sandwich = false; // H^-1 (sum g_i g_i') H^-1 in place of -H^-1
    // NEWTON: an approximation of the Hessian at the start (a subsample's, scaled to the
    // sample), which takes the first step in place of one formed there; empty: none.
    std::vector<Real> start_hessian;
    InterruptCheck interrupt; // asked between iterations; throws to stop the estimation
    // PROBIT, LOGIT by Newton on a sample longer than `double_start_above` (TOBIT: longer than
    // SUBSAMPLE_ABOVE): the first iterations in double, the last ones in binary128 (false:
    // every iteration in binary128).
    bool double_start = true;
    std::size_t double_start_above = DOUBLE_START_ABOVE;
    // PROBIT, LOGIT, TOBIT: the covariance clustered by these rows' groups in place of -H^-1.
    CovarianceChoice covariance;
    ClusterRows clusters;
};

// TOBIT's censoring: from below at `lower`, from above at `upper`.
struct TobitCensoring {
    bool below = true, above = false;
    Real lower = 0, upper = 0;
};

// How a choice estimation ended.
enum class ChoiceEnd {
    CONVERGED,
    ITERATION_LIMIT, // the last iterate is reported with a warning
    STUCK,           // no step raises the likelihood; the last iterate is reported
    SEPARATED,       // outcomes predicted with certainty: the coefficients diverge
    SINGULAR,        // a coefficient is not identified
    UNDEFINED,       // the likelihood cannot be evaluated at the start
    EXACT_FIT,       // TOBIT: least squares fits y exactly, the likelihood grows as sigma -> 0
    // The multinomial and ordered models' outcomes:
    NOT_INTEGER,        // a value of the dependent variable is not an integer
    EMPTY_CATEGORY,     // multinomial logit: an outcome between 0/1 and the highest unused
    TOO_FEW_CATEGORIES, // fewer distinct outcomes than the model needs
};

// Whether the estimate has coefficients to report (converged, or stopped with a warning).
inline bool choice_reportable(ChoiceEnd end) {
    return end == ChoiceEnd::CONVERGED || end == ChoiceEnd::ITERATION_LIMIT ||
           end == ChoiceEnd::STUCK;
}

// The maximiser's ending as the estimators' own.
inline ChoiceEnd maximize_end(MaximizeStatus status) {
    switch (status) {
    case MaximizeStatus::ITERATION_LIMIT:
        return ChoiceEnd::ITERATION_LIMIT;
    case MaximizeStatus::STUCK:
        return ChoiceEnd::STUCK;
    case MaximizeStatus::UNDEFINED_AT_START:
        return ChoiceEnd::UNDEFINED;
    case MaximizeStatus::SINGULAR:
        return ChoiceEnd::SINGULAR;
    case MaximizeStatus::CONVERGED:
        break;
    }
    return ChoiceEnd::CONVERGED;
}

// The likelihood kernel's controls for a choice estimation.
inline MaximizeControl maximize_control(const ChoiceControl& c) {
    MaximizeControl m;
    m.method = c.method;
    m.max_iterations = c.max_iterations;
    m.parameter_tolerance = c.parameter_tolerance;
    m.start_hessian = c.start_hessian;
    m.interrupt = c.interrupt;
    // Once a step is below the square root of the tolerance, the error after it is below the
    // tolerance: the choice models take it on the quadratic model (their Hessian is kept from
    // 1e-12 on in any case) and need the outer product only for the sandwich.
    m.modeled_step = qm::sqrt(c.parameter_tolerance);
    m.opg_at_maximum = c.sandwich || c.method != MaximizeMethod::NEWTON;
    return m;
}

} // namespace tarvex
