// The STATS command beyond what the stats goldens pin: wrapped rank-correlation rows, pairs over
// their own observations, an even count's order statistics, the sign test, replication and
// scaled weights, the stored result variables, awkward data under every option, and the mark
// that keeps TEST from following STATS.
#include "ols_engine.hpp"
#include "workspace/workspace.hpp"

#include <gtest/gtest.h>

#include <algorithm>

namespace tarvex {
namespace {

using Lines = std::vector<std::string>;
using testing::has_line;
using testing::OlsEngine;

bool has_prefix(const Lines& lines, const std::string& text) {
    return std::any_of(lines.begin(), lines.end(),
                       [&](const std::string& l) { return l.rfind(text, 0) == 0; });
}

// x = 1..10, y = 2 4 3 8 5 6 9 8 10 8 (sum 63, sum of squares 463, sum xy 409).
struct TenObs : OlsEngine {
    TenObs() {
        data("X", {1, 2, 3, 4, 5, 6, 7, 8, 9, 10});
        data("Y", {2, 4, 3, 8, 5, 6, 9, 8, 10, 8});
        sample(1, 10);
        run.sw[OWIDE] = false;
    }
};

TEST(StatsCommand, SpearmanAndWideRowsWrap) {
    OlsEngine e;
    e.data("A", {1, 2, 3, 4, 5});
    e.data("B", {2, 1, 4, 3, 5}); // rank differences -1 1 -1 1 0: rho = 1 - 6*4/120 = 0.8
    for (const char* n : {"C3", "C4", "C5", "C6", "C7", "C8", "C9"})
        e.data(n, {5, 4, 3, 2, 1});
    e.sample(1, 5);
    const Lines r = e.statement("STATS A B C3 C4 C5 C6 C7 C8 C9 / NOLIST PRANKCOR RANKCORR=RC");
    EXPECT_EQ(r[3], " B         0.8000000       1.000000");
    // The ninth row holds nine values: eight on its line, the ninth on a continuation line.
    EXPECT_EQ(r.size(), 2u + 9 + 1);
    EXPECT_EQ(r.back(), std::string(12, ' ') + "1.000000");
    EXPECT_EQ(e.value("RC", 2), 0.8Q); // column-major 9 x 9: element (2,1)
    EXPECT_EQ(e.value("RC", 3), -1);   // (3,1): C3 falls as A rises
}

TEST(StatsCommand, PairsOverSharedAndOverTheirOwnObservations) {
    // x 1..5 and y 2 1 4 3 5: deviations -2 -1 0 1 2 and -1 -2 1 0 2, cross product 8, sums of
    // squares 10 and 10, r = 0.8, covariance 2. z is y without its last value: x and z share
    // 1..4 (cross product 3, squares 5 and 5, r = 0.6), y and z share 1..4 too (r = 1).
    OlsEngine e;
    e.data("X", {1, 2, 3, 4, 5});
    e.data("Y", {2, 1, 4, 3, 5});
    e.data("Z", {2, 1, 4, 3, -99999});
    e.sample(1, 5);
    e.statement("STATS X Y / NOLIST CORRELAT=RS COVARIAN=VS CPRODUCT=PS", true);
    EXPECT_EQ(e.value("RS", 2), 0.8Q);
    EXPECT_EQ(e.value("VS", 2), 2);
    EXPECT_EQ(e.value("PS", 1), 55); // sum x^2
    EXPECT_EQ(e.value("PS", 2), 53); // sum xy
    EXPECT_EQ(e.value("PS", 4), 55); // sum y^2
    const Lines own = e.statement("STATS X Y Z / NOLIST PCORRELA CORRELAT=R CPDEVIAT=D");
    EXPECT_EQ(own[1], "  CORRELATION MATRIX OF VARIABLES -        4 OBSERVATIONS");
    EXPECT_EQ(e.value("R", 2), 0.8Q); // x, y over all five observations
    EXPECT_EQ(e.value("R", 3), 0.6Q); // x, z over the first four
    EXPECT_EQ(e.value("R", 6), 1);    // y, z over the first four
    EXPECT_EQ(e.value("D", 2), 8);
    EXPECT_EQ(e.value("D", 3), 3);
    EXPECT_EQ(e.value("D", 9), 5);
}

// Y's order statistics, its mode and the tie of two modes are pinned by the stats/order golden;
// X has an even count, no repeated value and values on two stems.
TEST(StatsCommand, MediansModesFrequenciesAndStems) {
    TenObs e;
    const Lines m = e.statement("STATS X / NOLIST PFREQUEN STEMPLOT=1");
    const Lines x_part = {
        " ",
        "  VARIABLE = X",
        " MEDIAN =    5.5000",
        " LOWER 25%=   2.7500     UPPER 25%=   8.2500     INTERQUARTILE RANGE=  5.500",
        " MODE NOT APPLICABLE",
        "          VALUE       FREQUENCY      PERCENT   CUMULATIVE   REMAINING",
        "     1.0000000             1       10.00000    10.00000    90.00000",
    };
    ASSERT_GT(m.size(), x_part.size());
    EXPECT_EQ(Lines(m.begin(), m.begin() + long(x_part.size())), x_part);
    EXPECT_TRUE(has_line(m, "     10.000000             1       10.00000   100.00000     0.00000"));
    EXPECT_TRUE(has_line(m, " STEMPLOT:                 X       STEM DIGITS=     1"));
    EXPECT_TRUE(has_line(m, "       9     0 123456789"));
    EXPECT_TRUE(has_line(m, "      10     1 0"));
}

// Kruskal-Wallis, Mann-Whitney and NPARAM are pinned by the stats/tests golden; the sign test
// there has differences of one sign only.
TEST(StatsCommand, SignTestOfPairsAndOfOneVariable) {
    TenObs e;
    EXPECT_FALSE(has_prefix(e.statement("STATS X Y / NOLIST"), " KRUSKAL"));
    // Differences x - y: five negative, four zero, one positive; P(X <= 1 | 6) = 7/64.
    const Lines n = e.statement("STATS X Y / NOLIST NONPARAM");
    EXPECT_TRUE(has_line(n, "  DIFFERENCES: NEGATIVE=    5 ZERO=    4 POSITIVE=    1"));
    EXPECT_TRUE(has_line(n, "  ONE-SIDED PVALUE= 0.10938 TWO-SIDED PVALUE= 0.21875"));
    // One variable: the sign test of its values (x: ten positive, P = 2^-10 one-sided).
    const Lines one = e.statement("STATS X / NOLIST NONPARAM");
    EXPECT_FALSE(has_prefix(one, " KRUSKAL"));
    EXPECT_TRUE(has_line(one, "  DIFFERENCES: NEGATIVE=    0 ZERO=    0 POSITIVE=   10"));
    EXPECT_TRUE(has_line(one, "  ONE-SIDED PVALUE= 0.00098 TWO-SIDED PVALUE= 0.00195"));
}

// The weight messages are pinned by the stats/messages golden, whose weights are all 1.
TEST(StatsCommand, ReplicationAndScaledWeights) {
    OlsEngine e;
    e.data("X", {1, 2, 3});
    e.data("W", {1, 2, 1});
    e.sample(1, 3);
    e.run.sw[OWIDE] = false;
    // Replication counts: the data 1 2 2 3 (N 4, variance 2/3).
    const Lines r = e.statement("STATS X / WEIGHT=W REPLICAT");
    EXPECT_EQ(r[0], " STATISTICS ARE WEIGHTED BY VARIABLE W");
    EXPECT_EQ(r[2], " X             4   2.0000     0.81650     0.66667       1.0000       3.0000");
    // Scaled weights 0.75 1.5 0.75: variance 0.75.
    const Lines s = e.statement("STATS X / WEIGHT=W");
    EXPECT_EQ(s[2], " X             3   2.0000     0.86603     0.75000       1.0000       3.0000");
    // Replication counts in the matrices equal the duplicated rows: x 1 2 2 3, y 5 1 1 0.
    e.data("Y", {5, 1, 0});
    e.data("XD", {1, 2, 2, 3});
    e.data("YD", {5, 1, 1, 0});
    e.statement("STATS X Y / NOLIST WEIGHT=W REPLICAT COVARIAN=CW CPRODUCT=PW CORRELAT=RW");
    e.sample(1, 4);
    e.statement("STATS XD YD / NOLIST COVARIAN=CD CPRODUCT=PD CORRELAT=RD");
    for (int k = 1; k <= 4; ++k) {
        EXPECT_TRUE(fabsq(e.value("CW", k) - e.value("CD", k)) < 1e-32Q) << k;
        EXPECT_TRUE(fabsq(e.value("PW", k) - e.value("PD", k)) < 1e-32Q) << k;
        EXPECT_TRUE(fabsq(e.value("RW", k) - e.value("RD", k)) < 1e-32Q) << k;
    }
    // By hand: means 2 and 7/4, cross product in deviations -5, covariance -5/3.
    EXPECT_TRUE(fabsq(e.value("CD", 2) + Real(5) / 3) < 1e-32Q);
}

TEST(StatsCommand, ResultVariablesAndEmptyList) {
    TenObs e;
    e.statement("STATS X Y / NOLIST MEANS=MU VARIANCE=VA STDEVS=SD MINIMUMS=LO MAXIMUMS=HI "
                "SUMS=SU MEDIANS=ME MODES=MO CORRELAT=CR COVARIAN=CV CPRODUCT=CP CPDEVIAT=CD "
                "MOMENTS=MM");
    EXPECT_EQ(e.value("MU", 1), 5.5Q);
    EXPECT_EQ(e.value("MU", 2), 6.3Q);
    EXPECT_EQ(e.value("SU", 2), 63);
    EXPECT_EQ(e.value("LO", 2), 2);
    EXPECT_EQ(e.value("HI", 1), 10);
    EXPECT_EQ(e.value("ME", 2), 7);
    EXPECT_EQ(e.value("MO", 1), -99999); // no value of X repeats
    EXPECT_EQ(e.value("MO", 2), 8);
    EXPECT_TRUE(fabsq(e.value("VA", 1) - 82.5Q / 9) < 1e-32Q);
    EXPECT_TRUE(fabsq(e.value("SD", 2) * e.value("SD", 2) - 66.1Q / 9) < 1e-32Q);
    EXPECT_EQ(e.value("CP", 2), 409);
    EXPECT_TRUE(fabsq(e.value("CD", 3) - 62.5Q) < 1e-30Q);
    EXPECT_TRUE(fabsq(e.value("CV", 4) - 66.1Q / 9) < 1e-32Q);
    EXPECT_TRUE(fabsq(e.value("CR", 2) - 62.5Q / sqrtq(82.5Q * 66.1Q)) < 1e-32Q);
    VarInfo info;
    ASSERT_TRUE(VINFO(e.run, VFIND(e.run, "CR"), info));
    EXPECT_EQ(info.type, TYPE_SYMMETRIC);
    EXPECT_EQ(info.ncol, 2);
    // MOMENTS: N, mean and the central moments of X (82.5/10, 0, 1208.625/10).
    EXPECT_EQ(e.value("MM", 1), 10);
    EXPECT_EQ(e.value("MM", 2), 5.5Q);
    EXPECT_TRUE(fabsq(e.value("MM", 3) - 8.25Q) < 1e-30Q);
    EXPECT_TRUE(fabsq(e.value("MM", 4)) < 1e-30Q);
    EXPECT_TRUE(fabsq(e.value("MM", 5) - 120.8625Q) < 1e-30Q);
    // Without a list every data variable is covered (the stored matrices are not data).
    const Lines all = e.statement("STATS");
    EXPECT_TRUE(has_prefix(all, " X  "));
    EXPECT_TRUE(has_prefix(all, " MU "));
    EXPECT_FALSE(has_prefix(all, " CR "));
    EXPECT_FALSE(has_prefix(all, " MM "));
}

TEST(StatsCommand, EveryOptionOnAwkwardDataLeavesTheDataAlone) {
    // Constant, single-observation, mostly missing and huge-valued variables under every
    // switch: each statement ends normally and the listed variables keep their values.
    OlsEngine e;
    const std::vector<std::vector<Real>> columns = {
        {3, 3, 3, 3}, {-99999, 2, -99999, -99999}, {1e300Q, -1e300Q, 5, 0}, {1, 2, 3, 4}};
    const char* names[] = {"K", "ONE", "HUGE", "T"};
    for (int i = 0; i < 4; ++i) e.data(names[i], columns[i]);
    e.sample(1, 4);
    const char* options[] = {"MAX WIDE", "PMEDIAN PFREQUEN STEMPLOT=2", "ANOVA BARTLETT DUMP",
                             "BEHRENSF NONPARAM", "SAMPSIZE NPOP=3", "SAMEOBS MAX",
                             "DN WEIGHT=T REPLICAT MAX", "STEMPLOT=-3 MOMENTS=MM"};
    const char* lists[] = {"K", "K ONE", "HUGE T", "K ONE HUGE T", "T T"};
    for (const char* list : lists)
        for (const char* option : options) {
            const std::string statement = std::string("STATS ") + list + " / " + option;
            e.statement(statement);
            for (int i = 0; i < 4; ++i)
                for (int t = 1; t <= 4; ++t)
                    ASSERT_EQ(e.value(names[i], t), columns[i][t - 1]) << statement;
        }
}

// STATS is no estimation: what the last one left stays for FCAST (fcast/after_stats golden),
// marked so that TEST refuses it, even when the STATS statement itself fails.
TEST(StatsCommand, KeepsTheEstimationButNotItsTests) {
    TenObs e;
    e.run.last_estimation.command = "OLSQ";
    e.run.last_estimation.k = 2;
    const Lines bad = e.statement("STATS X / NOSUCH");
    EXPECT_TRUE(has_line(bad, " ...ERROR..INVALID OPTION..NOSUCH"));
    EXPECT_EQ(e.run.res[R_ERR], 1012);
    EXPECT_EQ(e.run.last_estimation.command, "OLSQ");
    EXPECT_EQ(e.run.last_estimation.k, 2);
    EXPECT_TRUE(e.run.last_estimation.stats_since);
}

} // namespace
} // namespace tarvex
