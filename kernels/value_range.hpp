// Whether the squares of a column can be held in binary128. The solvers scale each column by a
// power of two and lose nothing to the range, but a sum of squares in the data's own units (a
// residual sum of squares, the variance of the estimate) can only be reported when the column's
// own sum of squares is a normal binary128 number: values beyond about 1E+2466 or below about
// 1E-2466 (less for long columns) make it overflow or underflow.
#pragma once

#include "numeric/real.hpp"

#include <cstddef>

namespace tarvex {

enum class SquaresRange { inside, too_large, too_small };

// The range of sum_i values[i]^2 over the n values, the sum exact (a column of zeros is inside).
SquaresRange squares_range(const Real* values, std::size_t n);

// The same from the binary exponent of a sum of squares (INT_MIN for zero).
SquaresRange squares_range_of_exponent(int exponent);

} // namespace tarvex
