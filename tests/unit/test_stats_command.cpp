// The STATS command beyond what the stats goldens pin: replication counts in the stored
// matrices, the stored result variables against hand values, and awkward data under every
// option. Wrapped rank-correlation rows, pairs over their own observations, an even count's
// order statistics, the sign test, weights and the mark that keeps TEST from following STATS
// are pinned by the stats/ranks_signs golden.
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

// Replication counts in the stored matrices equal the duplicated rows (the report lines of
// replicated and scaled weights are pinned by the stats/ranks_signs golden).
TEST(StatsCommand, ReplicationCountsInTheMatrices) {
    OlsEngine e;
    e.data("X", {1, 2, 3});
    e.data("W", {1, 2, 1});
    e.sample(1, 3);
    // Rows x 1 2 3, y 5 1 0 under weights 1 2 1 against the duplicated rows x 1 2 2 3, y 5 1 1 0.
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
    const char* options[] = {"MAX WIDE",
                             "PMEDIAN PFREQUEN STEMPLOT=2",
                             "ANOVA BARTLETT DUMP",
                             "BEHRENSF NONPARAM",
                             "SAMPSIZE NPOP=3",
                             "SAMEOBS MAX",
                             "DN WEIGHT=T REPLICAT MAX",
                             "STEMPLOT=-3 MOMENTS=MM"};
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

} // namespace
} // namespace tarvex
