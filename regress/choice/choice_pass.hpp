// One pass over the rows of a choice model for its maximisation: the log-likelihood, the
// gradient and the Hessian (and, on request, the outer product of the rows' gradients) summed
// together. Every row contributes log L_i, a score a_i times a row vector v_i and a Hessian
// -w_i v_i v_i' (only the upper triangle is formed). Rows are taken in fixed chunks of
// PASS_CHUNK, each summed on its own and the chunk sums added in chunk order, so that the
// result is the same to the bit however many threads share the chunks.
#pragma once

#include "kernels/maximize_likelihood.hpp"
#include "kernels/row_threads.hpp"
#include "numeric/fused_axpy.hpp"
#include "numeric/real.hpp"

#include <cstddef>
#include <vector>

namespace tarvex {

inline constexpr std::size_t PASS_CHUNK = 4096;

// The sums of one chunk (and, merged, of the pass). `hessian` is packed by rows, a <= b.
struct PassSums {
    Real llf = 0;
    std::vector<Real> gradient, hessian, opg;
    bool defined = true;
    long long failed_row = -1;

    void reset(int p, bool with_opg) {
        llf = 0;
        gradient.assign(std::size_t(p), Real(0));
        hessian.assign(std::size_t(p) * (p + 1) / 2, Real(0));
        opg.assign(with_opg ? hessian.size() : 0, Real(0));
        defined = true;
        failed_row = -1;
    }
    // Adds one row: log L_i, the score a_i of the vector v (length p) and the weight w_i.
    void add(Real log_l, Real score, Real weight, const Real* v, Real* scratch) {
        const int p = static_cast<int>(gradient.size());
        llf += log_l;
        for (int a = 0; a < p; ++a) {
            gradient[std::size_t(a)] = fused_multiply_add(gradient[std::size_t(a)], score, v[a]);
            scratch[a] = weight * v[a];
        }
        Real* h = hessian.data();
        for (int a = 0; a < p; ++a) {
            const Real wa = scratch[a];
            for (int b = a; b < p; ++b, ++h) *h = fused_multiply_subtract(*h, wa, v[b]);
        }
        if (opg.empty()) return;
        Real* o = opg.data();
        for (int a = 0; a < p; ++a) {
            const Real sa = score * v[a] * score;
            for (int b = a; b < p; ++b, ++o) *o = fused_multiply_add(*o, sa, v[b]);
        }
    }
    void merge(const PassSums& other) {
        llf += other.llf;
        for (std::size_t j = 0; j < gradient.size(); ++j) gradient[j] += other.gradient[j];
        for (std::size_t j = 0; j < hessian.size(); ++j) hessian[j] += other.hessian[j];
        for (std::size_t j = 0; j < opg.size(); ++j) opg[j] += other.opg[j];
        if (!other.defined && defined) {
            defined = false;
            failed_row = other.failed_row;
        }
    }
};

// Runs row(i, sums, v, scratch) for every row, chunk by chunk, on up to `threads` threads (0:
// the machine's), and merges the chunks in order into `out`. `row` returns false when the row's
// likelihood is not defined; the pass then records the first such row.
template <class Row>
void run_pass(std::size_t n, int p, bool with_opg, int threads, PassSums& out, Row&& row) {
    const std::size_t chunks = (n + PASS_CHUNK - 1) / PASS_CHUNK;
    std::vector<PassSums> sums(chunks);
    const std::size_t shares = row_shares(chunks, threads, ROWS_PER_THREAD / PASS_CHUNK);
    run_row_shares(chunks, shares, [&](std::size_t, std::size_t first, std::size_t last) {
        std::vector<Real> v(std::size_t(p) + 1), scratch(std::size_t(p) + 1);
        for (std::size_t c = first; c < last; ++c) {
            PassSums& s = sums[c];
            s.reset(p, with_opg);
            const std::size_t end = std::min(n, (c + 1) * PASS_CHUNK);
            for (std::size_t i = c * PASS_CHUNK; i < end; ++i)
                if (!row(i, s, v.data(), scratch.data()) && s.defined) {
                    s.defined = false;
                    s.failed_row = static_cast<long long>(i);
                }
        }
    });
    out.reset(p, with_opg);
    for (const PassSums& s : sums) out.merge(s);
}

// The packed upper triangle as a full p x p row-major matrix.
inline std::vector<Real> unpack_symmetric(const std::vector<Real>& packed, int p) {
    std::vector<Real> full(std::size_t(p) * p);
    std::size_t at = 0;
    for (int a = 0; a < p; ++a)
        for (int b = a; b < p; ++b, ++at)
            full[std::size_t(a) * p + b] = full[std::size_t(b) * p + a] = packed[at];
    return full;
}

// The pass sums in the form maximize_likelihood reads.
inline void fill_point(const PassSums& s, int p, LikelihoodPoint& point) {
    point.llf = s.llf;
    point.gradient = s.gradient;
    point.hessian = unpack_symmetric(s.hessian, p);
    point.opg = s.opg.empty() ? std::vector<Real>() : unpack_symmetric(s.opg, p);
}

} // namespace tarvex
