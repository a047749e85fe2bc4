// Writing the results of FLS: the costs at MU, a summary of each coefficient's path, the cost
// frontier and, on request, the path itself.
#pragma once

#include "numeric/real.hpp"
#include "regress/fit/estimation_equation.hpp"
#include "regress/fls/fls_estimate.hpp"
#include "regress/fls/fls_options.hpp"

#include <vector>

namespace tarvex {

struct Run;

// One point of the cost frontier.
struct FlsFrontierPoint {
    Real mu = 0, measurement_cost = 0, dynamic_cost = 0;
};

void report_fls(Run& run, const EstimationEquation& eq, const FlsPath& path, const FlsOptions& o,
                const std::vector<FlsFrontierPoint>& frontier);

} // namespace tarvex
