// The computation of FCAST: the dynamic origin, YHAT, the notes on observations without a
// prediction and on standard errors, and the accuracy statistics of the known observations.
#include "regress/fcast/fcast_forecast.hpp"

#include "core/run.hpp"
#include "numeric/fortran_format.hpp"
#include "numeric/large_pages.hpp"
#include "regress/fcast/fcast_model.hpp"
#include "regress/fcast/fcast_options.hpp"
#include "regress/fcast/fcast_report.hpp"

#include <algorithm>

namespace tarvex {

FcastResult compute_forecast(Run& run, const FcastModel& model, const FcastOptions& o,
                             FcastSettings settings) {
    FcastResult out;
    ReportNotes& notes = out.notes;
    const int beg = settings.obs.empty() ? 0 : settings.obs.front();
    const bool dynamic = o.DYNAMIC && has_lagged_dependent(model);
    settings.dynamic = dynamic;
    settings.keep_regressors = o.LM; // for the heteroskedasticity test of the errors
    if (dynamic) {
        int origin = o.ESTEND_given ? o.ESTEND : model.estimation_end;
        if (origin <= 0) {
            origin = beg - 1;
            notes.add(NotePlace::HEADING, NoteKind::TEXT,
                      " ..ASSUMING ESTIMATION ENDED AT OBSERVATION " + fmt_I(origin, 5));
        }
        settings.dynamic_origin = std::max(origin, beg - 1);
    }
    out.forecast = YHAT(run, model, settings);
    finish_forecast(out);
    // Standard errors.
    if (dynamic)
        notes.add(NotePlace::SOLUTION, NoteKind::TEXT,
                  " IGNORE FORECASTS AND STD. ERRORS BEFORE OBS. " +
                      fmt_I(settings.dynamic_origin + 1, 4));
    return out;
}

void finish_forecast(FcastResult& out) {
    ReportNotes& notes = out.notes;
    const Forecast& f = out.forecast;
    for (const FcastRow& r : f.rows) {
        if (r.problem == FcastProblem::NON_POSITIVE)
            notes.add(NotePlace::DATA, NoteKind::ERROR,
                      " NON-POSITIVE DATA FOUND IN OBSERVATION " + fmt_I(r.obs, 10));
        else if (r.problem == FcastProblem::UNDEFINED)
            notes.add(NotePlace::DATA, NoteKind::ERROR,
                      " ...ERROR..PREDICTED VALUE UNDEFINED FOR OBS. NO." + fmt_I(r.obs, 5));
    }
    // Accuracy over the rows with y known and a prediction.
    std::vector<Real> y, p;
    reserve_large(y, f.rows.size());
    reserve_large(p, f.rows.size());
    for (const FcastRow& r : f.rows)
        if (r.known && r.defined) y.push_back(r.observed), p.push_back(r.predicted);
    out.has_accuracy = !y.empty();
    if (out.has_accuracy) out.accuracy = forecast_accuracy(y, p);
    if (f.has_se) out.rmse = forecast_rmse(f);
}

} // namespace tarvex
