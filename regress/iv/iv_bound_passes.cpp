// The passes of two-stage least squares over row blocks (see iv_bound_passes.hpp). In a run over
// several ranks each rank adds its share's terms and the exact sums are added over the ranks,
// so the fit has the bits of one process.
#include "regress/iv/iv_bound_passes.hpp"

#include "kernels/gram_residuals.hpp"
#include "numeric/exact_sums.hpp"
#include "numeric/text.hpp"
#include "parallel/exact_reduce.hpp"
#include "parallel/rank_exchange.hpp"
#include "parallel/ranks.hpp"

namespace tarvex {

BlockIvPasses::BlockIvPasses(RowBlocks& rows, std::vector<int> block_columns, int y_column,
                             std::vector<std::vector<long long>>* missing, Real missing_value)
    : rows_(rows), block_columns_(std::move(block_columns)), y_column_(y_column), missing_(missing),
      missing_value_(missing_value) {}

const Real* BlockIvPasses::column(const RowBlock& block, int c) const {
    const int at = c < 0 ? y_column_ : block_columns_[static_cast<std::size_t>(c)];
    return at < 0 ? nullptr : block.columns[static_cast<std::size_t>(at)];
}

bool BlockIvPasses::all_read() {
    failure_ = rows_.failure();
    return parallel::every_rank_ok(failure_.empty(), failure_);
}

bool BlockIvPasses::cross_products(const std::vector<int>& columns, GramMatrix& gram) {
    GramAccumulator sums(static_cast<int>(columns.size()));
    if (missing_ != nullptr) missing_->assign(static_cast<std::size_t>(rows_.columns()), {});
    rows_.rewind();
    RowBlock block;
    while (rows_.next(block)) {
        GramColumns data;
        data.nobs = block.length;
        for (int c : columns) data.columns.push_back(column(block, c));
        sums.add_block(data);
        // The missing code is looked for in this first pass.
        if (missing_ != nullptr)
            for (std::size_t c = 0; c < missing_->size(); ++c)
                for (std::size_t i = 0; i < block.length; ++i)
                    if (equal_values(block.columns[c][i], missing_value_))
                        (*missing_)[c].push_back(block.observations[i]);
    }
    if (!all_read()) return false;
    parallel::reduce_exact_sums(sums.sums());
    if (!parallel::all_ranks_true(sums.finite())) sums.mark_not_finite();
    if (missing_ != nullptr)
        for (std::vector<long long>& at : *missing_) at = parallel::gather_over_ranks(at);
    gram = sums.finish();
    return true;
}

bool BlockIvPasses::residuals(const std::vector<int>& columns, const std::vector<Wide>& coef,
                              ResidualSums& sums) {
    ExactAccumulator squares, sum;
    bool finite = true;
    std::vector<Real> resid;
    rows_.rewind();
    RowBlock block;
    while (rows_.next(block)) {
        GramColumns data;
        data.nobs = block.length;
        for (int c : columns) data.columns.push_back(column(block, c));
        data.columns.push_back(column(block, -1));
        resid.assign(block.length, Real(0));
        finite = gram_residuals(data, coef, resid.data()).finite && finite;
        for (const Real r : resid) {
            squares.add_product(r, r);
            sum.add(r);
        }
    }
    if (!all_read()) return false;
    std::vector<ExactAccumulator> both{squares, sum};
    parallel::reduce_exact_sums(both);
    sums.finite = parallel::all_ranks_true(finite);
    sums.sse = both[0].result();
    sums.sum = both[1].result();
    return true;
}

} // namespace tarvex
