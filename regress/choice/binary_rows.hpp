// A stretch of consecutive rows of a binary PROBIT or LOGIT sample, as the passes of the
// estimator read them: the whole sample in memory, or one block of rows of series bound to a
// file. Every pass over the rows is written once, over such a stretch; a pass over blocks calls
// it block after block, carrying its sums across, and gets the bits of the pass over the whole
// sample because the blocks are cut at multiples of the pass's chunk.
#pragma once

#include "numeric/real.hpp"
#include "regress/choice/choice_data.hpp"

#include <cstddef>
#include <vector>

namespace tarvex {

struct BinaryRows {
    const Real* y = nullptr;      // n values of the dependent variable (0 or not)
    std::vector<const Real*> x;   // K columns of n values
    const Real* weight = nullptr; // n frequency weights, or null: every row once
    std::size_t n = 0;

    bool weighted() const { return weight != nullptr; }
    Real weight_of(std::size_t i) const { return weight == nullptr ? Real(1) : weight[i]; }
};

inline BinaryRows binary_rows_of(const ChoiceData& data) {
    BinaryRows rows;
    rows.y = data.y_values();
    for (std::size_t j = 0; j < data.columns(); ++j) rows.x.push_back(data.column(j));
    if (data.weighted()) rows.weight = data.weight.data();
    rows.n = data.rows();
    return rows;
}

} // namespace tarvex
