// The exact cross products of POOL's deviation columns, one cache-sized block of rows at a time.
#include "regress/pool/pool_deviations.hpp"

#include "kernels/row_threads.hpp"
#include "numeric/row_split.hpp"

#include <algorithm>

namespace tarvex {

namespace {

// Rows per block: the block's deviations (at most a few columns) stay in the second-level cache
// while their products are summed; the exact sums of a block are merged once.
constexpr std::size_t BLOCK_ROWS = 4096;

} // namespace

GramMatrix deviation_gram(const std::vector<DeviationColumn>& columns,
                          const std::vector<int>& group) {
    const int p = static_cast<int>(columns.size());
    const std::size_t n = group.size();
    const std::size_t shares = n >= SPLIT_MIN_ROWS && two_threads_available() ? 2 : 1;
    std::vector<GramAccumulator> sums(shares, GramAccumulator(p));
    run_row_shares(n, shares, [&](std::size_t share, std::size_t begin, std::size_t end) {
        std::vector<Real> buffer(static_cast<std::size_t>(p) * BLOCK_ROWS);
        GramColumns block;
        block.columns.resize(static_cast<std::size_t>(p));
        for (std::size_t first = begin; first < end; first += BLOCK_ROWS) {
            const std::size_t length = std::min(BLOCK_ROWS, end - first);
            for (std::size_t c = 0; c < columns.size(); ++c) {
                Real* const kept = columns[c].keep;
                Real* out = kept == nullptr ? buffer.data() + c * BLOCK_ROWS : kept + first;
                block.columns[c] = out;
                const Real* values = columns[c].values;
                const Real* shift = columns[c].shift;
                const int* g = group.data() + first;
                if (values == nullptr)
                    for (std::size_t i = 0; i < length; ++i) out[i] = shift[g[i]];
                else
                    for (std::size_t i = 0; i < length; ++i)
                        out[i] = fast_subtract(values[first + i], shift[g[i]]);
            }
            block.nobs = length;
            sums[share].add_block(block, 1);
        }
    });
    for (std::size_t s = 1; s < shares; ++s) sums[0].merge(sums[s]);
    return sums[0].finish();
}

} // namespace tarvex
