// Work over long vectors shared between two threads: the rows [0, n) are cut in two halves, the
// upper half runs on a second thread while the calling thread does the lower half. Used by the
// elementwise kernels (fused updates, scaling) and by exact dot products, whose halves merge
// exactly, so the results are the same bits as a single pass. Short vectors, and a machine with
// one processor, run in the calling thread and pay nothing.
#pragma once

#include <cstddef>
#include <system_error>
#include <thread>

namespace tarvex {

// Below this many rows a second thread (tens of microseconds to start) is not worth it.
constexpr std::size_t SPLIT_MIN_ROWS = 65536;

// True when a second thread can run alongside the caller.
bool two_threads_available();

// Where the lower half ends: a multiple of four rows (64 bytes of binary128 values), so that the
// two threads do not write into the same cache line of an aligned vector.
inline std::size_t split_point(std::size_t n) {
    return (n / 2) & ~std::size_t(3);
}

// Calls work(begin, end) on [0, n), in two halves on two threads when n is large; returns whether
// it did split. `work` must touch only the rows it is given (and its own state) and must not
// throw.
template <class Work>
bool split_rows(std::size_t n, Work&& work) {
    if (n < SPLIT_MIN_ROWS || !two_threads_available()) {
        work(std::size_t(0), n);
        return false;
    }
    const std::size_t middle = split_point(n);
    std::thread upper;
    try {
        upper = std::thread([&work, middle, n] { work(middle, n); });
    } catch (const std::system_error&) { // no thread to be had: the whole range here
        work(std::size_t(0), n);
        return false;
    }
    work(std::size_t(0), middle);
    upper.join();
    return true;
}

} // namespace tarvex
