// The Hodrick-Prescott filter: the trend t minimising sum (y - t)**2 + lambda sum (second
// difference of t)**2, that is the solution of (I + lambda D'D) t = y with D the second-difference
// operator. The matrix is symmetric, positive definite and pentadiagonal, so it is factored
// L D L' within its band: O(n) work and memory, in binary128 throughout.
#pragma once

#include "numeric/real.hpp"

#include <vector>

namespace tarvex {

// At least 3 values and lambda > 0. The cycle is y less the trend.
std::vector<Real> hp_trend(const std::vector<Real>& y, Real lambda);

// The sums the filter reports, each added up in observation order.
struct HpSummary {
    Real cycle_squares = 0; // of the cycle
    Real cycle_sum = 0;
    Real penalty = 0; // the squared second differences of the trend
};

// Sets `cycle` to y less the trend and returns the sums, in one pass over the values.
HpSummary hp_cycle(const std::vector<Real>& y, const std::vector<Real>& trend,
                   std::vector<Real>& cycle);

} // namespace tarvex
