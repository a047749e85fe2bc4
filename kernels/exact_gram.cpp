// Exact cross products over row blocks. A block's values are taken apart once per column
// (scaled first when the rows carry factors) and held on a common scale per column, then every
// pair of columns adds its block of products into its own accumulator, which stays in cache for
// the whole block. A pair with the constant adds the other column's values (no products), the
// constant with itself the count.
#include "kernels/exact_gram.hpp"
#include "kernels/exact_gram_sums.hpp"

#include "kernels/row_threads.hpp"
#include "numeric/exact_block_products.hpp"
#include "numeric/exact_dot.hpp"
#include "numeric/fast_arith.hpp"

#include <algorithm>
#include <climits>

namespace tarvex {
namespace {

constexpr std::size_t BLOCK_ROWS = 256;

inline std::size_t packed(int a, int b) {
    return static_cast<std::size_t>(b) * (b + 1) / 2 + static_cast<std::size_t>(a);
}

// One thread's share: the exact sums of rows [begin, end).
struct PartialGram {
    std::vector<ExactAccumulator> sums;
    bool finite = true;
};

// Takes apart the values of column c at rows index(0 .. length-1); false at an infinity or NaN.
template <class Index>
bool decode_block(const GramColumns& data, int c, Index index, std::size_t length,
                  ExactAccumulator::Factor* f) {
    const Real* column = data.columns[c];
    const Real* scale = data.row_scale;
    bool finite = true;
    if (scale == nullptr && column == nullptr) {
        for (std::size_t i = 0; i < length; ++i) finite &= ExactAccumulator::decode(1, f[i]);
    } else if (scale == nullptr) {
        for (std::size_t i = 0; i < length; ++i)
            finite &= ExactAccumulator::decode(column[index(i)], f[i]);
    } else if (column == nullptr) {
        for (std::size_t i = 0; i < length; ++i)
            finite &= ExactAccumulator::decode(scale[index(i)], f[i]);
    } else {
        for (std::size_t i = 0; i < length; ++i) {
            const std::size_t r = index(i);
            finite &= ExactAccumulator::decode(fast_multiply(column[r], scale[r]), f[i]);
        }
    }
    return finite;
}

void accumulate_rows(const GramColumns& data, std::size_t begin, std::size_t end,
                     PartialGram& out) {
    const int p = static_cast<int>(data.columns.size());
    // Built in place: an accumulator's limbs are touched only where its sums reach.
    out.sums = std::vector<ExactAccumulator>(packed(0, p));
    // On consecutive rows without factors the constant is exact ones: its pairs need no
    // products, only the other column's values.
    std::vector<char> ones(static_cast<std::size_t>(p));
    for (int c = 0; c < p; ++c)
        ones[c] = data.columns[c] == nullptr && data.row_scale == nullptr && data.rows == nullptr;
    std::vector<ExactAccumulator::Factor> factors(static_cast<std::size_t>(p) * BLOCK_ROWS);
    // Each column's block on its common scale (numeric/exact_block_products.hpp).
    std::vector<ScaledBlock> scaled(static_cast<std::size_t>(p));
    for (std::size_t first = begin; first < end; first += BLOCK_ROWS) {
        const std::size_t length = std::min(BLOCK_ROWS, end - first);
        for (int c = 0; c < p; ++c) {
            if (ones[c]) continue;
            ExactAccumulator::Factor* f = factors.data() + static_cast<std::size_t>(c) * BLOCK_ROWS;
            const std::size_t* rows = data.rows;
            const bool finite =
                rows == nullptr
                    ? decode_block(
                          data, c, [first](std::size_t i) { return first + i; }, length, f)
                    : decode_block(
                          data, c, [rows, first](std::size_t i) { return rows[first + i]; }, length,
                          f);
            if (!finite) {
                out.finite = false;
                return;
            }
            scaled[std::size_t(c)].assign(f, length);
        }
        for (int b = 0; b < p; ++b) {
            const ExactAccumulator::Factor* fb =
                factors.data() + static_cast<std::size_t>(b) * BLOCK_ROWS;
            for (int a = 0; a <= b; ++a) {
                ExactAccumulator& sum = out.sums[packed(a, b)];
                if (ones[a] && ones[b])
                    sum.add(Real(static_cast<long long>(length)));
                else if (ones[a] || ones[b])
                    sum.add_values(data.columns[ones[a] ? b : a] + first, length);
                else
                    ScaledBlock::add_products(
                        scaled[std::size_t(a)], 0, scaled[std::size_t(b)], 0, length,
                        factors.data() + static_cast<std::size_t>(a) * BLOCK_ROWS, fb, sum);
            }
        }
    }
}

} // namespace

GramAccumulator::GramAccumulator(int size) : size_(size), sums_(packed(0, size)) {}

void GramAccumulator::add_block(const GramColumns& block, int threads) {
    if (!finite_ || block.nobs == 0) return;
    const std::size_t n = block.nobs;
    std::vector<PartialGram> parts(row_shares(n, threads, ROWS_PER_THREAD));
    run_row_shares(n, parts.size(),
                   [&block, &parts](std::size_t share, std::size_t begin, std::size_t end) {
                       accumulate_rows(block, begin, end, parts[share]);
                   });
    for (const PartialGram& part : parts)
        if (!part.finite) {
            finite_ = false;
            return;
        }
    for (std::size_t e = 0; e < sums_.size(); ++e)
        for (const PartialGram& part : parts) sums_[e].add_exact(part.sums[e]);
}

void GramAccumulator::merge(const GramAccumulator& other) {
    if (!other.finite_) finite_ = false;
    if (!finite_) return;
    for (std::size_t e = 0; e < sums_.size(); ++e) sums_[e].add_exact(other.sums_[e]);
}

GramMatrix GramAccumulator::finish() {
    if (!finite_) {
        GramMatrix out;
        out.size = size_;
        out.entries.assign(packed(0, size_), Wide{});
        out.finite = false;
        return out;
    }
    return gram_from_exact_sums(sums_, size_);
}

GramMatrix exact_gram(const GramColumns& data, int threads) {
    GramAccumulator sums(static_cast<int>(data.columns.size()));
    sums.add_block(data, threads);
    return sums.finish();
}

GramMatrix gram_from_exact_sums(std::vector<ExactAccumulator>& sums, int p) {
    GramMatrix out;
    out.size = p;
    out.entries.assign(packed(0, p), Wide{});
    // Column c's shift is minus half the exponent of its rounded sum of squares, so that the
    // scaled diagonal lies in [1, 4): the exponent of the exact sum, one more when rounding
    // carries it to the next power of two.
    out.shift.assign(static_cast<std::size_t>(p), 0);
    for (int c = 0; c < p; ++c) {
        const ExactAccumulator& diagonal = sums[packed(c, c)];
        int exponent = diagonal.exponent();
        if (exponent == INT_MIN) continue;
        if (diagonal.result_scaled(-exponent) >= 2) ++exponent;
        out.shift[c] = -(exponent >= 0 ? exponent / 2 : -((1 - exponent) / 2)); // -floor(e/2)
    }
    for (int b = 0; b < p; ++b)
        for (int a = 0; a <= b; ++a) {
            ExactAccumulator& sum = sums[packed(a, b)];
            const int scale = out.shift[a] + out.shift[b];
            // The correctly rounded sum, then the correctly rounded rest.
            const Real hi = sum.result_scaled(scale);
            sum.add_scaled(-hi, -scale);
            out.entries[packed(a, b)] = {hi, sum.result_scaled(scale)};
        }
    return out;
}

GramMatrix GramMatrix::part(const std::vector<int>& columns) const {
    GramMatrix out;
    out.size = static_cast<int>(columns.size());
    out.finite = finite;
    out.entries.resize(packed(0, out.size));
    if (!shift.empty())
        for (const int c : columns) out.shift.push_back(shift[static_cast<std::size_t>(c)]);
    for (int b = 0; b < out.size; ++b)
        for (int a = 0; a <= b; ++a)
            out.entries[packed(a, b)] = scaled_at(columns[static_cast<std::size_t>(a)],
                                                  columns[static_cast<std::size_t>(b)]);
    return out;
}

SquaresRange GramMatrix::diagonal_range(int c) const {
    const Real held = scaled_at(c, c).hi;
    if (!(held > 0)) return SquaresRange::inside;
    return squares_range_of_exponent(ilogbq(held) - 2 * shift_of(c));
}

} // namespace tarvex
