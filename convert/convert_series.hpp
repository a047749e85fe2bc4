// CONVERT new old [indicators] / FROM= TO= METHOD=: the conversion of one series to another
// frequency, once its plan has been checked.
#pragma once

#include "convert/convert_options.hpp"
#include "convert/convert_plan.hpp"

namespace tarvex {

struct Run;

// Converts, stores the new series, sets the result scalars and reports; false after an error.
bool convert_series(Run& run, const ConvertOptions& o, const ConvertPlan& p);

} // namespace tarvex
