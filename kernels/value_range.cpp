// The range test of a column's sum of squares, from the exponent of its exact sum.
#include "kernels/value_range.hpp"

#include "numeric/exact_dot.hpp"

#include <climits>
#include <memory>

namespace tarvex {

namespace {

// The binary exponents of the largest binary128 numbers and of the smallest normal ones.
constexpr int RANGE_LARGEST_EXPONENT = 16383;
constexpr int RANGE_SMALLEST_NORMAL_EXPONENT = -16382;

} // namespace

SquaresRange squares_range_of_exponent(int exponent) {
    if (exponent == INT_MIN) return SquaresRange::inside;
    if (exponent > RANGE_LARGEST_EXPONENT) return SquaresRange::too_large;
    if (exponent < RANGE_SMALLEST_NORMAL_EXPONENT) return SquaresRange::too_small;
    return SquaresRange::inside;
}

SquaresRange squares_range(const Real* values, std::size_t n) {
    // The accumulator is large (about 16 KB): on the heap, not the stack.
    auto sum = std::make_unique<ExactAccumulator>();
    sum->add_products(values, values, n);
    if (sum->has_special()) return SquaresRange::inside; // infinities are refused elsewhere
    return squares_range_of_exponent(sum->exponent());
}

} // namespace tarvex
