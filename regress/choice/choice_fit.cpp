// The pieces every choice estimator shares around its maximisation: the covariance, the
// delta method, and the subsample that gives the start of a long sample.
#include "regress/choice/choice_fit.hpp"

#include "kernels/exact_gram.hpp"
#include "kernels/long_run_covariance.hpp"
#include "kernels/symmetric_solve.hpp"
#include "numeric/qmath.hpp"

#include <algorithm>

namespace tarvex {

bool choice_covariance(const ChoiceFit& fit, int p, bool sandwich, std::vector<Real>& cov,
                       int& bad) {
    std::vector<Real> minus(fit.hessian), lower;
    for (Real& v : minus) v = -v;
    if (!cholesky_factor(minus, p, lower, bad, Real(1e-32Q))) return false;
    const std::vector<Real> inverse = cholesky_inverse(lower, p);
    cov = sandwich && !fit.opg.empty() ? sandwich_product(inverse, fit.opg, p) : inverse;
    return true;
}

void newton_step_at_end(ChoiceFit& fit, const PassSums& sums) {
    const int k = static_cast<int>(fit.theta.size());
    if (!sums.defined || !finiteq(sums.llf)) return;
    std::vector<Real> minus(fit.hessian), lower;
    for (Real& v : minus) v = -v;
    int bad = -1;
    if (!cholesky_factor(minus, k, lower, bad, Real(1e-32Q))) return;
    const std::vector<Real> step = cholesky_solve(lower, k, sums.gradient);
    LikelihoodPoint at;
    at.llf = sums.llf;
    at.gradient = sums.gradient;
    at.hessian = fit.hessian;
    std::vector<Real> theta(fit.theta);
    for (int j = 0; j < k; ++j) theta[std::size_t(j)] += step[std::size_t(j)];
    fit.llf = sums.llf + quadratic_change(at, fit.theta, theta);
    fit.theta = std::move(theta);
    fit.iterations += 1;
    fit.history.push_back(fit.theta);
    fit.history_llf.push_back(fit.llf);
}

namespace {

std::vector<Real> minus_matrix(const GramMatrix& m) {
    const int p = m.size;
    std::vector<Real> h(std::size_t(p) * p, Real(0));
    if (!m.finite) return h; // an infinite weight: the Hessian is singular as far as the fit goes
    for (int a = 0; a < p; ++a)
        for (int b = 0; b < p; ++b) h[std::size_t(a) * p + b] = -m.at(a, b).hi;
    return h;
}

} // namespace

std::vector<Real> weighted_cross_products(const RowColumns& rows, const std::vector<Real>& root) {
    GramColumns g;
    g.columns = rows.columns;
    g.nobs = rows.n;
    g.row_scale = root.data();
    return minus_matrix(exact_gram(g));
}

std::vector<Real> minus_cross_products(GramAccumulator& sums) {
    return minus_matrix(sums.finish());
}

std::vector<Real> delta_method_se(const std::vector<Real>& g, const std::vector<Real>& v, int m,
                                  int p) {
    std::vector<Real> se(std::size_t(m), Real(0));
    for (int a = 0; a < m; ++a) {
        Real s = 0;
        for (int i = 0; i < p; ++i) {
            Real row = 0; // (V g_a)_i
            for (int j = 0; j < p; ++j)
                row += v[std::size_t(i) * p + j] * g[std::size_t(a) * p + j];
            s += g[std::size_t(a) * p + i] * row;
        }
        se[std::size_t(a)] = s > 0 ? qm::sqrt(s) : Real(0);
    }
    return se;
}

std::vector<std::size_t> evenly_spaced_rows(std::size_t n, std::size_t rows) {
    const std::size_t stride = std::max<std::size_t>(1, n / rows);
    std::vector<std::size_t> keep;
    for (std::size_t i = 0; i < n; i += stride) keep.push_back(i);
    return keep;
}

ChoiceData data_rows(const ChoiceData& data, const std::vector<std::size_t>& keep) {
    ChoiceData part;
    part.intercept = data.intercept;
    part.names = data.names;
    part.dependent = data.dependent;
    const Real* y = data.y_values();
    for (std::size_t i : keep) {
        part.y.push_back(y[i]);
        if (i < data.observations.size()) part.observations.push_back(data.observations[i]);
        if (data.weighted()) part.weight.push_back(data.weight[i]);
    }
    part.x.resize(data.columns());
    for (std::size_t j = 0; j < data.columns(); ++j) {
        const Real* x = data.column(j);
        for (std::size_t i : keep) part.x[j].push_back(x[i]);
    }
    return part;
}

void effect_ratios(MarginalEffects& m) {
    m.ratio.assign(m.effect.size(), Real(0));
    for (std::size_t j = 0; j < m.effect.size() && j < m.se.size(); ++j)
        if (m.se[j] > 0) m.ratio[j] = m.effect[j] / m.se[j];
}

} // namespace tarvex
