// The sums over observations that the discrete-choice likelihoods need (log-likelihood,
// gradient, Hessian and outer product of the rows' gradients), taken in one pass: the rows are
// cut into chunks whose size depends on N alone, each chunk is summed on its own, and the
// chunks' sums are added in chunk order. Long samples share the chunks between two threads; the
// result is the same to the bit whether one thread or two did the work. A pass can be stopped
// between chunks (Ctrl-C on a long sample).
#pragma once

#include "kernels/maximize_likelihood.hpp"
#include "numeric/real.hpp"
#include "numeric/row_split.hpp"

#include <algorithm>
#include <atomic>
#include <cstddef>
#include <system_error>
#include <thread>
#include <vector>

namespace tarvex {

// What one chunk of rows adds up. The Hessian and the outer product hold their upper triangle
// only (row-major P x P); `failed_row` is the first row where the log-likelihood is undefined.
struct ChoiceRowSums {
    Real llf = 0;
    std::vector<Real> gradient, hessian, opg;
    int failed_row = -1;
};

// Chunks of at least this many rows, and no more than CHOICE_MAX_CHUNKS of them.
inline constexpr std::size_t CHOICE_CHUNK_ROWS = 1024;
inline constexpr std::size_t CHOICE_MAX_CHUNKS = 64;
// Below this many rows one thread does everything.
inline constexpr std::size_t CHOICE_SPLIT_ROWS = 4096;

inline std::size_t choice_chunk_rows(std::size_t n) {
    return std::max(CHOICE_CHUNK_ROWS, (n + CHOICE_MAX_CHUNKS - 1) / CHOICE_MAX_CHUNKS);
}

// Fills `point` with the sums over rows [0, n) of a likelihood with `p` parameters.
// `rows(begin, end, sums)` adds rows [begin, end) into `sums` (sized for `needs`, zero) and
// must not throw. False when a row fails (`failed_row` the lowest such row) or the sum is not
// finite. `interrupt` is asked before each chunk the calling thread sums; when it throws, the
// second thread stops at its next chunk and the exception leaves once that thread has ended.
template <class Rows>
bool sum_choice_rows(std::size_t n, int p, const LikelihoodNeeds& needs, Rows&& rows,
                     LikelihoodPoint& point, int& failed_row,
                     const InterruptCheck& interrupt = nullptr) {
    const std::size_t pp = std::size_t(p) * std::size_t(p);
    const std::size_t size = choice_chunk_rows(n);
    const std::size_t chunks = std::max<std::size_t>(1, (n + size - 1) / size);
    std::vector<ChoiceRowSums> sums(chunks);
    std::atomic<bool> stopped{false};
    auto work = [&](std::size_t first, std::size_t last, bool calling_thread) {
        for (std::size_t c = first; c < last; ++c) {
            if (calling_thread) {
                check_for_interrupt(interrupt);
            } else if (stopped.load(std::memory_order_relaxed)) {
                return;
            }
            ChoiceRowSums& s = sums[c];
            s.gradient.assign(needs.gradient || needs.opg ? std::size_t(p) : 0, Real(0));
            s.hessian.assign(needs.hessian ? pp : 0, Real(0));
            s.opg.assign(needs.opg ? pp : 0, Real(0));
            rows(c * size, std::min(n, (c + 1) * size), s);
        }
    };
    std::thread upper;
    std::size_t middle = chunks;
    if (n >= CHOICE_SPLIT_ROWS && chunks > 1 && two_threads_available()) {
        middle = chunks / 2;
        try {
            upper = std::thread([&work, middle, chunks] { work(middle, chunks, false); });
        } catch (const std::system_error&) {
            middle = chunks;
        }
    }
    try {
        work(0, middle, true);
    } catch (...) {
        stopped = true;
        if (upper.joinable()) upper.join();
        throw;
    }
    if (upper.joinable()) upper.join();

    point.llf = 0;
    point.gradient.assign(needs.gradient || needs.opg ? std::size_t(p) : 0, Real(0));
    point.hessian.assign(needs.hessian ? pp : 0, Real(0));
    point.opg.assign(needs.opg ? pp : 0, Real(0));
    for (const ChoiceRowSums& s : sums) {
        if (s.failed_row >= 0) {
            failed_row = s.failed_row;
            return false;
        }
        point.llf += s.llf;
        for (std::size_t j = 0; j < s.gradient.size(); ++j) point.gradient[j] += s.gradient[j];
        for (std::size_t j = 0; j < s.hessian.size(); ++j) point.hessian[j] += s.hessian[j];
        for (std::size_t j = 0; j < s.opg.size(); ++j) point.opg[j] += s.opg[j];
    }
    // The lower triangles mirror the upper ones.
    for (std::vector<Real>* m : {&point.hessian, &point.opg}) {
        if (m->empty()) continue;
        for (int a = 0; a < p; ++a)
            for (int b = 0; b < a; ++b) (*m)[std::size_t(a) * p + b] = (*m)[std::size_t(b) * p + a];
    }
    return finiteq(point.llf) != 0;
}

// Adds w g g' (upper triangle) to `opg`, P x P row-major: a row of frequency weight w counts
// as w rows.
inline void add_outer_upper(std::vector<Real>& opg, const std::vector<Real>& g, Real w = 1) {
    const std::size_t p = g.size();
    for (std::size_t a = 0; a < p; ++a) {
        if (g[a] == 0) continue;
        Real* row = &opg[a * p];
        const Real ga = w == 1 ? g[a] : w * g[a];
        for (std::size_t b = a; b < p; ++b) row[b] += ga * g[b];
    }
}

} // namespace tarvex
