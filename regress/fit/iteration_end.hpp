// How an iterative estimation ended, as its report says it: the convergence line, or the
// warning (with the estimator's own $ERR) that the last iterate is reported.
#pragma once

#include <string>

namespace tarvex {

struct Run;

enum class IterationEnd { CONVERGED, ITERATION_LIMIT, STUCK };

// `objective` names what the iteration improves ("SUM OF SQUARES", "LOG-LIKELIHOOD").
void report_iteration_end(Run& run, IterationEnd end, int iterations, const std::string& objective,
                          int limit_number, int stuck_number);

} // namespace tarvex
