// The forecasts of a regression with ARIMA errors over FCAST's range.
#include "regress/fcast/fcast_state.hpp"

#include "core/run.hpp"
#include "regress/fcast/fcast_model.hpp"
#include "workspace/workspace.hpp"

namespace tarvex {

FcastResult state_forecast(Run& run, const FcastModel& model, const StateForecastPart& part,
                           const FcastSettings& settings) {
    FcastResult out;
    Forecast& f = out.forecast;
    f.k = model.k();
    f.has_se = true;
    if (settings.obs.empty()) return out;
    std::vector<Real> noise, se;
    part.noise_forecast(settings.obs.back() - part.last, noise, se);
    const Real xmiss = run.ws.XMISS;
    const SeriesReader y(run, model.dep_ref);
    std::vector<SeriesReader> x;
    for (const OlsTerm& t : model.terms) x.emplace_back(run, t.ref);
    for (int t : settings.obs) {
        FcastRow row;
        row.obs = t;
        const std::size_t h = std::size_t(t - part.last - 1);
        Real xb = 0;
        bool defined = h < noise.size();
        // Each row's regressor values are kept (the residual statistics' LM test reads them).
        for (std::size_t j = 0; j < model.terms.size(); ++j) {
            const OlsTerm& term = model.terms[j];
            const Real v = term.kind == TermKind::INTERCEPT
                               ? Real(1)
                               : x[j].at(run, (long long)t - term.lag, xmiss);
            f.x.push_back(v);
            if (v == xmiss) defined = false;
            xb += model.coef[j] * v;
        }
        row.defined = defined;
        if (defined) {
            row.predicted = xb + noise[h];
            row.se = se[h];
        } else {
            row.problem = FcastProblem::UNDEFINED;
        }
        const Real observed = y.at(run, (long long)t - model.dep_lag, xmiss);
        row.known = observed != xmiss;
        if (row.known) {
            row.observed = observed;
            if (defined) row.error = observed - row.predicted;
        }
        f.rows.push_back(row);
    }
    finish_forecast(out);
    return out;
}

} // namespace tarvex
