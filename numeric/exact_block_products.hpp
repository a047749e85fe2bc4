// Exact sums of products over a block of rows, on a common scale per column: the values of a
// column in the block are held as 128-bit integers times one power of two (the block's largest
// exponent less 15 bits of room), so that a product is four 64-bit multiplications added into a
// five-limb sum at a fixed place, with no alignment per product; the block's sum then enters an
// ExactAccumulator once. A value more than 2^15 below the column's largest (or a column far from
// 1) is not held so (its magnitude there is 0); its products go to the accumulator one at a
// time afterwards. Either way every product is exact, so the sum the accumulator holds is the
// same to the bit as from its own products.
#pragma once

#include "numeric/exact_dot.hpp"

#include <cstddef>
#include <cstdint>
#include <vector>

namespace tarvex {

class ScaledBlock {
public:
    // Takes the n decoded values of one column on their common scale.
    void assign(const ExactAccumulator::Factor* values, std::size_t n);

    // Adds sum_i a[ai + i] * b[bi + i] for i < n to `sum`, exactly; fa and fb are the decoded
    // values a and b were assigned from (the same indices), for the products not on the scale.
    static void add_products(const ScaledBlock& a, std::size_t ai, const ScaledBlock& b,
                             std::size_t bi, std::size_t n, const ExactAccumulator::Factor* fa,
                             const ExactAccumulator::Factor* fb, ExactAccumulator& sum);

private:
    std::vector<std::uint64_t> low_, high_; // the values' magnitudes on the scale
    std::vector<unsigned char> flags_;      // bit 0: negative; bit 1: not on the scale
    std::vector<std::size_t> off_scale_;    // the indices not on the scale, in order
    int weight_ = 0;                        // value = magnitude * 2^weight_
};

} // namespace tarvex
