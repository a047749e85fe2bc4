// The windowed dot product against the exact accumulator, bit for bit: whenever the window
// answers, its answer is the correctly rounded sum, on random rows of every exponent range and
// on rows built to defeat it (cancellation down to the last bits, exact and near ties at the
// rounding boundary, subnormal factors and results, overflow); and on ordinary rows it does
// answer, so that the forecasts use it.
#include "numeric/window_dot.hpp"

#include "reference_support.hpp"

#include <gtest/gtest.h>

#include <cstring>
#include <random>
#include <vector>

namespace tarvex {
namespace {

using testing::bits_equal;
using testing::pow2;

struct Row {
    std::vector<Real> a, b;
};

// Compares the window (when it answers) and rounded_dot with the exact dot product; returns
// whether the window answered.
bool check_row(const Row& row, const char* what, int index) {
    const std::size_t n = row.a.size();
    std::vector<ExactAccumulator::Factor> fa(n), fb(n);
    for (std::size_t i = 0; i < n; ++i) {
        EXPECT_TRUE(ExactAccumulator::decode(row.a[i], fa[i]));
        EXPECT_TRUE(ExactAccumulator::decode(row.b[i], fb[i]));
    }
    ExactAccumulator exact;
    const Real expected = exact.dot(row.a.data(), row.b.data(), n);
    Real quick = 12345;
    const bool answered = window_dot(fa.data(), fb.data(), n, quick);
    if (answered)
        EXPECT_TRUE(bits_equal(quick, expected)) << what << " row " << index;
    else
        EXPECT_TRUE(bits_equal(quick, Real(12345))) << what << " row " << index;
    ExactAccumulator scratch;
    EXPECT_TRUE(bits_equal(rounded_dot(scratch, fa.data(), fb.data(), n), expected))
        << what << " row " << index;
    return answered;
}

// A random value with a 113-bit significand, a random sign and an exponent in [low, high].
Real random_value(std::mt19937_64& rng, int low, int high) {
    const unsigned __int128 bits = (unsigned __int128)(rng()) << 64 | rng();
    Real significand = 1 + Real(bits >> 15) * pow2(-113);
    const int exponent = low + int(rng() % std::uint64_t(high - low + 1));
    const Real value = scalbnq(significand, exponent);
    return (rng() & 1) != 0 ? -value : value;
}

TEST(WindowDot, RandomRowsMatchTheExactSum) {
    std::mt19937_64 rng(20261208);
    int answered = 0, total = 0;
    // Exponent ranges: data-like, wide, and spanning most of the binary128 range.
    const int ranges[][2] = {{-10, 10}, {-200, 200}, {-8000, 8000}};
    for (const auto& range : ranges)
        for (int r = 0; r < 4000; ++r) {
            Row row;
            const int n = 1 + int(rng() % 24);
            for (int i = 0; i < n; ++i) {
                row.a.push_back(random_value(rng, range[0], range[1]));
                row.b.push_back(random_value(rng, range[0], range[1]));
            }
            if (rng() % 8 == 0) row.a[rng() % n] = 0; // a zero term now and then
            answered += check_row(row, "random", r);
            ++total;
        }
    // Forecast-like rows: a constant and values of a few digits against fitted coefficients.
    int data_answered = 0;
    for (int r = 0; r < 4000; ++r) {
        Row row{{1}, {random_value(rng, -3, 6)}};
        for (int i = 0; i < 10; ++i) {
            row.a.push_back(Real((long long)(rng() % 2000000)) / 1024 - 900);
            row.b.push_back(random_value(rng, -4, 4));
        }
        data_answered += check_row(row, "data", r);
    }
    // Without cancellation the window settles all but about one row in 2^30.
    EXPECT_GT(answered, total * 99 / 100);
    EXPECT_EQ(data_answered, 4000);
}

TEST(WindowDot, CancellationDownToTheLastBits) {
    std::mt19937_64 rng(7);
    int answered = 0;
    for (int r = 0; r < 3000; ++r) {
        // Terms that cancel, exactly or to within a small remainder placed 2^-shift below.
        Row row;
        const int n = 2 + int(rng() % 8);
        for (int i = 0; i < n; ++i) {
            const Real a = random_value(rng, -30, 30), b = random_value(rng, -30, 30);
            row.a.insert(row.a.end(), {a, -a});
            row.b.insert(row.b.end(), {b, b});
        }
        // The residue a product of two full significands, so that it is not a binary128 value
        // itself (an exactly representable sum is always left to the exact accumulator).
        const int shift = int(rng() % 400);
        row.a.push_back(random_value(rng, -shift, -shift));
        row.b.push_back(random_value(rng, 0, 0));
        answered += check_row(row, "cancelling", r);
        // x*x - (1 + 2^-111) style: the products' low halves are all that is left.
        const Real x = 1 + scalbnq(Real(1 + rng() % 1000), -112);
        Row tail{{x, -(x * x)}, {x, 1}};
        check_row(tail, "low half", r);
    }
    // A residue far below the largest products is beyond the window; near ones are not.
    EXPECT_GT(answered, 0);
    EXPECT_LT(answered, 3000);
    // Everything cancels: +0 from the exact sum.
    check_row(Row{{5, -5}, {3, 3}}, "zero", 0);
    check_row(Row{{}, {}}, "empty", 0);
}

TEST(WindowDot, TiesAtTheRoundingBoundary) {
    std::mt19937_64 rng(11);
    for (int r = 0; r < 3000; ++r) {
        // m + 2^(e-113): exactly halfway, then nudged up or down by a term far below (or by
        // one within the window's error bound).
        const Real m = 1 + scalbnq(Real((long long)(rng() % 100000)), -112);
        const int e = int(rng() % 200) - 100;
        const Real half = scalbnq(Real(1), e - 113);
        const Real base = scalbnq(m, e);
        const int below = 1 + int(rng() % 300);
        const Real nudge = scalbnq(Real(1), e - 113 - below);
        check_row(Row{{base, half}, {1, 1}}, "tie", r);
        check_row(Row{{base, half, nudge}, {1, 1, 1}}, "above tie", r);
        check_row(Row{{base, half, -nudge}, {1, 1, 1}}, "below tie", r);
        check_row(Row{{base, half, nudge}, {-1, -1, 1}}, "negative tie", r);
        // The same halfway point as a product of two values and split across several terms.
        check_row(Row{{m, half, half}, {scalbnq(Real(1), e), Real(0.5), Real(0.5)}}, "split tie",
                  r);
        // Carry into the next binade: (2 - 2^-112) 2^e + half a unit and a nudge either way.
        const Real top = scalbnq(2 - pow2(-112), e);
        check_row(Row{{top, half, nudge}, {1, 1, 1}}, "carry", r);
        check_row(Row{{top, half, -nudge}, {1, 1, 1}}, "no carry", r);
    }
}

TEST(WindowDot, SubnormalsAndTheEndsOfTheRange) {
    std::mt19937_64 rng(3);
    const Real smallest = pow2(-16494);
    for (int r = 0; r < 2000; ++r) {
        // Subnormal factors times large ones: results normal or subnormal.
        const Real sub = smallest * Real((long long)(1 + rng() % (1LL << 60)));
        const Real big = random_value(rng, 50, 400);
        check_row(Row{{sub, random_value(rng, -16382, -16300)}, {big, big}}, "subnormal", r);
        check_row(Row{{sub, sub}, {random_value(rng, 100, 200), Real(1)}}, "subnormal sum", r);
        // Products whose sum is subnormal or near the smallest normal.
        check_row(Row{{random_value(rng, -8300, -8180)}, {random_value(rng, -8300, -8180)}},
                  "tiny product", r);
        // Near and beyond the largest binary128 value: overflow goes to infinity.
        check_row(Row{{random_value(rng, 16000, 16383), random_value(rng, 16000, 16383)},
                      {random_value(rng, 0, 400), random_value(rng, 0, 400)}},
                  "huge", r);
        // Products beyond the range that cancel back into it.
        const Real h = random_value(rng, 9000, 10000);
        check_row(Row{{h, 1, -h}, {h, random_value(rng, -5, 5), h}}, "beyond", r);
    }
    // The largest value rounded up overflows; the window leaves it to the exact sum.
    const Real largest = scalbnq(2 - pow2(-112), 16383);
    check_row(Row{{largest, scalbnq(Real(1), 16383 - 112)}, {1, 1}}, "overflow", 0);
}

} // namespace
} // namespace tarvex
