// The binary PROBIT and LOGIT estimator: start, fit, covariance and what the report shows.
#include "regress/choice/binary_choice.hpp"

#include "numeric/qmath.hpp"
#include "regress/fit/coefficient_table.hpp"
#include "regress/fit/ls_bridge.hpp"

#include <algorithm>

namespace tarvex {

namespace {

Real index_at(const ChoiceData& data, const std::vector<Real>& b, std::size_t i) {
    Real z = 0;
    for (std::size_t j = 0; j < data.x.size(); ++j) z = fused_multiply_add(z, data.x[j][i], b[j]);
    return z;
}

ChoiceFit fit_binary(ChoiceLink link, const ChoiceData& data, const std::vector<Real>& start,
                     const ChoiceControl& control) {
    const int k = static_cast<int>(data.x.size());
    return maximize_rows(data.y.size(), k, start, control,
                         [&](std::size_t i, const std::vector<Real>& b, PassSums& s, Real* v,
                             Real* scratch) {
                             Real z = 0;
                             for (int j = 0; j < k; ++j) {
                                 v[j] = data.x[std::size_t(j)][i];
                                 z = fused_multiply_add(z, v[j], b[std::size_t(j)]);
                             }
                             const bool one = data.y[i] != 0;
                             const LinkTerms t = link_terms(link, one ? z : -z);
                             s.add(t.log_f, one ? t.score : -t.score, t.weight, v, scratch);
                             return finiteq(t.log_f) != 0;
                         });
}

// Intercept at F^-1(share of ones), slopes 0; all 0 without an intercept.
std::vector<Real> simple_start(ChoiceLink link, const ChoiceData& data, Real share) {
    std::vector<Real> start(data.x.size(), Real(0));
    if (data.intercept >= 0)
        start[std::size_t(data.intercept)] =
            link == ChoiceLink::LOGIT ? qm::log(share / (1 - share)) : normal_quantile(share);
    return start;
}

void marginal_effects(ChoiceLink link, const ChoiceData& data, BinaryEstimate& e) {
    const int k = e.k;
    const std::size_t n = data.y.size();
    // At the means: f(z) b_j, d/db_l = f(z) [j = l] + b_j f'(z) xbar_l.
    Real zbar = 0;
    for (int j = 0; j < k; ++j) zbar += e.xbar[std::size_t(j)] * e.coef[std::size_t(j)];
    const Real f = link_density(link, zbar), df = link_density_slope(link, zbar);
    std::vector<Real> g(std::size_t(k) * k, Real(0));
    e.at_means.effect.assign(std::size_t(k), Real(0));
    for (int j = 0; j < k; ++j) {
        e.at_means.effect[std::size_t(j)] = f * e.coef[std::size_t(j)];
        for (int l = 0; l < k; ++l)
            g[std::size_t(j) * k + l] =
                (j == l ? f : Real(0)) + e.coef[std::size_t(j)] * df * e.xbar[std::size_t(l)];
    }
    e.at_means.se = delta_method_se(g, e.cov, k, k);
    // Averages over the rows: mean f(z_i) b_j, d/db_l = mean f(z_i) [j = l] + b_j mean f'(z_i) x_il.
    Real fsum = 0;
    std::vector<Real> dsum(std::size_t(k), Real(0));
    for (std::size_t i = 0; i < n; ++i) {
        const Real z = index_at(data, e.coef, i);
        fsum += link_density(link, z);
        const Real d = link_density_slope(link, z);
        for (int l = 0; l < k; ++l) dsum[std::size_t(l)] += d * data.x[std::size_t(l)][i];
    }
    const Real fbar = fsum / Real(n);
    e.average.effect.assign(std::size_t(k), Real(0));
    for (int j = 0; j < k; ++j) {
        e.average.effect[std::size_t(j)] = fbar * e.coef[std::size_t(j)];
        for (int l = 0; l < k; ++l)
            g[std::size_t(j) * k + l] = (j == l ? fbar : Real(0)) +
                                        e.coef[std::size_t(j)] * dsum[std::size_t(l)] / Real(n);
    }
    e.average.se = delta_method_se(g, e.cov, k, k);
    if (data.intercept >= 0) {
        for (MarginalEffects* m : {&e.at_means, &e.average})
            m->effect[std::size_t(data.intercept)] = m->se[std::size_t(data.intercept)] = 0;
    }
}

} // namespace

BinaryEstimate estimate_binary(ChoiceLink link, const ChoiceData& data,
                               const ChoiceControl& control) {
    BinaryEstimate e;
    const std::size_t n = data.y.size();
    const int k = static_cast<int>(data.x.size());
    e.n = static_cast<int>(n);
    e.k = k;
    for (Real y : data.y) e.ones += y != 0;
    const Real share = Real(e.ones) / Real(e.n);
    const bool intercept = data.intercept >= 0;
    e.llf0 = intercept ? Real(e.ones) * qm::log(share) + Real(e.n - e.ones) * qm::log(1 - share)
                       : Real(e.n) * qm::log(Real(0.5Q));
    if (intercept) {
        e.separation = regressor_separation(data);
        if (e.separation.found) {
            e.end = ChoiceEnd::SEPARATED;
            return e;
        }
    }

    std::vector<Real> start = simple_start(link, data, share);
    if (n > SUBSAMPLE_ABOVE) {
        const ChoiceData part = data_rows(data, evenly_spaced_rows(n, SUBSAMPLE_ROWS));
        const ChoiceFit first = fit_binary(link, part, start, control);
        if (first.end == ChoiceEnd::CONVERGED) {
            start = first.theta;
            e.subsample_n = static_cast<int>(part.y.size());
        }
    }
    ChoiceFit fit = fit_binary(link, data, start, control);
    e.iterations = fit.iterations;
    e.history = fit.history;
    e.history_llf = fit.history_llf;
    if (fit.end == ChoiceEnd::UNDEFINED || fit.end == ChoiceEnd::SINGULAR) {
        e.end = fit.end;
        e.bad_column = fit.bad_parameter;
        return e;
    }
    e.end = fit.end;
    e.coef = fit.theta;
    e.llf = fit.llf;

    // Rows' terms at the last iterate: probabilities, residuals, the prediction table.
    e.probability.resize(n);
    e.residual.resize(n);
    std::vector<Real> log_terms(n);
    for (std::size_t i = 0; i < n; ++i) {
        const Real z = index_at(data, e.coef, i);
        const bool one = data.y[i] != 0;
        const LinkTerms t = link_terms(link, one ? z : -z);
        log_terms[i] = t.log_f;
        e.probability[i] = link_cdf(link, z);
        e.residual[i] = one ? t.score : -t.score;
        const bool predicted_one = e.probability[i] >= Real(0.5Q);
        ++e.table[one][predicted_one];
    }
    if (e.end != ChoiceEnd::CONVERGED) {
        Separation s = fitted_separation(log_terms, fit.history, data.intercept);
        if (s.found) {
            e.separation = std::move(s);
            e.end = ChoiceEnd::SEPARATED;
            return e;
        }
    }
    int bad = -1;
    if (!choice_covariance(fit, k, control.sandwich, e.cov, bad)) {
        e.end = ChoiceEnd::SINGULAR;
        e.bad_column = bad;
        return e;
    }
    standard_errors_and_ratios(e.coef, e.cov, e.se, e.tstat);
    e.lr = 2 * (e.llf - e.llf0);
    e.lr_df = k - (intercept ? 1 : 0);
    e.lr_pvalue = e.lr_df > 0 ? chi2_tail(e.lr > 0 ? e.lr : Real(0), e.lr_df) : Real(1);
    e.r2_mcfadden = 1 - e.llf / e.llf0;
    e.r2_cox_snell = 1 - qm::exp(2 * (e.llf0 - e.llf) / Real(e.n));
    e.r2_nagelkerke = e.r2_cox_snell / (1 - qm::exp(2 * e.llf0 / Real(e.n)));
    e.percent_correct = 100 * Real(e.table[0][0] + e.table[1][1]) / Real(e.n);
    e.xbar.assign(std::size_t(k), Real(0));
    for (int j = 0; j < k; ++j) {
        Real s = 0;
        for (Real v : data.x[std::size_t(j)]) s += v;
        e.xbar[std::size_t(j)] = s / Real(e.n);
    }
    marginal_effects(link, data, e);
    return e;
}

} // namespace tarvex
