// The multinomial logit's maximum likelihood: the categories, the start at the intercepts-only
// fit, one pass over the rows per evaluation for the log-likelihood, gradient and Hessian, the
// covariance, the tests and the fitted probabilities.
#include "regress/choice/multinomial_logit.hpp"

#include "numeric/fast_exp.hpp"
#include "numeric/fast_log.hpp"
#include "numeric/qmath.hpp"
#include "regress/choice/choice_row_sums.hpp"

namespace tarvex {

namespace {

// The probabilities of outcomes 0..J at row i (x_i in `xi`), by log-sum-exp; returns log P of
// outcome `observed`. `eta` is scratch of J values.
Real mnl_row(const std::vector<Real>& theta, const Real* xi, int outcomes, int k, int observed,
             Real* eta, Real* prob) {
    const int j_count = outcomes - 1;
    Real top = 0;
    for (int j = 0; j < j_count; ++j) {
        const Real* b = &theta[std::size_t(j) * k];
        Real s = 0;
        for (int a = 0; a < k; ++a) s += xi[a] * b[a];
        eta[j] = s;
        if (s > top) top = s;
    }
    prob[0] = fast_exp(-top);
    Real total = prob[0];
    for (int j = 0; j < j_count; ++j) total += prob[j + 1] = fast_exp(eta[j] - top);
    const Real inverse = 1 / total;
    for (int j = 0; j < outcomes; ++j) prob[j] *= inverse;
    return (observed == 0 ? Real(0) : eta[observed - 1]) - top - fast_log(total);
}

} // namespace

MultinomialEstimate estimate_multinomial_logit(const ChoiceData& data,
                                               const ChoiceControl& control) {
    MultinomialEstimate e;
    const std::size_t n = data.y.size();
    const int k = static_cast<int>(data.x.size());
    e.k = k;
    const OutcomeCategories cats = take_outcome_categories(data.y, true, e);
    if (cats.end != ChoiceEnd::CONVERGED) return e;
    weigh_outcomes(e, cats.category, data);
    const int outcomes = e.outcomes(), j_count = outcomes - 1;
    const int p = j_count * k;
    e.bad_column = first_dependent_column(data.x, n);
    if (e.bad_column >= 0) {
        e.end = ChoiceEnd::SINGULAR;
        return e;
    }

    // The regressors row by row, for the one pass over the rows.
    std::vector<Real> rows(n * std::size_t(k));
    for (std::size_t i = 0; i < n; ++i)
        for (int a = 0; a < k; ++a) rows[i * k + a] = data.x[std::size_t(a)][i];
    const std::vector<int>& category = cats.category;

    // Start: the intercepts-only fit, log(n_j / n_0) for outcome j, when there is an intercept.
    std::vector<Real> start(std::size_t(p), Real(0));
    if (data.intercept >= 0)
        for (int j = 1; j < outcomes; ++j)
            start[std::size_t(j - 1) * k + data.intercept] =
                qm::log(e.outcome_weight(j) / e.outcome_weight(0));

    LikelihoodEvaluate evaluate = [&](const std::vector<Real>& theta, const LikelihoodNeeds& needs,
                                      LikelihoodPoint& point, int& failed_row) {
        auto add_rows = [&](std::size_t begin, std::size_t end, ChoiceRowSums& s) {
            std::vector<Real> eta(std::size_t(j_count) + 1, Real(0));
            std::vector<Real> prob(std::size_t(outcomes), Real(0)), g(std::size_t(p), Real(0));
            std::vector<Real> h(std::size_t(j_count) * j_count, Real(0));
            for (std::size_t i = begin; i < end; ++i) {
                const Real* xi = rows.data() + i * k;
                const int c = category[i];
                const Real l = mnl_row(theta, xi, outcomes, k, c, eta.data(), prob.data());
                if (!finiteq(l)) {
                    s.failed_row = static_cast<int>(i);
                    return;
                }
                // A row of frequency weight w counts as w rows (w = 1 leaves every term as is).
                const Real w = data.weight_of(i);
                s.llf += w * l;
                if (s.gradient.empty()) continue;
                // d log L / d b_j = (d_j - p_j) x.
                for (int j = 0; j < j_count; ++j) {
                    const Real r = (c == j + 1 ? Real(1) : Real(0)) - prob[std::size_t(j) + 1];
                    for (int a = 0; a < k; ++a) {
                        const std::size_t at = std::size_t(j) * k + a;
                        g[at] = r * xi[a];
                        s.gradient[at] += w * g[at];
                    }
                }
                if (!s.opg.empty()) add_outer_upper(s.opg, g, w);
                if (s.hessian.empty()) continue;
                // Block (j, l), j <= l: -p_j (d_jl - p_l) x x'; the upper triangle only.
                for (int j = 0; j < j_count; ++j)
                    for (int m = j; m < j_count; ++m)
                        h[std::size_t(j) * j_count + m] =
                            w * prob[std::size_t(j) + 1] *
                            ((j == m ? Real(1) : Real(0)) - prob[std::size_t(m) + 1]);
                for (int a = 0; a < k; ++a) {
                    for (int b = 0; b < k; ++b) {
                        const Real xx = xi[a] * xi[b];
                        for (int j = 0; j < j_count; ++j) {
                            Real* row = &s.hessian[(std::size_t(j) * k + a) * p];
                            if (b >= a)
                                row[std::size_t(j) * k + b] -= h[std::size_t(j) * j_count + j] * xx;
                            for (int m = j + 1; m < j_count; ++m)
                                row[std::size_t(m) * k + b] -= h[std::size_t(j) * j_count + m] * xx;
                        }
                    }
                }
            }
        };
        return sum_choice_rows(n, p, needs, add_rows, point, failed_row, control.interrupt);
    };
    const MaximizeResult fit =
        maximize_likelihood(start, evaluate, maximize_control(control), true);
    if (!take_maximization(e, fit, control)) return e;

    // The fitted probabilities at the estimates (the last iterate when the fit stopped early).
    e.probability.assign(std::size_t(outcomes), std::vector<Real>(n));
    std::vector<Real> eta(std::size_t(j_count) + 1, Real(0)), prob(std::size_t(outcomes), Real(0));
    for (std::size_t i = 0; i < n; ++i) {
        mnl_row(fit.parameters, rows.data() + i * k, outcomes, k, category[i], eta.data(),
                prob.data());
        for (int j = 0; j < outcomes; ++j) e.probability[std::size_t(j)][i] = prob[std::size_t(j)];
    }
    int bad = -1;
    std::vector<Real> cov;
    if (!take_covariance(e, fit, control, category, cov, bad)) {
        if (e.end != ChoiceEnd::SINGULAR) return e;
        e.bad_outcome = bad >= 0 ? bad / k + 1 : -1;
        e.bad_column = bad >= 0 ? bad % k : -1;
        return e;
    }
    const bool intercept = data.intercept >= 0;
    e.constants =
        constants_test(intercept ? "INTERCEPTS ONLY" : "EQUAL PROBABILITIES",
                       intercept ? "THE SLOPES" : "ALL COEFFICIENTS", fit.at_maximum.llf,
                       intercept ? shares_llf(e) : -e.total_weight() * qm::log(Real(outcomes)),
                       intercept ? j_count * (k - 1) : p);
    fill_category_result(e, fit, std::move(cov), intercept, "MULTINOMIAL LOGIT");
    return e;
}

} // namespace tarvex
