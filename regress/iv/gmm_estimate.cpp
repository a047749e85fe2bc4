// Linear GMM: two-stage least squares first (the checks of the equation and the cross
// products), then the weighted steps, the covariance and Hansen's J.
#include "regress/iv/gmm_estimate.hpp"

#include "core/result_scalars.hpp"
#include "kernels/gram_residuals.hpp"
#include "numeric/qmath.hpp"
#include "regress/fit/coefficient_table.hpp"
#include "regress/fit/ls_bridge.hpp"
#include "regress/iv/gmm_algebra.hpp"
#include "regress/iv/iv_robust.hpp"

namespace tarvex {

namespace {

struct GmmResiduals {
    bool finite = false;
    Real sse = 0;
    std::vector<Real> resid, fitted; // at the rows' positions
};

// y - Xb and Xb, one pass over the data.
GmmResiduals gmm_residuals(const IvData& data, const std::vector<Real>& coef) {
    GramColumns structural;
    structural.nobs = data.n;
    structural.rows = data.rows;
    for (int c : data.regressors) structural.columns.push_back(data.columns[c]);
    structural.columns.push_back(data.y);
    std::vector<Wide> coef_wide;
    for (Real b : coef) coef_wide.push_back(wide(b));
    const std::size_t length = data.rows != nullptr ? data.span : data.n;
    GmmResiduals u;
    u.resid.assign(length, Real(0));
    u.fitted.assign(length, Real(0));
    const ResidualSums sums =
        gram_residuals(structural, coef_wide, u.resid.data(), u.fitted.data());
    u.finite = sums.finite;
    u.sse = sums.sse;
    return u;
}

// The record of the estimate: coefficients, covariance, inference, residuals and the fit.
void fill_gmm_record(const IvData& data, const GmmSolution& sol, std::vector<Real> cov,
                     GmmResiduals& u, GmmEstimate& e) {
    const IvEstimate& f = e.first;
    EstimationResults& r = e.result.record;
    const int n = f.n, k = f.k;
    r.n = n, r.k = k, r.df = n - k;
    r.coef = sol.coef;
    r.cov = std::move(cov);
    r.asymptotic = true;
    r.sse = u.sse;
    e.sigma2 = r.sse / (n - k);
    r.sigma = qm::sqrt(e.sigma2);
    // FCAST's standard errors take sigma**2 times this: the GMM covariance itself.
    r.xtx_inv.resize(r.cov.size());
    for (std::size_t i = 0; i < r.cov.size(); ++i)
        r.xtx_inv[i] = e.sigma2 > 0 ? r.cov[i] / e.sigma2 : Real(0);
    if (data.rows != nullptr) {
        r.residuals.resize(data.n);
        r.predicted.resize(data.n);
        for (std::size_t i = 0; i < data.n; ++i) {
            r.residuals[i] = u.resid[data.rows[i]];
            r.predicted[i] = u.fitted[data.rows[i]];
        }
    } else {
        r.residuals = std::move(u.resid);
        r.predicted = std::move(u.fitted);
    }
    standard_errors_and_ratios(r.coef, r.cov, r.stderrs, r.tratios);
    infer_coefficients(e.result);
    const EstimationResults& start = f.result.record;
    r.sst = start.sst;
    r.intercept = f.centred;
    e.centred = f.centred;
    e.ymean = f.ymean;
    r.rsqr = r.sst > 0 ? 1 - r.sse / r.sst : Real(0);
    e.adjr2 = 1 - (1 - r.rsqr) * (n - (e.centred ? 1 : 0)) / (n - k);
}

} // namespace

void store_gmm_statistics(ModelResult& m, const IvStatistic& j, Real sigma2, Real adjr2) {
    if (j.available)
        m.add_statistic(NamedStatistic{"HANSEN J", j.value, StatisticLaw::CHI_SQUARE, Real(j.df1),
                                       0, true, j.pvalue});
    m.set_size_scalars();
    m.set_fit_scalars(sigma2, adjr2);
    m.set_scalar(R_SST, m.record.sst);
    if (j.available) {
        m.set_scalar(R_CHI, j.value);
        m.set_scalar(R_DF1, j.df1);
        m.set_scalar(R_PVAL, j.pvalue);
    }
}

GmmEstimate estimate_gmm(const IvData& data, const GmmControl& control) {
    GmmEstimate e;
    e.first = estimate_iv(data, IvControl{});
    if (e.first.end != IvEnd::OK) {
        e.end = GmmEnd::FIRST_STEP;
        return e;
    }
    const IvEstimate& f = e.first;
    const int k = f.k, l = f.l;
    const GmmMoments m = gmm_moments(f.gram, f.x_columns, l);
    const int lags = control.weight == GmmWeight::WHITE ? 0 : control.lags;
    auto moment_covariance = [&data, lags](const std::vector<Real>& resid) {
        return weighted_instrument_products(data, resid, lags);
    };

    // The first step: the identity weight, or (Z'Z)**-1.
    GmmSolution sol = control.weight == GmmWeight::IDENTITY
                          ? gmm_identity_solution(m)
                          : gmm_inverse_solution(m, instrument_products(f.gram, l));
    if (!sol.ok) {
        e.end = GmmEnd::WEIGHT_SINGULAR;
        return e;
    }
    GmmResiduals u = gmm_residuals(data, sol.coef);
    if (!u.finite) {
        e.end = GmmEnd::NON_FINITE;
        return e;
    }

    // The weighted steps, W = S(b)**-1 from the estimate before.
    const bool efficient = control.weight != GmmWeight::IDENTITY && control.steps != GmmSteps::ONE;
    // An equation that fits exactly leaves residuals of rounding noise, and S of them is no
    // weight: singular to the working precision.
    if (efficient && f.exact_fit) {
        e.end = GmmEnd::WEIGHT_SINGULAR;
        return e;
    }
    if (efficient) {
        const bool iterate = control.steps == GmmSteps::ITERATE;
        const int limit = iterate ? control.max_iterations : 1;
        e.converged = !iterate;
        for (int step = 0; step < limit; ++step) {
            GmmSolution next = gmm_inverse_solution(m, moment_covariance(u.resid));
            if (!next.ok) {
                e.end = GmmEnd::WEIGHT_SINGULAR;
                return e;
            }
            ++e.weighted_steps;
            Real change = 0, size = 0;
            for (int a = 0; a < k; ++a) {
                const Real d = next.coef[a] - sol.coef[a];
                change += d * d;
                size += sol.coef[a] * sol.coef[a];
            }
            sol = std::move(next);
            u = gmm_residuals(data, sol.coef);
            if (!u.finite) {
                e.end = GmmEnd::NON_FINITE;
                return e;
            }
            if (iterate && change <= control.converge * control.converge * size) {
                e.converged = true;
                break;
            }
        }
    }

    // The covariance with S at the final estimate.
    const std::vector<Real> s = moment_covariance(u.resid);
    std::vector<Real> cov;
    if (efficient) {
        const GmmSolution at_final = gmm_inverse_solution(m, s);
        if (!at_final.ok) {
            e.end = GmmEnd::WEIGHT_SINGULAR;
            return e;
        }
        cov = at_final.bread;
    } else {
        cov = gmm_sandwich(sol, s, l, k);
    }
    if (efficient && l > k) {
        e.j.value = sol.criterion < 0 ? Real(0) : sol.criterion;
        e.j.df1 = l - k;
        e.j.pvalue = chi2_tail(e.j.value, e.j.df1);
        e.j.available = true;
    }
    fill_gmm_record(data, sol, std::move(cov), u, e);
    store_gmm_statistics(e.result, e.j, e.sigma2, e.adjr2);
    return e;
}

} // namespace tarvex
