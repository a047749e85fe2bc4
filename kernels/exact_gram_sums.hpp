// The last step of exact_gram on its own: the matrix from exact sums of the cross products that
// a kernel has formed in a pass of its own (with other sums beside them), rounded and scaled
// exactly as exact_gram rounds and scales its matrix.
#pragma once

#include "kernels/exact_gram.hpp"
#include "numeric/exact_dot.hpp"

#include <vector>

namespace tarvex {

// The matrix of p columns from the exact sums of its entries, packed as the entries are
// ((a, b), a <= b, at b * (b + 1) / 2 + a), all of finite terms. Leaves the sums holding the
// rests of the rounding.
GramMatrix gram_from_exact_sums(std::vector<ExactAccumulator>& sums, int p);

} // namespace tarvex
