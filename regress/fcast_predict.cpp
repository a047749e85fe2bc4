// YHAT: predictions and forecast standard errors observation by observation.
#include "regress/fcast_predict.hpp"

#include "interp/run.hpp"
#include "numeric/qmath.hpp"
#include "regress/fcast_model.hpp"

#include <map>

namespace tarvex {

namespace {

// A variable read by observation number; the missing-value code outside its length.
struct Series {
    VarInfo info;
    bool ok = false;
    Series(Run& run, int ref) { ok = ref > 0 && reference_exists(run, ref) && VINFO(run, ref, info); }
    Real at(Run& run, long long t) const {
        if (!ok || t < 1 || t > info.length) return run.ws.XMISS;
        return element(run, info, t);
    }
};

bool is_lagged_dependent(const FcastModel& m, const OlsTerm& t) {
    return t.kind == TermKind::VARIABLE && t.ref == m.dep_ref && m.dep_lag == 0 && t.lag >= 1;
}

// Moving-average weights psi_0 .. psi_(count-1) of y_t = sum phi_L y_(t-L) + e_t.
std::vector<Real> psi_weights(const std::map<int, Real>& phi, int count) {
    std::vector<Real> psi(std::size_t(count > 0 ? count : 1), Real(0));
    psi[0] = 1;
    for (int j = 1; j < count; ++j)
        for (const auto& [lag, coef] : phi)
            if (j - lag >= 0) psi[j] += coef * psi[j - lag];
    return psi;
}

} // namespace

bool has_lagged_dependent(const FcastModel& model) {
    for (const OlsTerm& t : model.terms)
        if (is_lagged_dependent(model, t)) return true;
    return false;
}

Forecast YHAT(Run& run, const FcastModel& model, const FcastSettings& settings) {
    Forecast out;
    out.has_se = model.has_covariance();
    const int k = model.k();
    const Real xmiss = run.ws.XMISS;
    const Series dep(run, model.dep_ref);
    std::vector<Series> columns;
    columns.reserve(k);
    for (const OlsTerm& t : model.terms)
        columns.emplace_back(run, t.kind == TermKind::VARIABLE ? t.ref : 0);

    // Lagged dependent terms and their coefficients (psi weights apply when the lagged values
    // enter on the scale of the explained variable).
    std::map<int, Real> phi;
    for (int j = 0; j < k; ++j)
        if (settings.dynamic && is_lagged_dependent(model, model.terms[j]))
            phi[model.terms[j].lag] += model.coef[j];
    const bool same_scale = model.log_dependent == model.log_regressors;
    std::vector<Real> psi;
    if (!phi.empty() && same_scale && !settings.obs.empty())
        psi = psi_weights(phi, settings.obs.back() - settings.dynamic_origin);

    std::map<int, const FcastRow*> by_obs; // forecasts made so far, for the dynamic lags
    out.rows.reserve(settings.obs.size());
    for (int t : settings.obs) {
        FcastRow row;
        row.obs = t;
        const Real y = dep.at(run, (long long)t - model.dep_lag);
        row.known = y != xmiss;
        row.observed = row.known ? y : xmiss;
        row.x.assign(k, 0);
        for (int j = 0; j < k && row.problem == FcastProblem::NONE; ++j) {
            const OlsTerm& term = model.terms[j];
            if (term.kind == TermKind::INTERCEPT) {
                row.x[j] = 1;
                continue;
            }
            if (term.kind == TermKind::TREND) {
                row.x[j] = t;
                continue;
            }
            const int source = t - term.lag;
            Real v = columns[j].at(run, source);
            if (settings.dynamic && is_lagged_dependent(model, term) && source > settings.dynamic_origin) {
                const auto it = by_obs.find(source);
                v = it != by_obs.end() && it->second->defined ? it->second->predicted : xmiss;
            }
            if (v == xmiss) {
                row.problem = FcastProblem::UNDEFINED;
                break;
            }
            if (model.log_regressors) {
                if (!(v > 0)) {
                    row.problem = FcastProblem::NON_POSITIVE;
                    break;
                }
                v = qm::log(v);
            }
            row.x[j] = v;
        }
        if (row.problem == FcastProblem::NONE) {
            Real xb = 0;
            for (int j = 0; j < k; ++j) xb += model.coef[j] * row.x[j];
            row.predicted = model.log_dependent ? qm::exp(xb) : xb;
            row.defined = finiteq(row.predicted) != 0;
            if (!row.defined) row.problem = FcastProblem::UNDEFINED;
        }
        if (row.defined && out.has_se) {
            Real quad = 0; // x'Vx
            for (int a = 0; a < k; ++a)
                for (int b = 0; b < k; ++b)
                    quad += row.x[a] * model.cov[std::size_t(a) * k + b] * row.x[b];
            const int steps = psi.empty() || t <= settings.dynamic_origin ? 1 : t - settings.dynamic_origin;
            Real spread = 0;
            for (int j = 0; j < steps; ++j) spread += psi.empty() ? Real(1) : psi[j] * psi[j];
            row.se = qm::sqrt(qm::abs(model.sigma * model.sigma * spread + quad));
            if (model.log_dependent) row.se *= row.predicted;
        }
        if (!row.defined) row.predicted = xmiss;
        out.rows.push_back(std::move(row));
        by_obs[t] = &out.rows.back();
    }
    return out;
}

} // namespace tarvex
