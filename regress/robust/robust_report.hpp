// The report of ROBUST: the heading (the estimator, the observations and the dependent
// variable), how the fit ended (the simplex's optimal basis, or the reweighting's convergence),
// the objective and the covariance choice, then the coefficient table. It writes the estimate
// and changes nothing.
#pragma once

#include "regress/fit/estimation_equation.hpp"
#include "regress/fit/model_result.hpp"
#include "regress/robust/robust_estimate.hpp"
#include "regress/robust/robust_options.hpp"

namespace tarvex {

struct Run;

void report_robust_heading(Run& run, const EstimationEquation& eq, const RobustControl& c,
                           std::size_t n);
void report_robust(Run& run, const EstimationEquation& eq, const RobustEstimate& e,
                   const RobustControl& c, const RobustOptions& o);

// Why the estimation failed: its message and $ERR number.
EstimationFailure robust_failure(const RobustEstimate& e, const RobustControl& c);

} // namespace tarvex
