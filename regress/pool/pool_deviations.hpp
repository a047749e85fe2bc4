// The columns of POOL's within and random-effects fits (each variable less a multiple of its
// cross-section's mean) and their cross-product matrix, formed a block of rows at a time: a block's
// deviations go into a buffer that stays in cache and are added into exact sums, so a deviation
// column that no later pass reads is never written in full. The sums are exact, so the matrix is
// the same to the bit as the one of the deviations written out in full, however the rows are cut.
#pragma once

#include "kernels/exact_gram.hpp"
#include "numeric/fast_arith.hpp"
#include "numeric/real.hpp"

#include <cstddef>
#include <vector>

namespace tarvex {

// One column: on a row of cross-section g, values[row] - shift[g] (one rounding), or shift[g]
// itself when `values` is null (the intercept's column 1 - theta_g of the random-effects fit).
struct DeviationColumn {
    const Real* values = nullptr;
    const Real* shift = nullptr; // one value per cross-section
    // Where the whole column is written as it is summed, for the passes after the fit; null:
    // it is formed a block at a time and not kept.
    Real* keep = nullptr;
};

__attribute__((always_inline)) inline Real deviation_at(const DeviationColumn& c, const int* group,
                                                        std::size_t row) {
    const Real s = c.shift[static_cast<std::size_t>(group[row])];
    return c.values == nullptr ? s : fast_subtract(c.values[row], s);
}

// The exact cross-product matrix of the columns over the rows of `group` (one cross-section
// number per row), the rows shared between two threads on a long panel; the columns with a
// `keep` are written there in full on the way.
GramMatrix deviation_gram(const std::vector<DeviationColumn>& columns,
                          const std::vector<int>& group);

} // namespace tarvex
