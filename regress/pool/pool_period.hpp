// The transformations of the period-effects models of POOL. Time effects alone, y_it = x_it'b +
// g_t + e_it, take the deviations from the period means; the two-way model, y_it = x_it'b + a_i +
// g_t + e_it, on a panel where every cross-section is observed in every period takes the double
// deviations x_it - mean_i(x) - mean_t(x) + mean(x), which sweep out both sets of effects at once.
// On an incomplete panel the double deviations no longer do: there the deviations from the
// cross-section means are regressed on the period dummies (periods 2..T, each less its own
// cross-section means) and the residuals kept, which is least squares with both sets of dummies
// split in two steps; the residuals of the slopes' fit on these columns are those of the full
// dummy-variable regression.
// The effects are recovered from r = y - x'b: g_t = mean_t(r) alone; in the two-way model
// a_i = mean_i(r) and g_t = mean_t(r) - mean(r) on a complete panel, and on an incomplete one the
// dummies' coefficients g_t (g_1 = 0) and a_i = mean_i(r - g_t), then shifted so that the g_t
// sum to zero as they do on a complete panel; a_i + g_t + x'b is the fitted value either way.
#pragma once

#include "numeric/real.hpp"
#include "regress/pool/pool_estimate.hpp"

#include <vector>

namespace tarvex {

class PeriodSweep {
public:
    PeriodSweep(const PoolData& d, bool two_way);
    // The deviations of v (one value per row) that the within fit of the model uses; empty when
    // the period dummies of an incomplete panel depend on each other (a panel in separate parts).
    std::vector<Real> deviations(const std::vector<Real>& v) const;
    // The effects from r = y - x'b: two-way, the cross-section effects then the period effects;
    // else the period effects alone.
    std::vector<Real> effects(const std::vector<Real>& r) const;

private:
    const PoolData& data_;
    bool two_way_ = false, complete_ = true;
    std::vector<std::vector<Real>> dummies_; // incomplete two-way: periods 2..T, within deviations
    // The coefficients of the within deviations of v on the dummies; false when dependent.
    bool dummy_fit(const std::vector<Real>& within, std::vector<Real>& coef) const;
};

} // namespace tarvex
