// MODEL=POOL: the cross-section a forecast is for (CSNUMBER= of NCROSS=), the pooled standard
// error (the estimation's, or POOLSE=) and, with FIXED, that cross-section's fixed effect in
// place of the intercept, under the coefficient name FIXED.
#pragma once

namespace tarvex {

struct Run;
struct FcastOptions;
struct FcastModel;

// Error numbers of the pooled forecast.
inline constexpr int ERR_FCAST_NO_EFFECTS = 49093;    // FIXED without effects to use
inline constexpr int ERR_FCAST_CROSS_SECTION = 49094; // CSNUMBER= outside the cross-sections

// Completes a pooled model built from the last estimation or a typed list (NCROSS= given). On
// an error the message is written, $ERR set and false returned.
bool pool_fcast_model(Run& run, const FcastOptions& o, FcastModel& model);

} // namespace tarvex
