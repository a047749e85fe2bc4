// Rows [0, n) cut into contiguous shares, one per thread, for the kernels whose per-share results
// merge exactly (so the number of threads changes no bit of what they return).
#pragma once

#include <algorithm>
#include <cstddef>
#include <exception>
#include <new>
#include <system_error>
#include <thread>
#include <vector>

namespace tarvex {

// Fewer rows than this per thread do not pay for starting it.
inline constexpr std::size_t ROWS_PER_THREAD = 32768;

// How many shares for n rows: `threads` when positive (at most one per row), else as many as
// the machine has processors, each of at least `min_rows` rows.
inline std::size_t row_shares(std::size_t n, int threads, std::size_t min_rows) {
    std::size_t count =
        threads > 0 ? static_cast<std::size_t>(threads)
                    : std::min<std::size_t>(std::max(1u, std::thread::hardware_concurrency()),
                                            std::max<std::size_t>(1, n / min_rows));
    return std::max<std::size_t>(1, std::min(count, std::max<std::size_t>(1, n)));
}

// Calls work(share, begin, end) for share s < count on rows [s n / count, (s + 1) n / count),
// share 0 in the calling thread and the others on threads of their own; when no thread can be
// started the calling thread takes the remaining shares itself. What a share throws (an
// allocation refused on a large table) is kept, every thread is joined, and then the first such
// exception, by share, is thrown again in the calling thread, so the command ends as it would
// have on one thread.
template <class Work>
void run_row_shares(std::size_t n, std::size_t count, Work&& work) {
    const auto bound = [n, count](std::size_t s) { return n / count * s + n % count * s / count; };
    std::vector<std::exception_ptr> failures(count);
    const auto guarded = [&work, &bound, &failures](std::size_t s) noexcept {
        try {
            work(s, bound(s), bound(s + 1));
        } catch (...) {
            failures[s] = std::current_exception();
        }
    };
    std::vector<std::thread> workers;
    workers.reserve(count - 1); // adding a thread below cannot then throw after it started
    std::size_t s = 1;
    for (; s < count; ++s) {
        try {
            workers.emplace_back([&guarded, s] { guarded(s); });
        } catch (const std::system_error&) {
            break;
        } catch (const std::bad_alloc&) {
            break;
        }
    }
    guarded(0);
    for (; s < count; ++s) guarded(s);
    for (std::thread& w : workers) w.join();
    for (const std::exception_ptr& failure : failures)
        if (failure) std::rethrow_exception(failure);
}

} // namespace tarvex
