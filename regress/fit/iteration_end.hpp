// How an iterative estimation ended, as its report says it: the convergence line, or the
// warning (with the estimator's own $ERR) that the last iterate is reported; and the lines of
// its iteration history.
#pragma once

#include "numeric/real.hpp"

#include <string>
#include <vector>

namespace tarvex {

struct Run;

enum class IterationEnd { CONVERGED, ITERATION_LIMIT, STUCK };

// The end a report states for a model's own end (an enum with ITERATION_LIMIT and STUCK; any
// other end of an estimate that stands is reported as converged).
template <class ModelEnd>
IterationEnd iteration_end_of(ModelEnd end) {
    return end == ModelEnd::ITERATION_LIMIT ? IterationEnd::ITERATION_LIMIT
           : end == ModelEnd::STUCK         ? IterationEnd::STUCK
                                            : IterationEnd::CONVERGED;
}

// `objective` names what the iteration improves ("SUM OF SQUARES", "LOG-LIKELIHOOD").
void report_iteration_end(Run& run, IterationEnd end, int iterations, const std::string& objective,
                          int limit_number, int stuck_number);

// One iteration of the history PITER prints: " ITERATION", its number, the objective's name and
// value, then the parameters with their names, four to a line.
void write_iteration(Run& run, int iteration, const std::string& objective, Real value,
                     const std::vector<std::string>& names, const std::vector<Real>& parameters);

} // namespace tarvex
