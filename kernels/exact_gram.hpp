// The cross-product (Gram) matrix of a set of columns, formed exactly: every entry
// sum_i c_a[i] * c_b[i] is the exact sum of the exact products, held in an exact accumulator and
// rounded at the end to a double-binary128 pair (the correctly rounded sum, then the correctly
// rounded remainder). One pass reads the columns where they are, a block of rows at a time;
// nothing the size of the data is copied. The rows are shared among threads, each with its own
// accumulators, merged exactly: the matrix is the same to the bit whatever the number of threads.
#pragma once

#include "kernels/double_binary128.hpp"
#include "numeric/real.hpp"

#include <cstddef>
#include <vector>

namespace tarvex {

// The columns of the matrix, read at the positions of the rows in use: rows[i] for the i-th row
// when a row list is given (observations skipped, lags folded into the column pointers), else i.
// A null column is the constant: a column of ones, or, with row scales, the scales themselves.
struct GramColumns {
    std::vector<const Real*> columns;
    std::size_t nobs = 0;
    // Optional per-row factors s (read at the same positions): every value is taken as the
    // binary128 product x * s (rounded once), the rows of a weighted regression with s the square
    // roots of the weights.
    const Real* row_scale = nullptr;
    // Optional positions of the nobs rows in use.
    const std::size_t* rows = nullptr;
};

// The symmetric matrix, upper triangle and diagonal.
struct GramMatrix {
    int size = 0;
    std::vector<Wide> entries; // packed: entry (a, b), a <= b, at b * (b + 1) / 2 + a
    bool finite = true;        // false when a value is infinite or NaN (the entries are then 0)

    Wide at(int a, int b) const {
        if (a > b) {
            const int t = a;
            a = b;
            b = t;
        }
        return entries[static_cast<std::size_t>(b) * (b + 1) / 2 + static_cast<std::size_t>(a)];
    }
};

// Forms the matrix of `data` on at most `threads` threads (0: as many as the machine has; a
// short sample runs on one).
GramMatrix exact_gram(const GramColumns& data, int threads = 0);

} // namespace tarvex
