// TOBIT over rows delivered a block at a time (kernels/row_blocks.hpp), for series bound to a
// file on disk: every pass of the estimator (the counts and sums of the sample, the double
// iterations, each binary128 Newton iteration with its Hessian, the rows of a preliminary fit)
// reads the blocks once, in order, so the memory held is a few blocks whatever the length of the
// sample, and the estimates, the log-likelihood and every statistic of the report are those of
// the same rows in memory, bit for bit. A sample of at most SUBSAMPLE_ABOVE rows, whose start is
// least squares over every row, is gathered into memory for that start only. The estimate holds
// no row of data: the fitted values and residuals stay empty. What needs every row at once is
// left to the caller to refuse: the sandwich and clustered covariances and the methods other than
// Newton's (the estimate fails with BINARY_BLOCKS_NEWTON_ONLY), and the least-squares start over
// every row of a long sample, which the fit needs when the subsample does not give a start.
#pragma once

#include "kernels/row_blocks.hpp"
#include "regress/choice/choice_block_columns.hpp"
#include "regress/choice/tobit_estimate.hpp"

#include <string>

namespace tarvex {

struct TobitBlockEstimate {
    TobitEstimate estimate;
    // Empty, or the line that says why the estimate could not be made over the blocks: a read
    // that failed, a block that does not start at a multiple of the pass's chunk, a covariance or
    // method that needs every row.
    std::string failure;
    // Empty, or what of this estimate needs every row in memory at once (for the refusal).
    std::string needs_memory;
};

// The estimate over the rows of `rows` (the weights, when `where` names a column, are taken as
// they are: the caller has checked them). Blocks but the last must hold a multiple of PASS_CHUNK
// rows (the block source's blocks do).
TobitBlockEstimate estimate_tobit_blocks(RowBlocks& rows, const ChoiceBlockColumns& where,
                                         const TobitCensoring& censoring,
                                         const ChoiceControl& control);

} // namespace tarvex
