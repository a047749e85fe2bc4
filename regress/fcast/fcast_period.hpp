// FCAST after POOL with period effects (PERIOD, or FIXED PERIOD): the forecast of an observation
// the model was estimated on is x'b plus that observation's effects, a_i + g_t (g_t alone with
// time effects only), which is the fitted value of the estimation. Elsewhere a period has no
// effect to forecast with, and such an observation is refused. The effects carry no variance
// here: the forecast has no standard errors.
#pragma once

#include <vector>

namespace tarvex {

struct Run;
struct FcastModel;
struct Forecast;

// Takes the in-sample effects of the last POOL when it had period effects; false when it had
// none (the model is left as it was).
bool period_fcast_model(Run& run, FcastModel& model);

// Every observation to forecast must be one the model was estimated on; else the message is
// written, $ERR set and false returned.
bool period_effects_cover(Run& run, const FcastModel& model, const std::vector<int>& obs);

// Adds each row's effects to its prediction (and recomputes its error).
void add_period_effects(const FcastModel& model, Forecast& forecast);

} // namespace tarvex
