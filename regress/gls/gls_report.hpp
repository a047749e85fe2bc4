// The report of GLS: heading with the covariance given, the summary statistics (Buse's
// R-square, sigma**2, the weighted and plain sums of squares, the log-likelihood) and the
// coefficient table. It writes the estimate and changes nothing.
#pragma once

#include "regress/fit/ols_fit.hpp"
#include "regress/gls/gls_estimate.hpp"
#include "regress/gls/gls_options.hpp"

#include <string>
#include <vector>

namespace tarvex {

struct Run;

struct GlsEquation {
    int dep_ref = 0, dep_lag = 0;
    std::string dep_name;       // 8 columns
    std::vector<OlsTerm> terms; // CONSTANT last
    std::vector<int> obs;
    int beg = 0, end = 0;
};

void report_gls(Run& run, const GlsEquation& eq, const GlsEstimate& e, const GlsOptions& o);

} // namespace tarvex
