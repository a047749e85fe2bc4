// The tests of STATS across its variables (each variable one group of observations): one- and
// two-way analysis of variance, Bartlett's test of equal variances, the two-sample tests, the
// Kruskal-Wallis and Mann-Whitney rank tests, the sign test and the sample-size estimate.
#pragma once

#include "numeric/real.hpp"

#include <vector>

namespace tarvex {

using Groups = std::vector<std::vector<Real>>;

struct AnovaRow {
    Real ss = 0, df = 0, ms = 0, f = 0, p = 0;
    bool tested = false; // F and p formed (the error mean square is positive)
};
struct OneWayAnova {
    Real mean = 0;
    AnovaRow between, within, total;
};
OneWayAnova one_way_anova(const Groups& groups);

// Groups are the columns, blocks the rows; every group holds one value per block.
struct TwoWayAnova {
    Real mean = 0;
    AnovaRow groups, blocks, error, total;
};
TwoWayAnova two_way_anova(const Groups& groups);

struct BartlettTest {
    Real pooled = 0;      // BARS: pooled variance
    Real numerator = 0;   // BARL: (N-k) ln s_p^2 - sum (n_i-1) ln s_i^2
    Real sum_inverse = 0; // BARF: sum 1/(n_i - 1)
    Real inverse = 0;     // BAR1F: 1/(N - k)
    Real statistic = 0;   // QTEST
    Real p = 0;
    int df = 0;
    bool valid = false; // every group has two values and a positive variance
};
BartlettTest bartlett_test(const Groups& groups);

struct TwoSampleTests {
    Real welch_t = 0, welch_p = 0;
    long long welch_df = 0; // Welch-Satterthwaite degrees of freedom, rounded down for the report
    Real pooled_t = 0, pooled_p = 0;
    long long pooled_df = 0;
    Real f = 0, f_p = 0; // s1^2 / s2^2, two-sided p-value
    long long f_df1 = 0, f_df2 = 0;
    bool valid = false;
};
TwoSampleTests two_sample_tests(const std::vector<Real>& a, const std::vector<Real>& b);

struct KruskalWallis {
    Real h = 0, p = 0;
    int df = 0;
    bool valid = false;
};
KruskalWallis kruskal_wallis(const Groups& groups);

// The smaller of U1 = R1 - n1(n1+1)/2 and U2 = n1 n2 - U1.
Real mann_whitney_u(const std::vector<Real>& a, const std::vector<Real>& b);

struct SignTest {
    long long negative = 0, zero = 0, positive = 0;
    Real one_sided = 0, two_sided = 0;
};
SignTest sign_test(const std::vector<Real>& differences);

// P(X <= k) for X binomial with n trials and probability 1/2.
Real binomial_half_lower(long long k, long long n);

struct SampleSize {
    Real margin = 0; // error margin: 5% of |mean|
    long long with_replacement = 0, without_replacement = 0;
};
// Observations needed for a 95% confidence interval of the mean of half-width `margin` when
// the standard deviation is `stdev`, drawn with replacement and without from `population`.
SampleSize sample_size(Real mean, Real stdev, long long population);

} // namespace tarvex
