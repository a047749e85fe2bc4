// Numbers of the descriptive-statistics command against independent references: exact rational
// results on small integer data worked by hand, closed forms of the t, F and chi-square tails
// for one and two degrees of freedom, exact binomial sums, and constructed accuracy data whose
// mean and standard deviation are known exactly (values 1.2, then 1.1 and 1.3 alternating).
#include "kernels/stats_moments.hpp"
#include "kernels/stats_order.hpp"
#include "kernels/stats_tests.hpp"
#include "numeric/decimal.hpp"
#include "numeric/qmath.hpp"

#include <gtest/gtest.h>

#include <algorithm>

namespace tarvex {
namespace {

const Real PI = M_PIq;

// |a - b| within `rel` of |b| (absolutely when b is 0).
::testing::AssertionResult close(Real a, Real b, Real rel = 1e-30Q) {
    const Real scale = b == 0 ? Real(1) : fabsq(b);
    if (fabsq(a - b) <= rel * scale) return ::testing::AssertionSuccess();
    char sa[64], sb[64];
    quadmath_snprintf(sa, sizeof sa, "%.36Qg", a);
    quadmath_snprintf(sb, sizeof sb, "%.36Qg", b);
    return ::testing::AssertionFailure() << sa << " differs from " << sb;
}

WeightedValues plain(std::vector<Real> x) {
    return WeightedValues{std::move(x), {}};
}

TEST(StatsMoments, ExactSmallDataAndDivisors) {
    // 2 4 4 4 5 5 7 9: mean 5, squared deviations sum to 32, third 42, fourth 356.
    const VariableSummary s = summarize(plain({2, 4, 4, 4, 5, 5, 7, 9}), false);
    EXPECT_EQ(s.count, 8);
    EXPECT_TRUE(close(s.mean, 5));
    EXPECT_TRUE(close(s.sum, 40));
    EXPECT_TRUE(close(s.variance, Real(32) / 7));
    EXPECT_TRUE(close(s.stdev, sqrtq(Real(32) / 7)));
    EXPECT_TRUE(close(s.m2, 4));
    EXPECT_TRUE(close(s.m3, Real(42) / 8));
    EXPECT_TRUE(close(s.m4, Real(356) / 8));
    EXPECT_EQ(s.minimum, 2);
    EXPECT_EQ(s.maximum, 9);
    EXPECT_TRUE(close(s.cv, sqrtq(Real(32) / 7) / 5));
    const VariableSummary dn = summarize(plain({2, 4, 4, 4, 5, 5, 7, 9}), true);
    EXPECT_TRUE(close(dn.variance, 4));
    EXPECT_TRUE(close(dn.stdev, 2));
    // A single value has no spread; a zero mean leaves the coefficient of variation undefined.
    EXPECT_EQ(summarize(plain({3}), false).variance, 0);
    EXPECT_FALSE(summarize(plain({-1, 1}), false).cv_defined);
}

TEST(StatsMoments, ConstructedAccuracyData) {
    // 1.2, then 500 pairs 1.1, 1.3, shifted by 0, 1e6 and 1e7: mean exactly shift + 1.2 and
    // standard deviation exactly 0.1 (1000 deviations of 0.1 over 1000 degrees of freedom).
    for (const Real shift : {Real(0), Real(1000000), Real(10000000)}) {
        std::vector<Real> x{shift + 1.2Q};
        for (int i = 0; i < 500; ++i) {
            x.push_back(shift + 1.1Q);
            x.push_back(shift + 1.3Q);
        }
        const VariableSummary s = summarize(plain(x), false);
        EXPECT_EQ(s.count, 1001);
        EXPECT_TRUE(close(s.mean, shift + 1.2Q, 1e-32Q));
        EXPECT_TRUE(close(s.stdev, 0.1Q, 1e-25Q));
    }
    // Three values 10000001, 10000003, 10000002: mean 10000002, standard deviation 1.
    const VariableSummary t = summarize(plain({10000001, 10000003, 10000002}), false);
    EXPECT_TRUE(close(t.mean, 10000002));
    EXPECT_TRUE(close(t.stdev, 1));
    // The leading digits all three share: log10(10000003 / 2).
    EXPECT_TRUE(close(t.constant_digits, log10q(Real(10000003) / 2)));
    EXPECT_EQ(constant_digits(5, 5), 34);
    EXPECT_EQ(constant_digits(0, 0), 0);
    EXPECT_EQ(constant_digits(-1, 100), 0);
}

TEST(StatsMoments, WeightsAsReplicationAndScaled) {
    // Replication counts 1 2 1 on 1 2 3 are the data 1 2 2 3: N 4, mean 2, variance 2/3.
    const VariableSummary r = summarize(WeightedValues{{1, 2, 3}, {1, 2, 1}}, false);
    const VariableSummary copy = summarize(plain({1, 2, 2, 3}), false);
    EXPECT_TRUE(close(r.n, 4));
    EXPECT_TRUE(close(r.mean, copy.mean));
    EXPECT_TRUE(close(r.variance, copy.variance));
    EXPECT_TRUE(close(r.variance, Real(2) / 3));
    // Weights scaled to sum to N = 3 (0.75 1.5 0.75): variance (0.75 + 0.75) / 2.
    const VariableSummary w = summarize(WeightedValues{{1, 2, 3}, {0.75Q, 1.5Q, 0.75Q}}, false);
    EXPECT_TRUE(close(w.mean, 2));
    EXPECT_TRUE(close(w.variance, 0.75Q));
}

TEST(StatsMoments, PairCrossProducts) {
    // x 1..4, y 2 1 4 3: sum xy 28, deviations cross product 3, sums of squares 5 and 5.
    const PairMoments p = pair_moments({1, 2, 3, 4}, {2, 1, 4, 3}, {});
    EXPECT_EQ(p.count, 4);
    EXPECT_TRUE(close(p.raw, 28));
    EXPECT_TRUE(close(p.dev, 3));
    EXPECT_TRUE(close(p.ssx, 5));
    EXPECT_TRUE(close(p.ssy, 5));
    // Around a large offset the deviations stay exact.
    const Real big = 1e20Q;
    const PairMoments q = pair_moments({big + 1, big + 2, big + 3, big + 4}, {2, 1, 4, 3}, {});
    EXPECT_TRUE(close(q.dev, 3, 1e-20Q));
}

TEST(StatsOrder, MedianQuartilesAndModes) {
    std::vector<Real> ten;
    for (int i = 10; i >= 1; --i) ten.push_back(i);
    ten.push_back(-99999); // the missing-value code is left out
    const OrderStatistics o = SORTSH(ten, -99999);
    EXPECT_EQ(o.n, 10);
    EXPECT_EQ(o.median, 5.5Q);
    EXPECT_EQ(o.lower_quartile, 2.75Q);
    EXPECT_EQ(o.upper_quartile, 8.25Q);
    EXPECT_FALSE(o.mode_applicable);

    // Odd count: 7 values, quartile positions 2 and 6 fall on values.
    const OrderStatistics odd = SORTSH({7, 1, 3, 3, 9, 5, 3}, -99999);
    EXPECT_EQ(odd.median, 3);
    EXPECT_EQ(odd.lower_quartile, 3);
    EXPECT_EQ(odd.upper_quartile, 7);
    EXPECT_EQ(odd.mode, 3);
    EXPECT_EQ(odd.mode_count, 3);
    EXPECT_FALSE(odd.multiple_modes);

    // Two values twice each: the larger is the mode; values within 1e-11 count as equal.
    const OrderStatistics two = SORTSH({4, 1, 4 + 1e-13Q, 1, 2}, -99999);
    EXPECT_TRUE(two.multiple_modes);
    EXPECT_EQ(two.mode_count, 2);
    EXPECT_TRUE(close(two.mode, 4, 1e-12Q));
    const OrderStatistics apart = SORTSH({1, 1 + 1e-9Q}, -99999);
    EXPECT_FALSE(apart.mode_applicable);
    // One value: every statistic is that value.
    const OrderStatistics one = SORTSH({6}, -99999);
    EXPECT_EQ(one.median, 6);
    EXPECT_EQ(one.lower_quartile, 6);
    EXPECT_EQ(one.upper_quartile, 6);
}

TEST(StatsOrder, RunsOfNearlyEqualValuesAtEveryScale) {
    // Two values a fraction of the tolerance apart form one row of the frequency table; two
    // values a little more than the tolerance apart form two. Each pair is also checked against
    // the definition, |a - b| <= 1e-11 max(1, |a|, |b|), so that the rows follow it exactly.
    const Real factors[] = {0.5Q, 0.98Q, 0.999999Q, 1.000001Q, 1.02Q, 3};
    const Real scales[] = {1e-30Q, 1e-12Q, 0.3Q, 1, 7.5Q, 1e6Q, 1e300Q, 1e4900Q};
    for (const Real scale : scales)
        for (const Real sign : {Real(1), Real(-1)})
            for (const Real factor : factors) {
                const Real a = sign * scale;
                const Real gap = factor * EQUAL_VALUE_TOLERANCE * std::max(Real(1), fabsq(a));
                const Real b = a + gap;
                const bool equal =
                    fabsq(a - b) <= EQUAL_VALUE_TOLERANCE * std::max({Real(1), fabsq(a), fabsq(b)});
                EXPECT_EQ(frequency_table({b, a}).size(), equal ? 1u : 2u)
                    << "a " << real_to_string(a) << " b " << real_to_string(b);
            }
    // Below 1 the tolerance is absolute: values of opposite sign can be nearly equal.
    EXPECT_EQ(frequency_table({-1e-12Q, 2e-12Q}).size(), 1u);
    EXPECT_EQ(frequency_table({-1e-11Q, 2e-11Q}).size(), 2u);
    EXPECT_EQ(frequency_table({-0.0Q, 0, 1e-300Q}).size(), 1u);
    // A run is measured from its first value: 0, 0.6e-11, 1.2e-11 are two runs.
    EXPECT_EQ(frequency_table({0, 0.6e-11Q, 1.2e-11Q}).size(), 2u);
}

TEST(StatsOrder, RanksFrequenciesAndStems) {
    const std::vector<Real> ranks = average_ranks({10, 20, 20, 5, 20});
    EXPECT_EQ(ranks, (std::vector<Real>{2, 4, 4, 1, 4}));
    EXPECT_EQ(tie_sum({10, 20, 20, 5, 20}), 24); // one group of three: 27 - 3

    const std::vector<FrequencyRow> f = frequency_table({3, 1, 3, 2});
    ASSERT_EQ(f.size(), 3u);
    EXPECT_EQ(f[0].value, 1);
    EXPECT_EQ(f[2].count, 2);
    EXPECT_EQ(f[1].percent, 25);
    EXPECT_EQ(f[1].cumulative, 50);
    EXPECT_EQ(f[1].remaining, 50);
    EXPECT_EQ(f[2].remaining, 0);

    bool too_many = true;
    const std::vector<StemRow> s = stem_and_leaf({12, 15, 31, 27, 9.5Q}, 1, 100, too_many);
    EXPECT_FALSE(too_many);
    ASSERT_EQ(s.size(), 4u); // stems 0 .. 3, the empty stem 2 included
    EXPECT_EQ(s[0].stem, 0);
    EXPECT_EQ(s[0].leaves, "9");
    EXPECT_EQ(s[1].leaves, "25");
    EXPECT_EQ(s[2].leaves, "7");
    EXPECT_EQ(s[3].cumulative, 5);
    // A negative value sits on the stem below: -12 is stem -2, leaf 8.
    const std::vector<StemRow> neg = stem_and_leaf({-12}, 1, 100, too_many);
    EXPECT_EQ(neg[0].stem, -2);
    EXPECT_EQ(neg[0].leaves, "8");
    // Leaves stop at 60 digits; stems beyond the limit are refused.
    const std::vector<StemRow> many = stem_and_leaf(std::vector<Real>(70, 1), 1, 100, too_many);
    EXPECT_EQ(many[0].leaves.size(), 60u);
    EXPECT_EQ(many[0].cumulative, 70);
    stem_and_leaf({0, 1000}, 0, 100, too_many);
    EXPECT_TRUE(too_many);
    // Stem units beyond the range of the arithmetic are refused, zero values included.
    for (const int digits : {-6000, -4960, 4940, 6000}) {
        EXPECT_TRUE(stem_and_leaf({0, 1, -1}, digits, 100, too_many).empty()) << digits;
        EXPECT_TRUE(too_many) << digits;
    }
}

TEST(StatsTests, AnalysisOfVariance) {
    // Groups 1 3 and 5 7: between SS 16 on 1, within 4 on 2, F 8; P(F(1,2) > 8) is the
    // two-sided t(2) tail at sqrt 8: 1 - sqrt(8/10).
    const OneWayAnova a = one_way_anova({{1, 3}, {5, 7}});
    EXPECT_TRUE(close(a.mean, 4));
    EXPECT_TRUE(close(a.between.ss, 16));
    EXPECT_TRUE(close(a.within.ss, 4));
    EXPECT_TRUE(close(a.total.ss, 20));
    EXPECT_EQ(a.within.df, 2);
    EXPECT_TRUE(close(a.between.f, 8));
    EXPECT_TRUE(close(a.between.p, 1 - sqrtq(0.8Q), 1e-28Q));
    // Unequal groups 1 2 3 | 4 6 | 8: grand mean 4, between 3*4 + 2*1 + 16 = 30 on 2, within 4
    // on 3, F = 11.25; the F(2, d) tail is (1 + 2f/d)^(-d/2) = 8.5^-1.5.
    const OneWayAnova u = one_way_anova({{1, 2, 3}, {4, 6}, {8}});
    EXPECT_TRUE(close(u.between.ss, 30));
    EXPECT_TRUE(close(u.within.ss, 4));
    EXPECT_EQ(u.between.df, 2);
    EXPECT_EQ(u.within.df, 3);
    EXPECT_TRUE(close(u.between.f, 11.25Q));
    EXPECT_TRUE(close(u.between.p, powq(8.5Q, -1.5Q), 1e-28Q));
    EXPECT_TRUE(u.between.tested);
    // Identical groups leave no error: no F is formed.
    EXPECT_FALSE(one_way_anova({{2, 2}, {2, 2}}).between.tested);
    // Two groups by three blocks: x = (1 2 6), (3 5 7).
    const TwoWayAnova t = two_way_anova({{1, 2, 6}, {3, 5, 7}});
    // Grand mean 4; group means 3, 5; block means 2, 3.5, 6.5.
    EXPECT_TRUE(close(t.groups.ss, 6));
    EXPECT_TRUE(close(t.blocks.ss, 2 * (4 + 0.25Q + 6.25Q)));
    EXPECT_TRUE(close(t.total.ss, 9 + 4 + 4 + 1 + 1 + 9));
    EXPECT_TRUE(close(t.error.ss, t.total.ss - t.groups.ss - t.blocks.ss, 1e-30Q));
    EXPECT_EQ(t.error.df, 2);
    EXPECT_EQ(t.blocks.df, 2);
    // F(2, 2) upper tail at f is 1 / (1 + f).
    EXPECT_TRUE(close(t.blocks.p, 1 / (1 + t.blocks.f), 1e-28Q));
}

TEST(StatsTests, BartlettAndTwoSample) {
    // Variances 2 and 8 on one degree of freedom each: pooled 5, statistic ln(25/16) / 1.5,
    // chi-square(1) tail erfc(sqrt(x/2)).
    const BartlettTest b = bartlett_test({{1, 3}, {5, 9}});
    ASSERT_TRUE(b.valid);
    EXPECT_TRUE(close(b.pooled, 5));
    EXPECT_TRUE(close(b.statistic, logq(25.0Q / 16) / 1.5Q));
    EXPECT_TRUE(close(b.p, erfcq(sqrtq(b.statistic / 2)), 1e-28Q));
    EXPECT_EQ(b.df, 1);
    EXPECT_FALSE(bartlett_test({{1, 3}, {4, 4}}).valid);

    // a = 1 3, b = 4 8: difference -4, variances 2 and 8.
    const TwoSampleTests t = two_sample_tests({1, 3}, {4, 8});
    ASSERT_TRUE(t.valid);
    const Real t_value = -4 / sqrtq(5);
    EXPECT_TRUE(close(t.welch_t, t_value));
    EXPECT_EQ(t.welch_df, 1); // (1 + 4)^2 / (1 + 16) = 25/17, rounded down
    // The p-value is taken at the fractional df 25/17, so it lies strictly between the closed
    // forms of the t distribution with 1 and 2 degrees of freedom.
    const Real p1 = 1 - 2 / PI * atanq(4 / sqrtq(5)),
               p2 = 1 - (4 / sqrtq(5)) / sqrtq(Real(16) / 5 + 2);
    EXPECT_LT(t.welch_p, p1);
    EXPECT_GT(t.welch_p, p2);
    EXPECT_TRUE(close(t.pooled_t, t_value));
    EXPECT_EQ(t.pooled_df, 2);
    EXPECT_TRUE(close(t.pooled_p, 1 - 4 / sqrtq(26), 1e-28Q));
    EXPECT_TRUE(close(t.f, 0.25Q));
    EXPECT_EQ(t.f_df1, 1);
    EXPECT_EQ(t.f_df2, 1);
    // F(1,1): P(F <= f) = (2/pi) atan(sqrt f); two-sided doubles the smaller tail.
    EXPECT_TRUE(close(t.f_p, 4 / PI * atanq(0.5Q), 1e-28Q));
    EXPECT_FALSE(two_sample_tests({1}, {2, 3}).valid);
}

TEST(StatsTests, RankTestsAndSignTest) {
    // Ranks 1..6 in two groups of three: H = 12/42 (36/3 + 225/3) - 21 = 27/7.
    const KruskalWallis kw = kruskal_wallis({{1, 2, 3}, {4, 5, 6}});
    ASSERT_TRUE(kw.valid);
    EXPECT_TRUE(close(kw.h, Real(27) / 7));
    EXPECT_TRUE(close(kw.p, erfcq(sqrtq(Real(27) / 14)), 1e-28Q));
    // Three groups 1 2 | 3 4 | 5 6: H = 12/42 (9 + 49 + 121)/2 - 21 = 32/7; chi-square(2) tail
    // exp(-x/2).
    const KruskalWallis three = kruskal_wallis({{1, 2}, {3, 4}, {5, 6}});
    EXPECT_EQ(three.df, 2);
    EXPECT_TRUE(close(three.h, Real(32) / 7));
    EXPECT_TRUE(close(three.p, expq(-Real(16) / 7), 1e-28Q));
    // With ties (1 2 2 | 2 3 4, ranks 1 3 3 | 3 5 6): H = 12/42 (49/3 + 196/3) - 21 = 7/3,
    // divided by 1 - 24/210.
    const KruskalWallis tied = kruskal_wallis({{1, 2, 2}, {2, 3, 4}});
    EXPECT_TRUE(close(tied.h, (Real(7) / 3) / (1 - Real(24) / 210)));

    EXPECT_EQ(mann_whitney_u({1, 2, 3}, {4, 5, 6}), 0);
    EXPECT_EQ(mann_whitney_u({1, 2, 2}, {2, 3}), 1); // pairs won by the first: 1 of 6

    // Binomial(n, 1/2) lower tails against exact sums.
    EXPECT_TRUE(close(binomial_half_lower(1, 6), Real(7) / 64, 1e-28Q));
    EXPECT_TRUE(close(binomial_half_lower(3, 10), Real(1 + 10 + 45 + 120) / 1024, 1e-28Q));
    EXPECT_EQ(binomial_half_lower(5, 5), 1);
    EXPECT_EQ(binomial_half_lower(-1, 5), 0);
    const SignTest s = sign_test({-1, -2, 0, -4, 0, 0, -2, 0, -1, 2});
    EXPECT_EQ(s.negative, 5);
    EXPECT_EQ(s.zero, 4);
    EXPECT_EQ(s.positive, 1);
    EXPECT_TRUE(close(s.one_sided, Real(7) / 64, 1e-28Q));
    EXPECT_TRUE(close(s.two_sided, Real(14) / 64, 1e-28Q));
    EXPECT_EQ(sign_test({0, 0}).two_sided, 1);
}

TEST(StatsTests, SampleSize) {
    // Mean 10, standard deviation 2: margin 0.5, n0 = (z 2 / 0.5)^2 = 16 z^2 with
    // z = 1.959963984540054 (the 97.5% normal point): 61.46 -> 62 with replacement; from a
    // population of 100: 6146.3 / 160.46 = 38.3 -> 39.
    const SampleSize s = sample_size(10, 2, 100);
    EXPECT_TRUE(close(s.margin, 0.5Q));
    EXPECT_EQ(s.with_replacement, 62);
    EXPECT_EQ(s.without_replacement, 39);
    EXPECT_EQ(sample_size(10, 2, 0).without_replacement, 62);
    EXPECT_EQ(sample_size(0, 2, 100).with_replacement, 0);
}

} // namespace
} // namespace tarvex
