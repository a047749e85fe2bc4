// The order SORT puts observations in: a stable ordering of rows by one or more keys, each
// ascending or descending, with the rows that hold a missing key placed last in their own order.
// A pure function of the key values, so the command and its tests share it.
#pragma once

#include "numeric/real.hpp"

#include <cstddef>
#include <vector>

namespace tarvex {

struct SortKey {
    const std::vector<Real>* values = nullptr; // one value per row
    bool descending = false;
};

struct SortOrder {
    std::vector<std::size_t> rows; // rows[i]: the row that goes to position i
    std::size_t missing = 0;       // rows with a missing (or NaN) key, placed last
};

// Orders rows 0..n-1 (n = the keys' common length) by the keys in turn; equal keys keep their
// order. A value equal to `missing_code`, or not a number, counts as missing.
SortOrder sort_order(const std::vector<SortKey>& keys, Real missing_code);

} // namespace tarvex
