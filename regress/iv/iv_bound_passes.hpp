// The passes of two-stage least squares over rows delivered a block at a time
// (kernels/row_blocks.hpp): the exact cross products added block by block (and, on request, the
// observations holding the missing code found on the way), and the residuals' exact sums. The
// sums are exact, so the bits do not depend on where the blocks are cut.
#pragma once

#include "kernels/row_blocks.hpp"
#include "regress/iv/iv_estimate.hpp"

#include <string>
#include <vector>

namespace tarvex {

class BlockIvPasses : public IvPasses {
public:
    // `block_columns`: the block's column of each distinct column of the layout (-1: the
    // constant); `y_column` the block's column of y. `missing` (may be null): filled in the first
    // pass, per block column, with the observations holding `missing_value`.
    BlockIvPasses(RowBlocks& rows, std::vector<int> block_columns, int y_column,
                  std::vector<std::vector<long long>>* missing, Real missing_value);
    bool cross_products(const std::vector<int>& columns, GramMatrix& gram) override;
    bool residuals(const std::vector<int>& columns, const std::vector<Wide>& coef,
                   ResidualSums& sums) override;
    // The reader's line once a pass failed to read.
    const std::string& failure() const { return failure_; }

private:
    const Real* column(const RowBlock& block, int c) const;
    bool all_read();

    RowBlocks& rows_;
    std::vector<int> block_columns_;
    int y_column_;
    std::vector<std::vector<long long>>* missing_;
    Real missing_value_;
    std::string failure_;
};

} // namespace tarvex
