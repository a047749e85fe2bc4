// The TOBIT estimator over a sample in memory: the fit (tobit_parts.hpp), the clustered
// covariance, the intercept-only fit, the estimates and statistics, and each row's E[y|x] and
// generalised residual.
#include "regress/choice/tobit_estimate.hpp"

#include "kernels/sandwich_covariance.hpp"
#include "numeric/qmath.hpp"
#include "regress/choice/choice_link.hpp"
#include "regress/choice/tobit_parts.hpp"

namespace tarvex {

namespace {

// Each row's score in (g, t), N x (K+1) column after column, at theta: the row term's derivative
// times (x, limit) as the likelihood pass forms it, and 1/t in t for an uncensored row.
std::vector<Real> tobit_row_scores(const TobitStretch& rows, const TobitCensoring& c,
                                   const std::vector<Real>& theta) {
    const std::size_t n = rows.n;
    const std::size_t k = rows.x.size();
    const Real t = theta[k];
    std::vector<Real> scores(n * (k + 1));
    for (std::size_t i = 0; i < n; ++i) {
        Real xg = 0;
        for (std::size_t j = 0; j < k; ++j) xg = fused_multiply_add(xg, rows.x[j][i], theta[j]);
        Real score = 0;
        const TobitSide side = rows.side[i];
        if (side == TobitSide::BETWEEN) {
            score = t * rows.y[i] - xg;
        } else {
            const bool below = side == TobitSide::BELOW;
            const NormalTail tail = normal_tail(below ? t * c.lower - xg : xg - t * c.upper);
            score = below ? -tail.ratio : tail.ratio;
        }
        for (std::size_t j = 0; j < k; ++j) scores[j * n + i] = score * rows.x[j][i];
        scores[k * n + i] = score * rows.limit[i] + (side == TobitSide::BETWEEN ? 1 / t : Real(0));
    }
    return scores;
}

} // namespace

Real tobit_uncensored(Real z, Real sigma, const TobitCensoring& c) {
    const Real below = c.below ? normal_cdf((c.lower - z) / sigma) : Real(0);
    const Real above = c.above ? normal_cdf((z - c.upper) / sigma) : Real(0);
    return 1 - below - above;
}

Real tobit_expected(Real z, Real sigma, const TobitCensoring& c) {
    // L Phi(a) + U (1 - Phi(b)) + z (Phi(b) - Phi(a)) + sigma (phi(a) - phi(b)); Phi(a) is
    // formed once and serves both the probability and the term in L.
    const Real a = c.below ? (c.lower - z) / sigma : Real(0);
    const Real cdf_a = c.below ? normal_cdf(a) : Real(0);
    const Real above = c.above ? normal_cdf((z - c.upper) / sigma) : Real(0);
    Real e = z * (1 - cdf_a - above);
    if (c.below) e += c.lower * cdf_a + sigma * normal_density(a);
    if (c.above) {
        const Real b = (c.upper - z) / sigma;
        e += c.upper * normal_cdf(-b) - sigma * normal_density(b);
    }
    return e;
}

TobitEstimate estimate_tobit(const ChoiceData& data, const TobitCensoring& censoring,
                             const ChoiceControl& control) {
    TobitEstimate e;
    const std::size_t n = data.y.size();
    const int k = static_cast<int>(data.x.size()), p = k + 1;
    e.n = static_cast<int>(n);
    e.k = k;
    TobitMemorySource source(data, censoring);
    const TobitTotals& totals = source.totals();
    e.n_below = static_cast<int>(totals.below);
    e.n_above = static_cast<int>(totals.above);
    e.n_between = e.n - e.n_below - e.n_above;
    bool unused_every_row = false; // a sample in memory gives every row
    const ChoiceFit fit = fit_tobit_source(source, censoring, control, e.subsample_n,
                                           e.double_iterations, unused_every_row);
    e.iterations = fit.iterations;
    e.end = fit.end;
    e.bad_column = fit.bad_parameter;
    if (fit.end == ChoiceEnd::UNDEFINED || fit.end == ChoiceEnd::SINGULAR ||
        fit.end == ChoiceEnd::EXACT_FIT)
        return e;
    tobit_history(fit, e);
    std::vector<Real> v;
    if (!choice_covariance(fit, p, control.sandwich, v, e.bad_column)) {
        e.end = ChoiceEnd::SINGULAR;
        return e;
    }
    // CLUSTER: the sandwich in (g, t), -H^-1 the bread; then to (b, sigma) as the others.
    if (control.covariance.clustered()) {
        const int groups = control.clusters.groups;
        v = clustered_covariance(tobit_row_scores(source.stretch(), censoring, fit.theta), e.n, p,
                                 control.clusters.group, groups, v,
                                 cluster_factor(control.covariance, groups, e.n, p));
    }

    // The intercept alone: the likelihood-ratio test of the slopes.
    bool has_llf0 = false;
    Real llf0 = 0;
    if (data.intercept >= 0 && k > 1) {
        ChoiceData alone;
        alone.y = data.y;
        alone.x = {std::vector<Real>(n, Real(1))};
        alone.intercept = 0;
        alone.weight = data.weight;
        TobitMemorySource alone_source(alone, censoring);
        int unused_n = 0, unused_double = 0;
        const ChoiceFit f0 = fit_tobit_source(alone_source, censoring, control, unused_n,
                                              unused_double, unused_every_row);
        has_llf0 = f0.end == ChoiceEnd::CONVERGED;
        llf0 = f0.llf;
    }
    describe_tobit(fit, v, totals, has_llf0, llf0, data.intercept, censoring, e);

    // By row: E[y|x] and the generalised residual.
    EstimationResults& r = e.result.record;
    const Real sigma = r.sigma;
    r.predicted.resize(n);
    r.residuals.resize(n);
    // z = x'b as the chain of fused multiply-adds from 0 in column order, column by column.
    const std::vector<const Real*>& columns = source.stretch().x;
    for_each_chunk(n, [&](std::size_t, std::size_t begin, std::size_t end) {
        std::vector<Real> index(end - begin, Real(0));
        if (k > 0) chunk_index(columns, r.coef, begin, end - begin, index.data());
        for (std::size_t i = begin; i < end; ++i) {
            const Real z = index[i - begin];
            r.predicted[i] = tobit_expected(z, sigma, censoring);
            switch (source.stretch().side[i]) {
            case TobitSide::BETWEEN:
                r.residuals[i] = (data.y[i] - z) / sigma;
                break;
            case TobitSide::BELOW:
                r.residuals[i] = -normal_tail((censoring.lower - z) / sigma).ratio;
                break;
            case TobitSide::ABOVE:
                r.residuals[i] = normal_tail((z - censoring.upper) / sigma).ratio;
                break;
            }
        }
    });
    return e;
}

} // namespace tarvex
