// The sums of the double Newton iterations over rows whose terms are already known: each row i
// with row vector v_i, score a_i and Hessian weight h_i adds a_i v_i to the gradient and
// -(h_i v_ij) v_il to each element (j, l >= j) of the Hessian's upper triangle. Every element is
// its own chain of the same multiply and subtract, row after row in order, as a row-by-row update
// makes it, so the bits are those of that update; the elements are shared between two threads on
// a long sample, and four of them advance side by side within a thread. The rows come as columns
// (transposed a block at a time) or already one after another.
#pragma once

#include <cstddef>
#include <vector>

namespace tarvex {

// Adds rows [0, n) of `columns` (p columns of n values) with scores a[i] and weights h[i] to
// `gradient` (p values) and to the upper triangle of `hessian` (p x p, row-major), after what
// they hold. Elements below the diagonal are left as they are.
void add_double_row_sums(const std::vector<const double*>& columns, std::size_t n, const double* a,
                         const double* h, std::vector<double>& gradient,
                         std::vector<double>& hessian);

// The number of values a row takes in the row layout: p rounded up to whole lanes of four.
std::size_t double_row_width(std::size_t p);

// The same sums, with the same bits, over rows stored one after another, row i at
// rows[i * double_row_width(p)], its values past the p-th zero.
void add_double_row_sums(const double* rows, std::size_t p, std::size_t n, const double* a,
                         const double* h, std::vector<double>& gradient,
                         std::vector<double>& hessian);

} // namespace tarvex
