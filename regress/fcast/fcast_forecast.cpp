// The computation of FCAST: the dynamic origin, YHAT, the notes on observations without a
// prediction and on standard errors, and the accuracy statistics of the known observations.
#include "regress/fcast/fcast_forecast.hpp"

#include "core/run.hpp"
#include "numeric/fortran_format.hpp"
#include "numeric/qmath.hpp"
#include "regress/fcast/fcast_error_sums.hpp"
#include "regress/fcast/fcast_model.hpp"
#include "regress/fcast/fcast_options.hpp"
#include "regress/fcast/fcast_period.hpp"
#include "regress/fcast/fcast_report.hpp"

#include <algorithm>
#include <map>

namespace tarvex {

namespace {

// BLUP: each prediction x_t'b gains rho_1 e_(t-1) + ... + rho_p e_(t-p), where e_s is the
// regression residual y_s - x_s'b where y_s is known, and its own prediction (the same sum at s)
// where it is not, so that beyond the data the correction dies away as the AR process does.
void add_lagged_residuals(const std::vector<Real>& rho, Forecast& f) {
    std::map<int, Real> residual; // by observation
    for (FcastRow& r : f.rows) {
        if (!r.defined) continue;
        Real correction = 0;
        for (std::size_t i = 0; i < rho.size(); ++i) {
            const auto at = residual.find(r.obs - int(i) - 1);
            if (at != residual.end()) correction += rho[i] * at->second;
        }
        const Real systematic = r.predicted;
        residual[r.obs] = r.known ? r.observed - systematic : correction;
        r.predicted = systematic + correction;
        if (r.known) r.error = r.observed - r.predicted;
    }
}

} // namespace

FcastResult compute_forecast(Run& run, const FcastModel& model, const FcastOptions& o,
                             FcastSettings settings) {
    FcastResult out;
    ReportNotes& notes = out.notes;
    const int beg = settings.obs.empty() ? 0 : settings.obs.front();
    // The period effects are known on the estimation's own observations only: a static forecast.
    const bool dynamic = o.DYNAMIC && has_lagged_dependent(model) && !model.period_effects;
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
    const bool blup = o.BLUP && !model.rho.empty();
    if (blup) {
        // The residuals of the observations just before the range enter the first predictions.
        std::vector<int> before;
        for (int s = beg - int(model.rho.size()); s < beg; ++s)
            if (s >= 1) before.push_back(s);
        settings.obs.insert(settings.obs.begin(), before.begin(), before.end());
        out.forecast = YHAT(run, model, settings);
        add_lagged_residuals(model.rho, out.forecast);
        out.forecast.rows.erase(out.forecast.rows.begin(),
                                out.forecast.rows.begin() + std::ptrdiff_t(before.size()));
        if (!out.forecast.x.empty())
            out.forecast.x.erase(out.forecast.x.begin(),
                                 out.forecast.x.begin() +
                                     std::ptrdiff_t(before.size() * std::size_t(out.forecast.k)));
        notes.add(NotePlace::HEADING, NoteKind::TEXT,
                  std::string(" BLUP IS ACTIVE - PREDICTED VALUES ADJUSTED WITH ") +
                      "LAGGED RESIDUALS");
    } else {
        out.forecast = YHAT(run, model, settings);
    }
    if (model.period_effects) add_period_effects(model, out.forecast);
    finish_forecast(out);
    // Standard errors.
    if (dynamic)
        notes.add(NotePlace::SOLUTION, NoteKind::TEXT,
                  " IGNORE FORECASTS AND STD. ERRORS BEFORE OBS. " +
                      fmt_I(settings.dynamic_origin + 1, 4));
    return out;
}

void note_row_problem(ReportNotes& notes, const FcastRow& r) {
    if (r.problem == FcastProblem::NON_POSITIVE)
        notes.add(NotePlace::DATA, NoteKind::ERROR,
                  " NON-POSITIVE DATA FOUND IN OBSERVATION " + fmt_I(r.obs, 10));
    else if (r.problem == FcastProblem::UNDEFINED)
        notes.add_error(NotePlace::DATA,
                        " ...ERROR..PREDICTED VALUE UNDEFINED FOR OBS. NO." + fmt_I(r.obs, 5),
                        ERR_FCAST_UNDEFINED);
}

void finish_forecast(FcastResult& out) {
    ReportNotes& notes = out.notes;
    const Forecast& f = out.forecast;
    for (const FcastRow& r : f.rows) note_row_problem(notes, r);
    // The accuracy over the rows with y known and a prediction, and the root mean square of the
    // standard errors, from one pass over the rows.
    out.sums = forecast_error_sums(f);
    const FcastErrorSums& sums = *out.sums;
    out.has_accuracy = sums.accuracy.rows() > 0;
    if (out.has_accuracy) {
        FcastAccuracySums total;
        total.add_exact(sums.accuracy);
        out.accuracy = total.result();
    }
    const int count = int(sums.defined);
    if (f.has_se) out.rmse = count > 0 ? qm::sqrt(sums.se_squares.result() / count) : Real(0);
}

} // namespace tarvex
