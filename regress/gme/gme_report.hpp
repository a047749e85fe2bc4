// Writing the estimates of GME.
#pragma once

#include "numeric/real.hpp"
#include "regress/fit/estimation_equation.hpp"
#include "regress/fit/model_result.hpp"
#include "regress/gme/gme_estimate.hpp"
#include "regress/gme/gme_options.hpp"

namespace tarvex {

struct Run;

// `sigma` is the standard deviation of y behind the 3-sigma error support (0: ESUPPORT= given).
void report_gme(Run& run, const EstimationEquation& eq, const GmeData& data, const GmeEstimate& e,
                const ModelResult& result, Real sigma, const GmeOptions& o);

} // namespace tarvex
