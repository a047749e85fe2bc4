// Critical values of Johansen's trace and maximum-eigenvalue statistics: asymptotic quantiles
// from Osterwald-Lenum (constant outside the relations, constant restricted to them, trend
// restricted to them; 1 to 11 variables) and from MacKinnon, Haug and Michelis (no
// deterministic terms; 1 to 12 variables).
#pragma once

#include "numeric/real.hpp"
#include "regress/coint/johansen.hpp"

#include <array>

namespace tarvex {

// The largest number of common trends the case's table covers, and whether it covers m.
int johansen_table_trends(JohansenTerms terms);
bool johansen_table_covers(JohansenTerms terms, int m);

// The 10%, 5% and 1% critical values for m - r common stochastic trends (r relations under the
// null hypothesis), of the trace statistic or of the maximum eigenvalue. Only when covered.
std::array<Real, 3> johansen_critical_values(JohansenTerms terms, int trends, bool trace);

} // namespace tarvex
