// The robust covariance kernel against an independent statistics package (R 4.2 with the
// sandwich package) and exact arithmetic: the Bartlett weights, the long-run covariance of a
// score sequence at several truncation lags, the scores given as columns times factors and
// through a row list, the long-run variance of one series (a lag past the sample included), the
// exact sums where plain binary128 sums lose the answer, a long sample whose rows cross blocks
// and threads, a non-finite score, the sandwich B M B and the Newey-West covariance of a
// least-squares fit.
//
// R session for the score sequences (an object whose scores are the rows of G and whose bread
// is n I, so that NeweyWest returns S itself, not divided by n):
//   library(sandwich)
//   estfun.scores <- function(x, ...) x$G
//   bread.scores <- function(x, ...) diag(ncol(x$G)) * nrow(x$G)
//   G <- cbind(c(0.5, -1.25, 2, 0.75, -0.5, 1.5, -2.25, 1, 0.25, -1),
//              c(1, 0.5, -1.5, 2.5, -0.75, 0.25, 1.25, -2, 0.5, -1.75))
//   obj <- structure(list(G = G), class = "scores")
#include "kernels/long_run_covariance.hpp"

#include "reference_support.hpp"

#include <gtest/gtest.h>

#include <vector>

namespace tarvex {
namespace {

using testing::agrees;
using testing::pow2;

const std::vector<Real> SCORE_1 = {0.5, -1.25, 2, 0.75, -0.5, 1.5, -2.25, 1, 0.25, -1};
const std::vector<Real> SCORE_2 = {1, 0.5, -1.5, 2.5, -0.75, 0.25, 1.25, -2, 0.5, -1.75};

GramColumns score_columns(const std::vector<const std::vector<Real>*>& columns) {
    GramColumns c;
    c.nobs = columns.front()->size();
    for (const std::vector<Real>* v : columns) c.columns.push_back(v->data());
    return c;
}

TEST(LongRunCovariance, BartlettWeightsFallFromOneToZero) {
    // seq(1, 0, by = -1/(L + 1)) with L = 3: 1, 0.75, 0.5, 0.25, 0.
    const Real want[] = {1, 0.75Q, 0.5Q, 0.25Q, 0};
    for (int j = 0; j <= 4; ++j) EXPECT_EQ(bartlett_weight(j, 3), want[j]) << j;
    // L = 2: 1 - 1/3 is rounded once.
    EXPECT_TRUE(agrees(bartlett_weight(1, 2), Real(2) / 3, 1e-33Q));
}

TEST(LongRunCovariance, ScoreSequenceMatchesNeweyWest) {
    // Every weight and score is a short binary fraction: R's values are exact, and so are ours.
    struct Case {
        int lag;
        Real s11, s12, s22;
    };
    const Case cases[] = {
        {0, 16, -3.4375Q, 19.25Q},     // NeweyWest(obj, lag = 0, prewhite = FALSE, adjust = FALSE)
        {1, 7.625Q, 0.96875Q, 9.125Q}, // NeweyWest(obj, lag = 1, prewhite = FALSE, adjust = FALSE)
        {3, 6.90625Q, 2.890625Q,
         10.40625Q}}; // NeweyWest(obj, lag = 3, prewhite = FALSE, adjust = FALSE)
    for (const Case& c : cases) {
        const std::vector<Real> s = long_run_covariance(score_columns({&SCORE_1, &SCORE_2}), c.lag);
        ASSERT_EQ(s.size(), 4u);
        EXPECT_EQ(s[0], c.s11) << c.lag;
        EXPECT_EQ(s[1], c.s12) << c.lag;
        EXPECT_EQ(s[2], c.s12) << c.lag;
        EXPECT_EQ(s[3], c.s22) << c.lag;
    }
}

TEST(LongRunCovariance, FactorsAndRowListGiveTheSameScores) {
    const std::vector<Real> want = long_run_covariance(score_columns({&SCORE_1, &SCORE_2}), 3);
    // The same scores as half the values times a factor 2, placed at every other position of
    // longer columns (the gaps hold values that must not be read).
    const std::size_t n = SCORE_1.size();
    std::vector<Real> half(2 * n, Real(1e30Q)), factor(2 * n, Real(-7));
    std::vector<std::size_t> rows(n);
    for (std::size_t i = 0; i < n; ++i) {
        rows[i] = 2 * i + 1;
        half[rows[i]] = SCORE_1[i] / 2;
        factor[rows[i]] = 2;
    }
    std::vector<Real> second(2 * n, Real(0));
    for (std::size_t i = 0; i < n; ++i) second[rows[i]] = SCORE_2[i] / 2;
    GramColumns scaled;
    scaled.nobs = n;
    scaled.columns = {half.data(), second.data()};
    scaled.row_scale = factor.data();
    scaled.rows = rows.data();
    EXPECT_EQ(long_run_covariance(scaled, 3), want);
    // A null column is the factor: the series SCORE_1 as factors alone.
    GramColumns series;
    series.nobs = n;
    series.columns = {nullptr};
    series.row_scale = SCORE_1.data();
    EXPECT_EQ(long_run_covariance(series, 3)[0], want[0]);
}

TEST(LongRunCovariance, LongRunVarianceOfOneSeries) {
    // e <- c(1, -1, 2, 0); o1 <- structure(list(G = cbind(e)), class = "scores")
    // NeweyWest(o1, lag = 1, prewhite = FALSE, adjust = FALSE) / length(e): (6 - 3) / 4.
    const std::vector<Real> e = {1, -1, 2, 0};
    EXPECT_EQ(long_run_variance(e, 1), 0.75Q);
    EXPECT_EQ(long_run_variance(e, 0), 1.5Q); // sum e**2 / n
    // A lag past the sample adds nothing, yet sets the weights: lag = 10 gives
    // (6 - 2 (10/11) 3 + 2 (9/11) 2) / 4 = 21/22 (R warns "only first n used").
    // NeweyWest(o1, lag = 10, prewhite = FALSE, adjust = FALSE) / length(e) = 0.95454545454545459
    EXPECT_TRUE(agrees(long_run_variance(e, 10), Real(21) / 22, 1e-32Q));
    EXPECT_TRUE(agrees(long_run_variance(e, 10), 0.95454545454545459Q));
}

TEST(LongRunCovariance, SumsAreExactWherePlainSumsLoseTheAnswer) {
    // T = 2**60: products near 2**120 keep only 113 bits, so summed one by one in binary128
    // they lose the small integers that are the whole answer.
    const Real t = pow2(60);
    const std::vector<Real> a = {t + 1, t + 1, 3}, b = {t + 1, -(t - 1), t - 1};
    // (T+1)**2 - (T+1)(T-1) + 3(T-1) = 5T - 1 (plain sums give 5T - 3).
    EXPECT_EQ(long_run_covariance(score_columns({&a, &b}), 0)[1], 5 * t - 1);
    // Lag 0 gives 2T + 2 and the lag-1 pairs (T+1)**2 - (T+1)(T-1) = 2T + 2 with weight 1/2:
    // 3T + 3 (plain sums, one product at a time, give 3T).
    const std::vector<Real> c = {t + 1, t + 1, t + 1}, d = {t + 1, 0, -(t - 1)};
    EXPECT_EQ(long_run_covariance(score_columns({&c, &d}), 1)[1], 3 * t + 3);
}

TEST(LongRunCovariance, LongSampleAcrossBlocksAndThreadsIsExact) {
    // 100,003 rows through a row list (every other position), scores a column times a factor:
    // small integers, so every sum and the weights of lag 3 (3/4, 1/2, 1/4) are exact and S is
    // known in integer arithmetic. The rows cross many blocks and are shared among threads; the
    // lags reach back over each block's and each share's first rows.
    const std::size_t n = 100003;
    const int k = 3, lag = 3;
    std::vector<std::vector<Real>> columns(k, std::vector<Real>(2 * n, Real(1e30Q)));
    std::vector<Real> factor(2 * n, Real(-7));
    std::vector<std::size_t> rows(n);
    std::vector<std::vector<long long>> g(k, std::vector<long long>(n));
    unsigned long long state = 12345;
    auto next_small = [&state]() {
        state = state * 6364136223846793005ULL + 1442695040888963407ULL;
        return static_cast<long long>((state >> 33) % 17) - 8; // -8 .. 8
    };
    for (std::size_t i = 0; i < n; ++i) {
        rows[i] = 2 * i + 1;
        long long f = next_small();
        if (f == 0) f = 3;
        factor[rows[i]] = Real(f);
        for (int c = 0; c < k; ++c) {
            const long long v = next_small();
            columns[c][rows[i]] = Real(v);
            g[c][i] = v * f;
        }
    }
    GramColumns scores;
    scores.nobs = n;
    scores.row_scale = factor.data();
    scores.rows = rows.data();
    for (int c = 0; c < k; ++c) scores.columns.push_back(columns[c].data());
    const std::vector<Real> s = long_run_covariance(scores, lag);
    ASSERT_EQ(s.size(), std::size_t(k * k));
    for (int a = 0; a < k; ++a)
        for (int b = 0; b < k; ++b) {
            // 4 S = 4 G_0 + sum_j (4 - j) (G_j + G_j'), in integers.
            long long four_s = 0;
            for (std::size_t t = 0; t < n; ++t) four_s += 4 * g[a][t] * g[b][t];
            for (int j = 1; j <= lag; ++j)
                for (std::size_t t = std::size_t(j); t < n; ++t)
                    four_s += (4 - j) * (g[a][t] * g[b][t - j] + g[a][t - j] * g[b][t]);
            EXPECT_EQ(s[std::size_t(a) * k + b], Real(four_s) / 4) << a << " " << b;
        }
}

TEST(LongRunCovariance, NonFiniteScoreMakesEveryElementNaN) {
    std::vector<Real> bad = SCORE_1;
    bad[4] = Real(1) / Real(0);
    for (int lag : {0, 2})
        for (Real v : long_run_covariance(score_columns({&SCORE_2, &bad}), lag))
            EXPECT_TRUE(isnanq(v)) << lag;
}

TEST(LongRunCovariance, SandwichAndNeweyWestOfALeastSquaresFit) {
    // B <- matrix(c(2, 1, 1, 3), 2); M <- matrix(c(1, 0.5, 0.5, 2), 2); B %*% M %*% B
    const std::vector<Real> bm = sandwich_product({2, 1, 1, 3}, {1, 0.5Q, 0.5Q, 2}, 2);
    EXPECT_EQ(bm, (std::vector<Real>{8, 11.5Q, 11.5Q, 22}));

    // d <- data.frame(x = 1:10, y = c(2.1, 3.9, 6.2, 7.8, 10.5, 11.6, 14.3, 15.9, 18.4, 19.7))
    // fm <- lm(y ~ x, data = d)
    const int n = 10;
    const char* y_text[] = {"2.1",  "3.9",  "6.2",  "7.8",  "10.5",
                            "11.6", "14.3", "15.9", "18.4", "19.7"};
    std::vector<Real> x(2 * n), y(n);
    Real sy = 0, sxy = 0;
    for (int i = 0; i < n; ++i) {
        x[i] = 1;
        x[n + i] = i + 1;
        y[i] = strtoflt128(y_text[i], nullptr);
        sy += y[i];
        sxy += (i + 1 - Real(5.5Q)) * y[i];
    }
    // Sxx = 82.5; (X'X)**-1 = [[385, -55], [-55, 10]] / 825.
    const Real slope = sxy / Real(82.5Q), intercept = sy / n - slope * Real(5.5Q);
    std::vector<Real> e(n);
    for (int i = 0; i < n; ++i) e[i] = y[i] - intercept - slope * (i + 1);
    const std::vector<Real> bread = {Real(385) / 825, Real(-55) / 825, Real(-55) / 825,
                                     Real(10) / 825};
    struct Case {
        int lag;
        Real v11, v12, v22;
    };
    const Case cases[] = {
        // vcovHC(fm, type = "HC0") = NeweyWest(fm, lag = 0, prewhite = FALSE, adjust = FALSE)
        {0, 0.0181586531986531775Q, -0.00279806550352004269Q, 0.00069519882015749645Q},
        // NeweyWest(fm, lag = 2, prewhite = FALSE, adjust = FALSE)
        {2, 0.00551451538958609971Q, -0.00089604551174431830Q, 0.00023348085187237071Q}};
    for (const Case& c : cases) {
        const std::vector<Real> v = robust_least_squares_covariance(x, e, bread, n, 2, c.lag);
        EXPECT_TRUE(agrees(v[0], c.v11)) << c.lag;
        EXPECT_TRUE(agrees(v[1], c.v12)) << c.lag;
        EXPECT_TRUE(agrees(v[2], c.v12)) << c.lag;
        EXPECT_TRUE(agrees(v[3], c.v22)) << c.lag;
    }
}

} // namespace
} // namespace tarvex
