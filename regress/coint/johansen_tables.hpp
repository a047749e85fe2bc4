// Critical values of Johansen's trace and maximum-eigenvalue statistics: Osterwald-Lenum's
// asymptotic quantiles for 1 to 11 variables, in the three cases they were published for that
// this system offers (constant outside the relations, constant restricted to them, trend
// restricted to them). The case without any constant has no table here.
#pragma once

#include "numeric/real.hpp"
#include "regress/coint/johansen.hpp"

#include <array>

namespace tarvex {

// The largest number of variables the tables cover.
inline constexpr int JOHANSEN_TABLE_VARIABLES = 11;

bool johansen_table_covers(JohansenTerms terms, int m);

// The 10%, 5% and 1% critical values for m - r common stochastic trends (r relations under the
// null hypothesis), of the trace statistic or of the maximum eigenvalue. Only when covered.
std::array<Real, 3> johansen_critical_values(JohansenTerms terms, int trends, bool trace);

} // namespace tarvex
