// The report of POOL: heading with the panel's shape, the variance components of the random
// effects, the summary statistics, the coefficient table, the F test of equal fixed effects or
// the Hausman test, the effects on request; then the result scalars, the stored estimation that
// TEST and FCAST read, and the named output variables.
#pragma once

#include "regress/fit/estimation_equation.hpp"
#include "regress/pool/pool_estimate.hpp"
#include "regress/pool/pool_options.hpp"
#include "regress/pool/pool_panel.hpp"

#include <string>
#include <vector>

namespace tarvex {

struct Run;

void report_pool(Run& run, const EstimationEquation& eq, const PanelGroups& groups,
                 const PoolEstimate& e, const PoolOptions& o);

} // namespace tarvex
