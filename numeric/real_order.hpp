// Ordering binary128 values through 128-bit integer keys that sort as the values do, so that
// large sorts compare integers instead of calling the soft-float comparison.
#pragma once

#include "numeric/real.hpp"

#include <cstddef>
#include <vector>

namespace tarvex {

using OrderKey = unsigned __int128;

// Keys in the order of the values: -inf < negative values < -0 < +0 < positive values < +inf
// (NaNs beyond the infinities, by sign). Two values have the same key only when they have the
// same bits.
OrderKey order_key(Real x);
Real value_of_key(OrderKey key);

// Sorts ascending (-0 before +0).
void sort_reals(std::vector<Real>& values);

// Indices of the values in ascending order; equal values (-0 and +0 among them) keep the order
// of their indices.
std::vector<std::size_t> stable_order(const std::vector<Real>& values);

} // namespace tarvex
