// A quick first try at a correctly rounded dot product of decoded factors: the products are
// summed in a 256-bit window below the largest of them, and the sum is rounded from there when
// the bits the window dropped cannot change the rounding. Otherwise the caller takes the exact
// accumulator, which always can: the two give the same bits whenever the first one answers.
#pragma once

#include "numeric/exact_dot.hpp"

#include <cstddef>

namespace tarvex {

// Sets `rounded` to the correctly rounded (to nearest, ties to even) sum of a[i]*b[i], i < n,
// and returns true when the window settles it; false leaves `rounded` alone (no term, more
// terms than the window holds, a zero or near-tie sum, one outside the normal range, or a
// cancellation that reaches the dropped bits). The factors must be finite.
bool window_dot(const ExactAccumulator::Factor* a, const ExactAccumulator::Factor* b, std::size_t n,
                Real& rounded);

// The correctly rounded sum of a[i]*b[i]: window_dot when it settles it, else `sum` cleared and
// filled exactly.
inline Real rounded_dot(ExactAccumulator& sum, const ExactAccumulator::Factor* a,
                        const ExactAccumulator::Factor* b, std::size_t n) {
    Real rounded;
    if (window_dot(a, b, n, rounded)) return rounded;
    sum.clear();
    sum.add_decoded_products(a, b, n);
    return sum.result();
}

} // namespace tarvex
