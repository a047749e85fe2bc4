// The result variables of STATS: vectors with one element per analysed variable (MEANS,
// VARIANCE, STDEVS, MINIMUMS, MAXIMUMS, SUMS, MEDIANS, MODES), k x k symmetric matrices
// (CORRELAT, COVARIAN, CPRODUCT, CPDEVIAT, RANKCORR) and the 5 x k MOMENTS matrix.
#pragma once

#include "numeric/real.hpp"

#include <string>
#include <vector>

namespace tarvex {

struct Run;

// Each returns false when the workspace could not hold the variable (NEWVAR has said why).
// A blank name stores nothing.
bool store_stats_vector(Run& run, const std::string& name, const std::vector<Real>& values);
bool store_stats_matrix(Run& run, const std::string& name, int type, long long rows, long long cols,
                        const std::vector<Real>& column_major);

} // namespace tarvex
