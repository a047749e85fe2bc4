// SORT's ordering: stable under ties (a zero of either sign is one value), keys compared in
// turn with each its own direction, missing keys (the code or NaN) last in their own order.
#include "utilities/sort_order.hpp"

#include <gtest/gtest.h>

namespace tarvex {
namespace {

using Rows = std::vector<std::size_t>;
const Real CODE = -99999;

TEST(SortOrder, TiesKeepTheirOrderAndSignedZerosTie) {
    const std::vector<Real> x = {3, -0.0Q, 1, 3, 0, -2, 1};
    const SortOrder o = sort_order({{&x, false}}, CODE);
    EXPECT_EQ(o.rows, (Rows{5, 1, 4, 2, 6, 0, 3}));
    const SortOrder d = sort_order({{&x, true}}, CODE);
    EXPECT_EQ(d.rows, (Rows{0, 3, 2, 6, 1, 4, 5}));
}

TEST(SortOrder, SecondKeyBreaksTiesOfTheFirstInItsOwnDirection) {
    const std::vector<Real> g = {2, 1, 2, 1, 2};
    const std::vector<Real> x = {5, 7, 9, 7, 1};
    const SortOrder o = sort_order({{&g, false}, {&x, true}}, CODE);
    EXPECT_EQ(o.rows, (Rows{1, 3, 2, 0, 4}));
    EXPECT_EQ(o.missing, 0u);
}

TEST(SortOrder, MissingKeysGoLastInTheirOrder) {
    const std::vector<Real> g = {2, CODE, 1, 3, 1};
    const std::vector<Real> x = {1, 1, nanq(""), 0, 0};
    const SortOrder o = sort_order({{&g, true}, {&x, false}}, CODE);
    EXPECT_EQ(o.rows, (Rows{3, 0, 4, 1, 2}));
    EXPECT_EQ(o.missing, 2u);
}

} // namespace
} // namespace tarvex
