// The binary PROBIT and LOGIT estimator: start, fit, covariance and what the report shows.
#include "regress/choice/binary_choice.hpp"

#include "kernels/symmetric_solve.hpp"
#include "numeric/qmath.hpp"
#include "regress/fit/coefficient_table.hpp"
#include "regress/fit/ls_bridge.hpp"

#include <algorithm>

namespace tarvex {

namespace {

// Above this many rows a fit on SUBSAMPLE_ROWS evenly spaced rows gives the start.
constexpr std::size_t SUBSAMPLE_ABOVE = 50000;
constexpr std::size_t SUBSAMPLE_ROWS = 20000;

// The rows `keep` of the data.
ChoiceData rows_of(const ChoiceData& data, const std::vector<std::size_t>& keep) {
    ChoiceData part;
    part.intercept = data.intercept;
    part.names = data.names;
    for (std::size_t i : keep) part.y.push_back(data.y[i]);
    part.x.resize(data.x.size());
    for (std::size_t j = 0; j < data.x.size(); ++j)
        for (std::size_t i : keep) part.x[j].push_back(data.x[j][i]);
    return part;
}

std::vector<std::size_t> evenly_spaced(std::size_t n, std::size_t rows) {
    const std::size_t stride = std::max<std::size_t>(1, n / rows);
    std::vector<std::size_t> keep;
    for (std::size_t i = 0; i < n; i += stride) keep.push_back(i);
    return keep;
}

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

// Delta-method covariance G V G' of effects whose Jacobian is G (k x k row-major); its diagonal.
std::vector<Real> delta_se(const std::vector<Real>& g, const std::vector<Real>& v, int k) {
    std::vector<Real> se(std::size_t(k), Real(0));
    for (int a = 0; a < k; ++a) {
        Real s = 0;
        for (int i = 0; i < k; ++i)
            for (int j = 0; j < k; ++j)
                s += g[std::size_t(a) * k + i] * v[std::size_t(i) * k + j] *
                     g[std::size_t(a) * k + j];
        se[std::size_t(a)] = s > 0 ? qm::sqrt(s) : Real(0);
    }
    return se;
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
    e.at_means.se = delta_se(g, e.cov, k);
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
    e.average.se = delta_se(g, e.cov, k);
    if (data.intercept >= 0) {
        for (MarginalEffects* m : {&e.at_means, &e.average})
            m->effect[std::size_t(data.intercept)] = m->se[std::size_t(data.intercept)] = 0;
    }
}

} // namespace

bool choice_covariance(const ChoiceFit& fit, int p, bool sandwich, std::vector<Real>& cov,
                       int& bad) {
    std::vector<Real> minus(fit.hessian), lower;
    for (Real& v : minus) v = -v;
    if (!cholesky_factor(minus, p, lower, bad, Real(1e-32Q))) return false;
    const std::vector<Real> inverse = cholesky_inverse(lower, p);
    cov = sandwich && !fit.opg.empty() ? sandwich_product(inverse, fit.opg, p) : inverse;
    return true;
}

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
        const ChoiceData part = rows_of(data, evenly_spaced(n, SUBSAMPLE_ROWS));
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
