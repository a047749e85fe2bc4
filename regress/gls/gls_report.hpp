// The report of GLS: heading with the covariance given, the summary statistics (Buse's
// R-square, sigma**2, the weighted and plain sums of squares, the log-likelihood) and the
// coefficient table. It writes the estimate and changes nothing.
#pragma once

#include "regress/fit/estimation_equation.hpp"
#include "regress/gls/gls_estimate.hpp"
#include "regress/gls/gls_options.hpp"

#include <string>
#include <vector>

namespace tarvex {

struct Run;

void report_gls(Run& run, const EstimationEquation& eq, const GlsEstimate& e, const GlsOptions& o);

} // namespace tarvex
