// The cross-product (Gram) matrix of a set of columns, formed exactly: every entry
// sum_i c_a[i] * c_b[i] is the exact sum of the exact products, held in an exact accumulator and
// rounded at the end to a double-binary128 pair (the correctly rounded sum, then the correctly
// rounded remainder). One pass reads the columns where they are, a block of rows at a time;
// nothing the size of the data is copied. The rows are shared among threads, each with its own
// accumulators, merged exactly: the matrix is the same to the bit whatever the number of threads.
#pragma once

#include "kernels/value_range.hpp"
#include "numeric/double_binary128.hpp"
#include "numeric/exact_dot.hpp"
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

// The symmetric matrix, upper triangle and diagonal. Entries are held scaled: column c by
// 2^shift[c] on both sides, with shift[c] chosen so that the diagonal entry lies in [1, 4), or
// no shift at all when `shift` is empty. Each scaled entry is the exact sum rounded once, so a
// matrix whose true entries overflow or underflow binary128 keeps every digit: solvers read the
// scaled entries and take the shifts out of their results, where these are representable.
struct GramMatrix {
    int size = 0;
    std::vector<Wide> entries; // packed scaled entries: (a, b), a <= b, at b * (b + 1) / 2 + a
    std::vector<int> shift;    // per column; empty: the entries are not scaled
    bool finite = true;        // false when a value is infinite or NaN (the entries are then 0)

    int shift_of(int c) const { return shift.empty() ? 0 : shift[static_cast<std::size_t>(c)]; }
    // The entry as it is held, scaled by 2^(shift_of(a) + shift_of(b)).
    Wide scaled_at(int a, int b) const {
        if (a > b) {
            const int t = a;
            a = b;
            b = t;
        }
        return entries[static_cast<std::size_t>(b) * (b + 1) / 2 + static_cast<std::size_t>(a)];
    }
    // The true entry (infinite or zero where it lies outside the binary128 range).
    Wide at(int a, int b) const { return wide_scaled(scaled_at(a, b), -shift_of(a) - shift_of(b)); }
    // Sets the entry whose true value is `value` (held scaled by the columns' shifts).
    void set(int a, int b, Wide value) {
        if (a > b) {
            const int t = a;
            a = b;
            b = t;
        }
        entries[static_cast<std::size_t>(b) * (b + 1) / 2 + static_cast<std::size_t>(a)] =
            wide_scaled(value, shift_of(a) + shift_of(b));
    }
    // The rows and columns `columns` (in that order), held as they are here.
    GramMatrix part(const std::vector<int>& columns) const;
    // Whether the true diagonal entry c (a sum of squares) is a normal binary128 number.
    SquaresRange diagonal_range(int c) const;
};

// The exact sums of the matrix gathered over blocks of rows: each block is shared among threads
// as exact_gram shares its rows, and another accumulator (over other rows: another pass's blocks,
// another process's share) merges in exactly, so the finished matrix is the same to the bit
// however the rows were cut and wherever they were summed.
class GramAccumulator {
public:
    explicit GramAccumulator(int size);
    int size() const { return size_; }
    // Adds the rows of `block` (its columns as in GramColumns; `size` columns).
    void add_block(const GramColumns& block, int threads = 0);
    // Adds the sums of `other` (of the same size).
    void merge(const GramAccumulator& other);
    // False once a value was infinite or NaN.
    bool finite() const { return finite_; }
    void mark_not_finite() { finite_ = false; }
    // The exact sum of each entry, packed as GramMatrix::entries.
    std::vector<ExactAccumulator>& sums() { return sums_; }
    const std::vector<ExactAccumulator>& sums() const { return sums_; }
    // The matrix rounded from the sums (which then hold the rests of the rounding: finish once).
    GramMatrix finish();

private:
    int size_;
    std::vector<ExactAccumulator> sums_;
    bool finite_ = true;
};

// Forms the matrix of `data` on at most `threads` threads (0: as many as the machine has; a
// short sample runs on one): one block in a GramAccumulator.
GramMatrix exact_gram(const GramColumns& data, int threads = 0);

} // namespace tarvex
