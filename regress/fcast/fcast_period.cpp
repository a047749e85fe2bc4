// The in-sample forecast of the period-effects models of POOL.
#include "regress/fcast/fcast_period.hpp"

#include "core/error_report.hpp"
#include "core/run.hpp"
#include "numeric/fortran_format.hpp"
#include "regress/fcast/fcast_model.hpp"
#include "regress/fcast/fcast_predict.hpp"
#include "regress/fit/forecast_parts.hpp"

#include <algorithm>

namespace tarvex {

namespace {

// The place of observation t among the model's observations; -1 when not one of them.
long period_row_of(const FcastModel& m, int t) {
    const auto at = std::lower_bound(m.period_obs.begin(), m.period_obs.end(), t);
    return at == m.period_obs.end() || *at != t ? -1 : long(at - m.period_obs.begin());
}

} // namespace

bool period_fcast_model(Run& run, FcastModel& model) {
    const PanelPart* panel = model_part<PanelPart>(run.last_estimation);
    if (panel == nullptr || !panel->period) return false;
    model.period_effects = true;
    model.period_obs = panel->observations;
    model.period_row_effects = panel->row_effects;
    model.cov.clear(); // the effects' variances are not carried: no standard errors
    return true;
}

bool period_effects_cover(Run& run, const FcastModel& model, const std::vector<int>& obs) {
    for (int t : obs)
        if (period_row_of(model, t) < 0) {
            report_error(run,
                         " ...ERROR..OBSERVATION" + fmt_I(t, 10) +
                             " HAS NO PERIOD EFFECT: FCAST AFTER PERIOD EFFECTS FORECASTS THE "
                             "OBSERVATIONS ESTIMATED ON",
                         ERR_FCAST_NOT_FORECAST);
            return false;
        }
    return true;
}

void add_period_effects(const FcastModel& model, Forecast& forecast) {
    for (FcastRow& r : forecast.rows) {
        const long row = period_row_of(model, r.obs);
        if (!r.defined || row < 0) continue;
        r.predicted += model.period_row_effects[std::size_t(row)];
        if (r.known) r.error = r.observed - r.predicted;
    }
}

} // namespace tarvex
