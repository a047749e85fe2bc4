// Rows shared among threads: every row is visited once, and what a share throws (an allocation
// refused under a memory limit) reaches the calling thread after every thread has finished.
#include "kernels/row_threads.hpp"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <new>
#include <stdexcept>
#include <vector>

namespace tarvex {
namespace {

TEST(RowThreads, EveryRowIsVisitedOnce) {
    const std::size_t n = 1001;
    std::vector<std::atomic<int>> visits(n);
    run_row_shares(n, 4, [&](std::size_t, std::size_t begin, std::size_t end) {
        for (std::size_t r = begin; r < end; ++r) ++visits[r];
    });
    for (std::size_t r = 0; r < n; ++r) EXPECT_EQ(visits[r].load(), 1) << "row " << r;
}

// A worker's bad_alloc comes back to the caller, and only once every share has ended: the slow
// shares still finish before the exception leaves.
TEST(RowThreads, AWorkerFailureReachesTheCallerAfterAllThreadsEnd) {
    for (std::size_t failing : {std::size_t(0), std::size_t(2), std::size_t(3)}) {
        std::atomic<int> finished{0};
        bool caught = false;
        try {
            run_row_shares(400, 4, [&](std::size_t share, std::size_t, std::size_t) {
                if (share == failing) throw std::bad_alloc();
                std::this_thread::sleep_for(std::chrono::milliseconds(20));
                ++finished;
            });
        } catch (const std::bad_alloc&) {
            caught = true;
            EXPECT_EQ(finished.load(), 3) << "failing share " << failing;
        }
        EXPECT_TRUE(caught) << "failing share " << failing;
    }
}

// Several shares failing: one exception, the lowest share's, and the process goes on.
TEST(RowThreads, TheLowestFailingShareIsThrown) {
    try {
        run_row_shares(100, 4, [](std::size_t share, std::size_t, std::size_t) {
            if (share >= 1) throw std::runtime_error("share " + std::to_string(share));
        });
        FAIL() << "no exception reached the caller";
    } catch (const std::runtime_error& e) {
        EXPECT_STREQ(e.what(), "share 1");
    }
}

} // namespace
} // namespace tarvex
