// The transformations of the period-effects models of POOL. Time effects alone, y_it = x_it'b +
// g_t + e_it, take the deviations from the period means; the two-way model, y_it = x_it'b + a_i +
// g_t + e_it on a panel where every cross-section is observed in every period, takes the double
// deviations x_it - mean_i(x) - mean_t(x) + mean(x), which sweep out both sets of effects at once.
// The effects are recovered from r = y - x'b: g_t = mean_t(r) alone; in the two-way model
// a_i = mean_i(r) and g_t = mean_t(r) - mean(r), so that a_i + g_t + x'b is the fitted value.
#pragma once

#include "numeric/real.hpp"
#include "regress/pool/pool_estimate.hpp"

#include <vector>

namespace tarvex {

// The deviations of v (one value per row of d) that the within fit of the model uses.
std::vector<Real> period_deviations(const std::vector<Real>& v, const PoolData& d, bool two_way);

// The effects from r = y - x'b: two-way, the cross-section effects then the period effects;
// else the period effects alone.
std::vector<Real> period_effects(const std::vector<Real>& r, const PoolData& d, bool two_way);

} // namespace tarvex
