// Long vectors shared between two threads: every row is worked exactly once, exact sums of the
// two halves merge into the correctly rounded sum of the whole (carries and sign changes across
// the halves, NaN and infinity in the order of the terms), the fused update matches the library
// fma element by element, and a Gram-Schmidt fit on a long sample recovers a known answer.
#include "numeric/row_split.hpp"

#include "kernels/gram_schmidt.hpp"
#include "numeric/decimal.hpp"
#include "numeric/exact_dot.hpp"
#include "numeric/fused_axpy.hpp"

#include "reference_support.hpp"

#include <gtest/gtest.h>

#include <atomic>
#include <cstring>
#include <mutex>
#include <random>
#include <utility>
#include <vector>

namespace tarvex {
namespace {

using testing::pow2;

using testing::bits_equal;

// Long enough to be split whenever the machine has two processors.
constexpr std::size_t LONG = 3 * SPLIT_MIN_ROWS + 7;

TEST(RowSplit, EveryRowOnceInAtMostTwoRanges) {
    for (const std::size_t n :
         {std::size_t(0), std::size_t(5), SPLIT_MIN_ROWS - 1, SPLIT_MIN_ROWS, LONG}) {
        std::vector<std::atomic<int>> visits(n);
        std::mutex guard;
        std::vector<std::pair<std::size_t, std::size_t>> ranges;
        const bool split = split_rows(n, [&](std::size_t begin, std::size_t end) {
            for (std::size_t i = begin; i < end; ++i) ++visits[i];
            std::lock_guard<std::mutex> lock(guard);
            ranges.emplace_back(begin, end);
        });
        for (std::size_t i = 0; i < n; ++i)
            ASSERT_EQ(visits[i].load(), 1) << "row " << i << " of " << n;
        const bool expect_split = n >= SPLIT_MIN_ROWS && two_threads_available();
        EXPECT_EQ(split, expect_split) << n;
        ASSERT_EQ(ranges.size(), expect_split ? 2u : 1u) << n;
        if (expect_split) { // the halves meet on a cache line boundary
            for (const auto& range : ranges) EXPECT_EQ(range.first % 4, 0u);
        }
    }
}

TEST(RowSplit, ExactDotCancelsAcrossTheHalves) {
    // Products from 2^-150 to 2^167 in the lower half taken away again in the upper half, and
    // one tiny product at the very end: the sum is exactly the tiny one.
    const std::size_t half = LONG / 2;
    std::vector<Real> a(2 * half + 1), b(2 * half + 1, Real(1));
    for (std::size_t i = 0; i < half; ++i) {
        a[i] = scalbnq(Real(i + 1), int(i % 300) - 150);
        a[half + i] = -a[i];
    }
    a[2 * half] = 3;
    b[2 * half] = pow2(-300);
    EXPECT_TRUE(bits_equal(exact_dot(a.data(), b.data(), a.size()), 3 * pow2(-300)));
    // The same with the signs the other way round: the merged sum changes sign.
    for (Real& v : a) v = -v;
    EXPECT_TRUE(bits_equal(exact_dot(a.data(), b.data(), a.size()), -3 * pow2(-300)));
}

TEST(RowSplit, ExactSumsCarryAcrossTheHalves) {
    // 2^17 times the largest value below 1 is 2^17 - 2^-96, exactly representable; every limb
    // of both halves is full of ones and carries when they merge.
    const std::size_t n = std::size_t(1) << 17;
    static_assert((std::size_t(1) << 17) > SPLIT_MIN_ROWS);
    const std::vector<Real> below_one(n, 1 - pow2(-113));
    EXPECT_TRUE(bits_equal(exact_sum(below_one.data(), n), pow2(17) - pow2(-96)));
    // 1 + 2 + ... + n = n(n+1)/2; the squares sum to n(n+1)(2n+1)/6.
    std::vector<Real> counting(LONG);
    for (std::size_t i = 0; i < LONG; ++i) counting[i] = Real(i + 1);
    const Real m = LONG;
    EXPECT_TRUE(bits_equal(exact_sum(counting.data(), LONG), m * (m + 1) / 2));
    EXPECT_TRUE(
        bits_equal(exact_sum_of_squares(counting.data(), LONG), m * (m + 1) * (2 * m + 1) / 6));
}

TEST(RowSplit, ExactDotIsTheOnePassSumOnRandomTerms) {
    std::mt19937_64 gen(7);
    std::vector<Real> a(LONG), b(LONG);
    for (std::size_t i = 0; i < LONG; ++i) {
        a[i] = scalbnq(Real(std::int64_t(gen() >> 10)), int(gen() % 200) - 100);
        b[i] = scalbnq(Real(std::int64_t(gen())), int(gen() % 200) - 100);
    }
    ExactAccumulator one_pass;
    EXPECT_TRUE(
        bits_equal(exact_dot(a.data(), b.data(), LONG), one_pass.dot(a.data(), b.data(), LONG)));
}

TEST(RowSplit, NaNAndInfinityKeepTheOrderOfTheTerms) {
    // Terms before the first infinity count only as finite values; after it, by IEEE addition.
    // A product that overflows before +inf leaves +inf; after it, it turns the sum to NaN.
    std::vector<Real> a(LONG, Real(1)), b(LONG, Real(1));
    a[10] = -1e4000Q;
    b[10] = 1e4000Q;
    a[LONG - 10] = __builtin_infq();
    EXPECT_TRUE(bits_equal(exact_dot(a.data(), b.data(), LONG), __builtin_infq()));
    std::swap(a[10], a[LONG - 10]);
    std::swap(b[10], b[LONG - 10]);
    EXPECT_TRUE(isnanq(exact_dot(a.data(), b.data(), LONG)));
}

TEST(RowSplit, LongFusedUpdateIsTheLibraryFmaPerElement) {
    std::mt19937_64 gen(11);
    std::vector<Real> x(LONG), y(LONG);
    for (std::size_t i = 0; i < LONG; ++i) {
        x[i] = scalbnq(Real(std::int64_t(gen() >> 1)) + Real(std::int64_t(gen() >> 14)) * pow2(-63),
                       -62);
        y[i] = scalbnq(Real(std::int64_t(gen() >> 1)), int(gen() % 9) - 66);
    }
    const Real c = 1 / 3.0Q;
    std::vector<Real> updated = y;
    fused_axpy(updated.data(), c, x.data(), LONG);
    for (std::size_t i = 0; i < LONG; ++i)
        ASSERT_TRUE(bits_equal(updated[i], fmaq(-c, x[i], y[i]))) << "row " << i;
}

TEST(RowSplit, GramSchmidtOnALongSampleFindsTheKnownLine) {
    // y = 3 + x/2 + e with e = +1 -1 -1 +1 repeated: e sums to zero and is orthogonal to x = 0,
    // 1, 2, ... in every block of four, so the least-squares line is exactly 3 + x/2 and the
    // residual sum of squares is n.
    const int n = int(LONG - LONG % 4);
    DataMatrix data(n, 3);
    for (int i = 0; i < n; ++i) {
        const Real e = (i % 4 == 0 || i % 4 == 3) ? 1 : -1;
        data.column(0)[i] = 1;
        data.column(1)[i] = i;
        data.column(2)[i] = 3 + Real(i) / 2 + e;
    }
    const LeastSquaresFit fit = GSREG(data);
    ASSERT_EQ(fit.status, SolveStatus::ok);
    const Real tolerance = 1e-28Q;
    EXPECT_LT(fabsq(fit.coef[0] - 3), 3 * tolerance) << real_to_string(fit.coef[0]);
    EXPECT_LT(fabsq(fit.coef[1] - 0.5Q), tolerance) << real_to_string(fit.coef[1]);
    EXPECT_LT(fabsq(fit.sse - n), n * tolerance) << real_to_string(fit.sse);
    for (int i = 0; i < n; i += 9973)
        EXPECT_LT(fabsq(fit.residuals[i] - ((i % 4 == 0 || i % 4 == 3) ? 1 : -1)), tolerance) << i;
}

} // namespace
} // namespace tarvex
