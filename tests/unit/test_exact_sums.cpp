// Exact sums over vectors: closed forms of sums over 1..n, cancellation that a running sum
// loses, and centres with a full 113-bit significand repeated many times.
#include "numeric/exact_sums.hpp"

#include "numeric/decimal.hpp"
#include "numeric/exact_dot.hpp"

#include "reference_support.hpp"

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

namespace tarvex {
namespace {

using testing::pow2;

using testing::bits_equal;

std::vector<Real> one_to(int n) {
    std::vector<Real> v(n);
    for (int i = 0; i < n; ++i) v[i] = i + 1;
    return v;
}

TEST(ExactSums, ClosedFormsOverOneToN) {
    const int n = 1001;
    const std::vector<Real> v = one_to(n);
    const Real nn = n;
    EXPECT_TRUE(bits_equal(exact_sum(v.data(), n), nn * (nn + 1) / 2));
    // About the mean (n+1)/2: n(n^2-1)/12.
    EXPECT_TRUE(
        bits_equal(exact_centred_squares(v.data(), n, (nn + 1) / 2), nn * (nn * nn - 1) / 12));
    // sum i(i-1) for i = 2..n is (n-1)n(n+1)/3; every difference is 1.
    EXPECT_TRUE(bits_equal(exact_lag_products(v.data(), n), (nn - 1) * nn * (nn + 1) / 3));
    EXPECT_TRUE(bits_equal(exact_squared_differences(v.data(), n), nn - 1));
    // The same from the sum of all the squares, n(n+1)(2n+1)/6, the lag products and the ends.
    ExactAccumulator squares_1n, lag_1n;
    squares_1n.add(nn * (nn + 1) * (2 * nn + 1) / 6);
    lag_1n.add((nn - 1) * nn * (nn + 1) / 3);
    EXPECT_TRUE(
        bits_equal(exact_squared_differences_from_sums(squares_1n, lag_1n, n, 1, nn), nn - 1));
    EXPECT_TRUE(bits_equal(exact_squared_differences_from_sums(squares_1n, lag_1n, 1, 1, 1), 0));
    // (i - 1)(i - 501) summed: sum i^2 - 502 sum i + 501 n.
    std::vector<Real> w = v;
    const Real expected = nn * (nn + 1) * (2 * nn + 1) / 6 - 502 * nn * (nn + 1) / 2 + 501 * nn;
    EXPECT_TRUE(bits_equal(exact_centred_products(v.data(), w.data(), n, 1, 501), expected));
    // Squares of 1, 4, 9, 16: differences 3, 5, 7.
    const std::vector<Real> squares = {1, 4, 9, 16};
    EXPECT_TRUE(bits_equal(exact_squared_differences(squares.data(), 4), 83));
    EXPECT_TRUE(bits_equal(exact_lag_products(squares.data(), 4), 184));
    std::vector<Real> negative = {-3, 2, -7.5Q};
    EXPECT_TRUE(bits_equal(exact_abs_sum(negative.data(), 3), 12.5Q));
    EXPECT_TRUE(bits_equal(exact_squared_differences(negative.data(), 1), 0));
    EXPECT_TRUE(bits_equal(exact_sum(negative.data(), 0), 0));
}

TEST(ExactSums, CancellationARunningSumLoses) {
    // 1e30 + 1 - 1e30 is 0 in a running binary128 sum; exactly it is 1.
    const std::vector<Real> v = {1e30Q, 1, -1e30Q};
    EXPECT_TRUE(bits_equal(exact_sum(v.data(), 3), 1));
    // Values 2^100 + i about 2^100 + 2.5: squares 2.25 + 0.25 + 0.25 + 2.25, although every
    // square is near 2^200 and a difference formed first would be exact only by luck.
    std::vector<Real> big(4);
    for (int i = 0; i < 4; ++i) big[i] = pow2(100) + (i + 1);
    EXPECT_TRUE(bits_equal(exact_centred_squares(big.data(), 4, pow2(100) + 2.5Q), 5));
    // Differences of consecutive values near 2^100 are 1 each.
    EXPECT_TRUE(bits_equal(exact_squared_differences(big.data(), 4), 3));
    // From the sums: 2 * (squares near 2^202) - ends - 2 * (lag products near 2^200) leaves 3.
    ExactAccumulator big_squares, big_lag;
    big_squares.add_products(big.data(), big.data(), 4);
    big_lag.add_products(big.data() + 1, big.data(), 3);
    EXPECT_TRUE(bits_equal(
        exact_squared_differences_from_sums(big_squares, big_lag, 4, big[0], big[3]), 3));
    // The mean found on the way gives the same centre.
    const MeanAndSquares m = exact_mean_and_centred_squares(big.data(), 4);
    EXPECT_TRUE(bits_equal(m.mean, pow2(100) + 2.5Q));
    EXPECT_TRUE(bits_equal(m.centred_squares, 5));
}

TEST(ExactSums, FullPrecisionCentreRepeatedManyTimes) {
    // n copies of a value with 113 significant bits about itself: exactly 0, which needs n times
    // the centre's square, a 226-bit number, to be added without rounding.
    for (Real c : {1 / 3.0Q, -1e-7Q / 3, 1e300Q / 7}) {
        const std::vector<Real> v(100003, c);
        EXPECT_TRUE(bits_equal(exact_centred_squares(v.data(), v.size(), c), 0));
        EXPECT_TRUE(bits_equal(exact_centred_products(v.data(), v.data(), v.size(), c, c), 0));
        // About 0 a single value gives its square, rounded once.
        EXPECT_TRUE(bits_equal(exact_centred_squares(v.data(), 1, 0), c * c));
    }
}

// The centred products of many pairs from each column's sum kept as parts (PORTFOLI's
// covariance matrix) are the same bits as from the column's own accumulator, also where the
// sums need several parts: values of 1e30 and 1e-30 side by side, centred far from the mean.
TEST(ExactSums, CentredProductsFromPartsMatchTheAccumulators) {
    std::vector<Real> a, b;
    for (int i = 0; i < 200; ++i) {
        a.push_back(Real(i % 7 == 0 ? 1e30Q : 1e-30Q) * (i % 3 == 0 ? -1 : 1) + Real(i) / 3);
        b.push_back(Real(1) / Real(i + 1) + (i % 11 == 0 ? Real(1e25Q) : Real(0)));
    }
    const Real ca = Real(2) / 3, cb = Real(-1e20Q) / 7;
    ExactAccumulator sum_a, sum_b, products;
    sum_a.add_values(a.data(), a.size());
    sum_b.add_values(b.data(), b.size());
    const std::vector<Real> parts_a = exact_parts(sum_a), parts_b = exact_parts(sum_b);
    EXPECT_GT(parts_a.size(), 1u); // the sum is not one binary128 number
    products.add_products(a.data(), b.data(), a.size());
    const Real from_parts = exact_centred_from_parts(products, parts_a, parts_b, a.size(), ca, cb);
    EXPECT_EQ(from_parts, exact_centred_products(a.data(), b.data(), a.size(), ca, cb));
}

} // namespace
} // namespace tarvex
