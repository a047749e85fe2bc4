// One pass over the rows of a choice model: the log-likelihood and its gradient, and for each
// row the square root of its Hessian weight. Every row contributes log L_i, a score a_i times a
// row vector v_i (its regressors, and for TOBIT one more column) and a Hessian -w_i v_i v_i'; the
// Hessian itself is the exact cross-product matrix of the columns scaled by sqrt(w_i), formed by
// the exact Gram kernel from the weights this pass leaves. Rows are taken in fixed chunks of
// PASS_CHUNK, each summed on its own and the chunk sums added in chunk order, so the result is
// the same to the bit however many threads share the chunks.
#pragma once

#include "kernels/row_threads.hpp"
#include "numeric/fast_arith.hpp"
#include "numeric/fused_axpy.hpp"
#include "numeric/real.hpp"

#include <algorithm>
#include <cstddef>
#include <vector>

namespace tarvex {

inline constexpr std::size_t PASS_CHUNK = 4096;

// The sums of one chunk (and, merged, of the pass).
struct PassSums {
    Real llf = 0;
    std::vector<Real> gradient;
    bool defined = true;
    long long failed_row = -1;

    void reset(int p) {
        llf = 0;
        gradient.assign(std::size_t(p), Real(0));
        defined = true;
        failed_row = -1;
    }
    // Adds log L_i and the score a_i of the row vector v (length p).
    void add(Real log_l, Real score, const Real* v) {
        llf = fast_add(llf, log_l);
        for (std::size_t a = 0; a < gradient.size(); ++a)
            gradient[a] = fused_multiply_add(gradient[a], score, v[a]);
    }
    void merge(const PassSums& other) {
        llf += other.llf;
        for (std::size_t j = 0; j < gradient.size(); ++j) gradient[j] += other.gradient[j];
        if (!other.defined && defined) {
            defined = false;
            failed_row = other.failed_row;
        }
    }
};

// Calls work(begin, end) for the chunks of [0, n), shared among the threads in fixed chunks.
template <class Work>
void for_each_chunk(std::size_t n, Work&& work) {
    const std::size_t chunks = (n + PASS_CHUNK - 1) / PASS_CHUNK;
    const std::size_t shares = row_shares(chunks, 0, ROWS_PER_THREAD / PASS_CHUNK);
    run_row_shares(chunks, shares, [&](std::size_t, std::size_t first, std::size_t last) {
        for (std::size_t c = first; c < last; ++c)
            work(c, c * PASS_CHUNK, std::min(n, (c + 1) * PASS_CHUNK));
    });
}

// Runs row(i, sums, v) -> bool for every row and merges the chunks in order into `out`. `row`
// returns false when the row's likelihood is not defined; the pass records the first such row.
template <class Row>
void run_pass(std::size_t n, int p, PassSums& out, Row&& row) {
    const std::size_t chunks = (n + PASS_CHUNK - 1) / PASS_CHUNK;
    std::vector<PassSums> sums(chunks);
    for_each_chunk(n, [&](std::size_t c, std::size_t begin, std::size_t end) {
        std::vector<Real> v(static_cast<std::size_t>(p));
        PassSums& s = sums[c];
        s.reset(p);
        for (std::size_t i = begin; i < end; ++i)
            if (!row(i, s, v.data()) && s.defined) {
                s.defined = false;
                s.failed_row = static_cast<long long>(i);
            }
    });
    out.reset(p);
    for (const PassSums& s : sums) out.merge(s);
}

// z_i = x_i0 b_0 + x_i1 b_1 + ... for the `length` rows from `begin` of `columns`, each the chain
// of fused multiply-adds z = fma(z, x_ij, b_j) from z = 0 in column order, into z[0 .. length).
inline void chunk_index(const std::vector<const Real*>& columns, const std::vector<Real>& b,
                        std::size_t begin, std::size_t length, Real* z) {
    // The first step is the fused x_i0 b_0 + 0: the rounded product, or +0 when a factor is 0.
    const Real* first = columns[0] + begin;
    const bool zero_factor = fast_is_zero(b[0]);
    for (std::size_t i = 0; i < length; ++i)
        z[i] = zero_factor || fast_is_zero(first[i]) ? Real(0) : fast_multiply(first[i], b[0]);
    // The rest row by row, each row's chain over the columns kept in registers.
    fused_multiply_add_rows(z, b.data() + 1, columns.data() + 1, columns.size() - 1, begin, length);
}

// A pass over the rows of a single-index model: its row vector v_i is row i of `columns` and its
// terms depend on the row through z_i = v_i'b alone. Each chunk forms its z_i (chunk_index),
// asks `row(i, z_i, log_l, score)` for the row's log L_i and a_i (false when log L_i is not
// defined), and forms its gradient column by column, several columns side by side. Each z_i and
// each gradient element is the same chain of fused multiply-adds, in the same order, as run_pass
// with a row that forms z_i and adds v_i itself: the same bits, at a fraction of the calls. The
// chunks' sums are merged in order into `out` after what it already holds (sized for the columns):
// a pass over blocks of rows, each a whole number of chunks, calls this block after block and gets
// the bits of one call over all the rows. A row that fails is recorded as `first_row` + its index
// here.
template <class Row>
void add_index_pass(const std::vector<const Real*>& columns, std::size_t n,
                    const std::vector<Real>& b, PassSums& out, long long first_row, Row&& row) {
    const int p = static_cast<int>(columns.size());
    const std::size_t chunks = (n + PASS_CHUNK - 1) / PASS_CHUNK;
    std::vector<PassSums> sums(chunks);
    for_each_chunk(n, [&](std::size_t c, std::size_t begin, std::size_t end) {
        const std::size_t length = end - begin;
        std::vector<Real> z(length), score(length);
        chunk_index(columns, b, begin, length, z.data());
        PassSums& s = sums[c];
        s.reset(p);
        for (std::size_t i = begin; i < end; ++i) {
            Real log_l = 0;
            if (!row(i, z[i - begin], log_l, score[i - begin]) && s.defined) {
                s.defined = false;
                s.failed_row = first_row + static_cast<long long>(i);
            }
            s.llf = fast_add(s.llf, log_l);
        }
        fused_multiply_add_chains(s.gradient.data(), score.data(), columns.data(), columns.size(),
                                  begin, length);
    });
    for (const PassSums& s : sums) out.merge(s);
}

// add_index_pass over all the rows, into `out` from zero.
template <class Row>
void run_index_pass(const std::vector<const Real*>& columns, std::size_t n,
                    const std::vector<Real>& b, PassSums& out, Row&& row) {
    out.reset(static_cast<int>(columns.size()));
    add_index_pass(columns, n, b, out, 0, row);
}

} // namespace tarvex
