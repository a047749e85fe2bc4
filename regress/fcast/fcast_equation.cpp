// The forecast rows of a nonlinear equation.
#include "regress/fcast/fcast_equation.hpp"

#include "core/run.hpp"
#include "regress/fcast/fcast_model.hpp"
#include "regress/nonlin/equation_forecast.hpp"
#include "workspace/workspace.hpp"

namespace tarvex {

bool compile_fcast_equation(Run& run, const FcastModel& model, EquationModel& equation) {
    return compile_stored_equation(run, model.parameter_names, model.coef, model.equation,
                                   equation);
}

FcastResult forecast_equation(Run& run, const FcastModel& model, EquationModel& equation,
                              const FcastSettings& settings) {
    FcastResult out;
    Forecast& f = out.forecast;
    f.k = model.k();
    f.has_se = model.has_covariance();
    bind_series(run, equation);
    const EquationPrediction p =
        predict_equation(equation, model.coef, model.cov, model.sigma, settings.obs);
    const SeriesReader dep(run, model.dep_ref);
    f.rows.resize(settings.obs.size());
    for (std::size_t i = 0; i < settings.obs.size(); ++i) {
        FcastRow& row = f.rows[i];
        row.obs = settings.obs[i];
        const Real y = dep.ok() ? dep.at(run, row.obs, run.ws.XMISS) : run.ws.XMISS;
        row.known = dep.ok() && !equal_values(y, run.ws.XMISS);
        row.observed = y;
        row.defined = p.defined[i];
        if (!row.defined) {
            row.problem = FcastProblem::UNDEFINED;
            continue;
        }
        row.predicted = p.predicted[i];
        row.se = p.se[i];
        if (row.known) row.error = y - row.predicted;
    }
    finish_forecast(out);
    return out;
}

} // namespace tarvex
