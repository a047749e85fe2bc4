// STATS tests against an independent statistics package (R 4.2), on three groups of eight
// values with ties inside and across groups. Each reference is printed by R to 17 significant
// digits with its R expression beside it; the comparison asks for 11. The stored results
// (MEDIANS, RANKCORR) come from the command; the test statistics, printed to five digits, are
// also taken at full precision from the functions the command reports.
//
// R session used for every value below:
//   A <- c(12.1, 14.3, 11.8, 15.2, 13.7, 12.9, 14.3, 16.0)
//   B <- c(10.4, 11.9, 13.1, 10.8, 12.2, 11.5, 13.1,  9.7)
//   C <- c(15.8, 13.7, 17.2, 16.4, 14.9, 18.1, 15.3, 16.6)
//   val <- c(A, B, C); g <- factor(rep(1:3, each = 8)); blk <- factor(rep(1:8, 3))
#include "kernels/stats_order.hpp"
#include "kernels/stats_tests.hpp"
#include "ols_engine.hpp"

#include "reference_support.hpp"

#include <gtest/gtest.h>

namespace tarvex {
namespace {

using Lines = std::vector<std::string>;
using testing::OlsEngine;

using testing::agrees;
using testing::has_line;

const std::vector<Real> A = {12.1Q, 14.3Q, 11.8Q, 15.2Q, 13.7Q, 12.9Q, 14.3Q, 16.0Q};
const std::vector<Real> B = {10.4Q, 11.9Q, 13.1Q, 10.8Q, 12.2Q, 11.5Q, 13.1Q, 9.7Q};
const std::vector<Real> C = {15.8Q, 13.7Q, 17.2Q, 16.4Q, 14.9Q, 18.1Q, 15.3Q, 16.6Q};

struct ThreeGroups : OlsEngine {
    ThreeGroups() {
        data("A", A);
        data("B", B);
        data("C", C);
        sample(1, 8);
    }
};

TEST(ReferenceStats, TwoSampleTests) {
    const TwoSampleTests t = two_sample_tests(A, B);
    ASSERT_TRUE(t.valid);
    // t.test(A, B)$statistic; the Satterthwaite df is t.test(A, B)$parameter = 13.607...
    EXPECT_TRUE(agrees(t.welch_t, 3.25019580579254Q));
    // The report's integer D.F. column shows the df rounded down; the p-value is taken at the
    // fractional df: t.test(A, B)$p.value.
    EXPECT_EQ(t.welch_df, 13);
    EXPECT_TRUE(agrees(t.welch_p, 0.0060014156373485554Q));
    // t.test(A, B, var.equal = TRUE): statistic, parameter, p.value
    EXPECT_TRUE(agrees(t.pooled_t, 3.2501958057925404Q));
    EXPECT_EQ(t.pooled_df, 14);
    EXPECT_TRUE(agrees(t.pooled_p, 0.0058104388331750344Q));
    // var.test(A, B): statistic, parameter, p.value (two-sided, twice the smaller tail)
    EXPECT_TRUE(agrees(t.f, 1.4094377274327974Q));
    EXPECT_EQ(t.f_df1, 7);
    EXPECT_EQ(t.f_df2, 7);
    EXPECT_TRUE(agrees(t.f_p, 0.66204229145492732Q));

    ThreeGroups e;
    const Lines out = e.statement("STATS A B / BEHRENSF NOLIST");
    EXPECT_TRUE(has_line(
        out, " APPROXIMATE    T-TEST OF EQUAL MEANS:        3.2502               13    0.0060"))
        << ::testing::PrintToString(out);
    EXPECT_TRUE(has_line(
        out, " EQUAL VARIANCE T-TEST OF EQUAL MEANS:        3.2502               14    0.0058"));
    EXPECT_TRUE(has_line(
        out, " F-TEST OF EQUAL VARIANCES:                   1.4094         7     7    0.6620"));
}

TEST(ReferenceStats, VarianceHomogeneityAndRankTests) {
    const Groups groups = {A, B, C};
    const BartlettTest b = bartlett_test(groups);
    ASSERT_TRUE(b.valid);
    // bartlett.test(list(A, B, C)): statistic, parameter, p.value
    EXPECT_TRUE(agrees(b.statistic, 0.19705003044587038Q));
    EXPECT_EQ(b.df, 2);
    EXPECT_TRUE(agrees(b.p, 0.90617302421052592Q));

    const KruskalWallis kw = kruskal_wallis(groups);
    ASSERT_TRUE(kw.valid);
    // kruskal.test(list(A, B, C)): H with the tie correction, parameter, p.value
    EXPECT_TRUE(agrees(kw.h, 15.283685241619505Q));
    EXPECT_EQ(kw.df, 2);
    EXPECT_TRUE(agrees(kw.p, 0.00047994328331232004Q));
    // kruskal.test(list(A, B)): statistic, p.value. For two groups it is the normal
    // approximation of the rank-sum test without continuity correction:
    // wilcox.test(A, B, exact = FALSE, correct = FALSE)$p.value = 0.015561392815397845.
    const KruskalWallis kw2 = kruskal_wallis({A, B});
    EXPECT_TRUE(agrees(kw2.h, 5.8517699115044257Q));
    EXPECT_TRUE(agrees(kw2.p, 0.015561392815397894Q));
    // wilcox.test(A, B, exact = FALSE, correct = FALSE)$statistic is W = U1 = 55; the engine
    // reports the smaller of U1 and n1*n2 - U1 (and no p-value of its own): 64 - 55 = 9.
    EXPECT_EQ(mann_whitney_u(A, B), 9);

    ThreeGroups e;
    const Lines out = e.statement("STATS A B C / BARTLETT NONPARAM NOLIST");
    EXPECT_TRUE(has_line(
        out, "  BARTLETTS HOMOGENEITY OF VARIANCE TEST =    0.19705       P-VALUE=  0.90617"))
        << ::testing::PrintToString(out);
    EXPECT_TRUE(has_line(
        out, " KRUSKAL-WALLIS TEST:   15.284     IS CHI-SQUARE WITH     2 D.F. P-VALUE= 0.0005"));
}

TEST(ReferenceStats, AnalysisOfVariance) {
    const Groups groups = {A, B, C};
    // summary(aov(val ~ g)): Sum Sq, F value, Pr(>F)
    const OneWayAnova one = one_way_anova(groups);
    EXPECT_TRUE(agrees(one.between.ss, 77.880833333333371Q));
    EXPECT_TRUE(agrees(one.within.ss, 39.057499999999933Q));
    EXPECT_EQ(one.between.df, 2);
    EXPECT_EQ(one.within.df, 21);
    EXPECT_TRUE(agrees(one.between.f, 20.93704794213664Q));
    EXPECT_TRUE(agrees(one.between.p, 9.9850257153814523e-06Q));
    // summary(aov(val ~ g + blk)): Sum Sq, F value, Pr(>F) of groups and blocks
    const TwoWayAnova two = two_way_anova(groups);
    EXPECT_TRUE(agrees(two.groups.ss, 77.880833333333371Q));
    EXPECT_TRUE(agrees(two.blocks.ss, 5.8049999999999518Q));
    EXPECT_TRUE(agrees(two.error.ss, 33.252499999999998Q));
    EXPECT_EQ(two.error.df, 14);
    EXPECT_TRUE(agrees(two.groups.f, 16.394732225647203Q));
    EXPECT_TRUE(agrees(two.blocks.f, 0.34914668070069632Q));
    EXPECT_TRUE(agrees(two.groups.p, 0.00021471368697225114Q));
    EXPECT_TRUE(agrees(two.blocks.p, 0.91690445015598743Q));

    ThreeGroups e;
    const Lines out = e.statement("STATS A B C / ANOVA NOLIST");
    bool between = false, groups_row = false;
    for (const std::string& l : out) {
        between =
            between || (l.rfind(" BETWEEN ", 0) == 0 && l.find("20.937") != std::string::npos);
        groups_row =
            groups_row || (l.rfind(" GROUPS ", 0) == 0 && l.find("16.395") != std::string::npos);
    }
    EXPECT_TRUE(between) << ::testing::PrintToString(out);
    EXPECT_TRUE(groups_row);
}

TEST(ReferenceStats, RankCorrelationsMediansAndQuartiles) {
    ThreeGroups e;
    e.statement("STATS A B C / PMEDIAN RANKCORR=R MEDIANS=M NOLIST", true);
    // cor(A, B, method = "spearman"), cor(A, C, ...), cor(B, C, ...); R stored 3 x 3.
    const Real rho_ab = -0.40361445783132527Q, rho_ac = -0.23952525238265182Q,
               rho_bc = -0.21557272714438666Q;
    EXPECT_TRUE(agrees(e.value("R", 2), rho_ab));
    EXPECT_TRUE(agrees(e.value("R", 4), rho_ab));
    EXPECT_TRUE(agrees(e.value("R", 3), rho_ac));
    EXPECT_TRUE(agrees(e.value("R", 6), rho_bc));
    EXPECT_TRUE(agrees(e.value("R", 5), 1));
    // quantile(x, c(.5, .25, .75), type = 6): the quartiles at (N+1)/4 from each end.
    const Real want[3][3] = {{14, 12.299999999999999Q, 14.974999999999998Q},
                             {11.699999999999999Q, 10.5Q, 12.875Q},
                             {16.100000000000001Q, 15, 17.049999999999997Q}};
    const std::vector<Real>* groups[3] = {&A, &B, &C};
    for (int v = 0; v < 3; ++v) {
        EXPECT_TRUE(agrees(e.value("M", v + 1), want[v][0])) << v;
        const OrderStatistics o = SORTSH(*groups[v], -99999);
        EXPECT_TRUE(agrees(o.median, want[v][0])) << v;
        EXPECT_TRUE(agrees(o.lower_quartile, want[v][1])) << v;
        EXPECT_TRUE(agrees(o.upper_quartile, want[v][2])) << v;
    }
    const Lines out = e.statement("STATS A / PMEDIAN NOLIST");
    EXPECT_TRUE(has_line(out, " MEDIAN =    14.000")) << ::testing::PrintToString(out);
}

} // namespace
} // namespace tarvex
