// RANKTEST= of Johansen's test: one row for each number of relations r = 0 .. m-1 under the
// null hypothesis, the columns the r+1-th eigenvalue, the trace statistic and its 10%, 5% and 1%
// critical values, then the maximum-eigenvalue statistic and its three (the missing-value code
// where the tables do not cover m variables).
#pragma once

#include "numeric/real.hpp"
#include "regress/coint/johansen.hpp"

#include <string>
#include <vector>

namespace tarvex {

struct Run;

inline constexpr int RANK_TABLE_COLUMNS = 9;

// The m x 9 table, column after column.
std::vector<Real> johansen_rank_table(const JohansenFit& fit, JohansenTerms terms, Real missing);

// Stores the table in `name` (nothing when it is blank); false when the store failed.
bool store_rank_tests(Run& run, const std::string& name, const JohansenFit& fit,
                      JohansenTerms terms);

} // namespace tarvex
