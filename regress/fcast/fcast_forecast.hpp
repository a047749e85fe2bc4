// What FCAST computes before it reports: the predictions and standard errors of every
// observation of the range, the accuracy statistics where the dependent variable is known, and
// the notes met on the way, in order. The report writes this value and changes nothing of it.
#pragma once

#include "kernels/fcast_accuracy.hpp"
#include "numeric/real.hpp"
#include "regress/fcast/fcast_predict.hpp"
#include "regress/fit/report_notes.hpp"

#include <memory>

namespace tarvex {

struct Run;
struct FcastModel;
struct FcastOptions;
struct FcastErrorSums;

struct FcastResult {
    Forecast forecast;
    ReportNotes notes;         // the assumed estimation end, undefined predictions, the dynamic
                               // forecast's first valid observation
    bool has_accuracy = false; // some observation has y known and a prediction
    FcastAccuracy accuracy;
    Real rmse = 0; // root mean square of the standard errors (when there are any)
    // The sums over the rows the statistics above, and those of the errors, are formed from.
    std::shared_ptr<const FcastErrorSums> sums;
};

// Forecasts `model` over settings.obs (the dynamic origin is settled here: ESTEND=, the
// estimation end, or the observation before the range). Reads the data; writes nothing.
FcastResult compute_forecast(Run& run, const FcastModel& model, const FcastOptions& o,
                             FcastSettings settings);

// The note on a row without a prediction (a regressor that cannot be logged, or no value).
void note_row_problem(ReportNotes& notes, const FcastRow& row);

// The notes on observations without a prediction and the accuracy statistics of the known
// observations of a finished forecast.
void finish_forecast(FcastResult& out);

} // namespace tarvex
