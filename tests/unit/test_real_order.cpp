// Order keys of binary128 values: integer order is the order of the values over every kind of
// value (infinities, subnormals, signed zeros), sorting by keys gives back the same bits, and the
// stable order keeps equal values (+0 and -0 among them) in the order of their indices.
#include "numeric/real_order.hpp"

#include "numeric/decimal.hpp"
#include "reference_support.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <random>

namespace tarvex {
namespace {

using testing::pow2;

using testing::same_bits;

// Values in ascending order, each kind of binary128 value represented.
std::vector<Real> ladder() {
    const Real smallest = pow2(-16494), largest = (2 - pow2(-112)) * pow2(16383);
    return {-__builtin_infq(),
            -largest,
            -1e300Q,
            -2,
            -(1 + pow2(-112)),
            -1,
            -(1 - pow2(-113)),
            -pow2(-16382),
            -smallest,
            -0.0Q,
            0,
            smallest,
            2 * smallest,
            pow2(-16382) - smallest,
            pow2(-16382),
            0.1Q,
            1,
            1 + pow2(-112),
            3,
            1e4000Q,
            largest,
            __builtin_infq()};
}

TEST(RealOrder, KeysFollowTheValues) {
    const std::vector<Real> v = ladder();
    for (std::size_t i = 0; i + 1 < v.size(); ++i)
        EXPECT_LT(order_key(v[i]), order_key(v[i + 1])) << "position " << i;
    for (Real x : v) EXPECT_TRUE(same_bits(value_of_key(order_key(x)), x));
}

TEST(RealOrder, EqualityOnTheBitsIsTheIeeeEquality) {
    // Every pair of the ladder, its NaNs included, compared as the soft-float == compares them.
    std::vector<Real> v = ladder();
    v.push_back(nanq(""));
    v.push_back(-nanq(""));
    for (Real a : v)
        for (Real b : v)
            EXPECT_EQ(equal_values(a, b), a == b)
                << real_to_string(a) << " vs " << real_to_string(b);
}

TEST(RealOrder, SortingGivesTheLadderBack) {
    const std::vector<Real> expected = ladder();
    std::vector<Real> v = expected;
    std::mt19937_64 rng(11);
    for (int trial = 0; trial < 20; ++trial) {
        std::shuffle(v.begin(), v.end(), rng);
        sort_reals(v);
        for (std::size_t i = 0; i < v.size(); ++i)
            EXPECT_TRUE(same_bits(v[i], expected[i])) << "position " << i;
    }
    // Random values, few and many, spread over many binades or crowded into a narrow range
    // with repeats: the same order as the soft-float comparison.
    for (const int n : {2000, 100000}) {
        for (const int crowded : {0, 1}) {
            std::vector<Real> r;
            for (int i = 0; i < n; ++i) {
                const Real wide = scalbnq(Real(static_cast<long long>(rng() >> 1)) - pow2(62),
                                          static_cast<int>(rng() % 200) - 100);
                const Real narrow = 1000 + Real(static_cast<long long>(rng() % 5000)) / 1024;
                r.push_back(crowded ? narrow : wide);
            }
            std::vector<Real> by_value = r;
            std::sort(by_value.begin(), by_value.end());
            sort_reals(r);
            EXPECT_EQ(r, by_value) << n << " values, crowded " << crowded;
        }
    }
}

TEST(RealOrder, StableOrderKeepsTiesInIndexOrder) {
    const std::vector<Real> v{3, -0.0Q, 1, 0, 3, -1, -0.0Q, 1};
    const std::vector<std::size_t> expected{5, 1, 3, 6, 2, 7, 0, 4};
    EXPECT_EQ(stable_order(v), expected);
    EXPECT_TRUE(stable_order({}).empty());
}

} // namespace
} // namespace tarvex
