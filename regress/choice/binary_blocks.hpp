// Binary PROBIT and LOGIT over rows delivered a block at a time (kernels/row_blocks.hpp), for
// series bound to a file on disk: every pass of the estimator (the double iterations, each
// binary128 Newton iteration with its Hessian, the rows of a preliminary fit, the totals at the
// estimates) reads the blocks once, in order, so the memory held is a few blocks whatever the
// length of the sample, and the estimates, the log-likelihood and every statistic of the report
// are those of the same rows in memory, bit for bit, whether one process reads every row or the
// ranks of a run read a share each (binary_rank_sums.hpp). The estimate holds no row of data: the
// fitted probabilities and residuals stay empty. What needs every row at once is left to the
// caller to refuse: the sandwich and clustered covariances, the methods other than Newton's, and
// the search for the observations predicted perfectly, which a fit that does not converge needs.
#pragma once

#include "kernels/row_blocks.hpp"
#include "regress/choice/binary_choice.hpp"
#include "regress/choice/choice_block_columns.hpp"

#include <string>
#include <vector>

namespace tarvex {

struct BinaryBlockEstimate {
    BinaryEstimate estimate;
    // Empty, or the line that says why the estimate could not be made over the blocks: a read
    // that failed (on any rank), or a block or share that does not start at a multiple of the
    // pass's chunk.
    std::string failure;
};

// The failure of an estimate over blocks asked for a covariance or a method that needs every row
// at once.
inline const char* const BINARY_BLOCKS_NEWTON_ONLY =
    " ...ERROR..OVER BLOCKS OF ROWS ONLY NEWTON'S METHOD AND -H^-1 ARE AVAILABLE";
// Whether an estimate over blocks can give what `control` asks for: Newton's method and -H^-1.
inline bool blocks_can_estimate(const ChoiceControl& control) {
    return !control.sandwich && !control.covariance.clustered() &&
           control.method == MaximizeMethod::NEWTON;
}

// The estimate over the rows of `rows`. Blocks but the last must hold a multiple of PASS_CHUNK
// rows (the block source's blocks do). In a run over several ranks `rows` is this rank's share,
// cut at a multiple of PASS_CHUNK rows (open_estimation_rows with that unit), and the call is
// collective: every rank returns the estimate over the rows of all of them. The intercept-only
// checks of perfect prediction are not made; an estimate that did not converge is returned with
// its end and nothing else.
BinaryBlockEstimate estimate_binary_blocks(ChoiceLink link, RowBlocks& rows,
                                           const ChoiceBlockColumns& where,
                                           const ChoiceControl& control);

} // namespace tarvex
