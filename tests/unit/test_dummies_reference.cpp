// Text columns read with NAMES and the dummies made from them, against R 4.2 on the file
// write.csv writes for a data frame with a factor (quoted row names headed "", quoted texts,
// NA missing). The least-squares coefficients on the dummies must be those of
// lm(y ~ factor(region)), whose first level is left out as DUMMIES leaves out the first
// category (the codes, labels and character variables read from the file are pinned by the
// dummies/dummies golden). R session for every value below:
//   d <- data.frame(region = factor(c("EAST","NORTH","SOUTH","WEST","NORTH","EAST",NA,"SOUTH",
//                                     "WEST","NORTH","EAST","SOUTH")),
//                   y = c(1.5,2.25,3.125,4.75,2.5,1.25,9,3.5,5.0625,2.75,1.875,3.375),
//                   x = c(1,2,3,4,5,6,7,8,9,10,11,NA))
//   write.csv(d, "regions.csv")
#include "test_support.hpp"

#include <gtest/gtest.h>

#include <fstream>

namespace tarvex {
namespace {

using testing::agrees;
using testing::ScratchDir;
using testing::ScriptRun;

constexpr const char* REGIONS_CSV = R"("","region","y","x"
"1","EAST",1.5,1
"2","NORTH",2.25,2
"3","SOUTH",3.125,3
"4","WEST",4.75,4
"5","NORTH",2.5,5
"6","EAST",1.25,6
"7",NA,9,7
"8","SOUTH",3.5,8
"9","WEST",5.0625,9
"10","NORTH",2.75,10
"11","EAST",1.875,11
"12","SOUTH",3.375,NA
)";

void write_regions() {
    std::ofstream out("regions.csv", std::ios::binary);
    out << REGIONS_CSV;
    ASSERT_TRUE(out.good());
}

constexpr Real MISSING = -99999;

TEST(Dummies, LeastSquaresOnThemIsRsFactorRegression) {
    ScratchDir dir;
    write_regions();
    ScriptRun r("SET SKIPMISS\nREAD ('regions.csv') / NAMES\nDUMMIES REGION\n"
                "OLSQ Y REGNORTH REGSOUTH REGWEST / COEF=B1\n"
                "OLSQ Y X REGNORTH REGSOUTH REGWEST / COEF=B2\nSTOP\n");
    EXPECT_EQ(r.values("REGNORTH"), testing::reals({0, 1, 0, 0, 1, 0, MISSING, 0, 0, 1, 0, 0}));
    EXPECT_EQ(r.info("REGEAST").length, -1) << "the first category is left out";
    const std::vector<Real> b1 = r.values("B1");
    ASSERT_EQ(b1.size(), 4u) << r.output;
    // print(coef(lm(y ~ factor(region), data = d)), digits = 15); the constant comes last
    EXPECT_TRUE(agrees(b1[3], 1.541666666666666Q));
    EXPECT_TRUE(agrees(b1[0], 0.958333333333333Q));
    EXPECT_TRUE(agrees(b1[1], 1.791666666666667Q));
    EXPECT_TRUE(agrees(b1[2], 3.364583333333333Q));
    const std::vector<Real> b2 = r.values("B2");
    ASSERT_EQ(b2.size(), 5u) << r.output;
    // print(coef(lm(y ~ x + factor(region), data = d)), digits = 15)
    EXPECT_TRUE(agrees(b2[4], 1.2299406604747158Q));
    EXPECT_TRUE(agrees(b2[0], 0.0519543343653251Q));
    EXPECT_TRUE(agrees(b2[1], 0.9756514447884406Q));
    EXPECT_TRUE(agrees(b2[2], 1.7968105005159949Q));
    EXPECT_TRUE(agrees(b2[3], 3.3386061661506696Q));
}

TEST(Dummies, LabelsFollowRenameAndGoWithDelete) {
    ScratchDir dir;
    write_regions();
    ScriptRun r("READ ('regions.csv') / NAMES\nRENAME REGION AREA\nDUMMIES AREA / OMIT=4\n"
                "DELETE AREA\nSTOP\n");
    EXPECT_EQ(r.values("AREEAST"), testing::reals({1, 0, 0, 0, 0, 1, MISSING, 0, 0, 0, 1, 0}));
    EXPECT_EQ(r.info("AREWEST").length, -1) << "OMIT=4 leaves out WEST";
    EXPECT_EQ(r.scalar(R_K), 3) << "$K: the dummies made";
    EXPECT_TRUE(r.run->ws.value_labels.empty()) << "DELETE drops the labels";
}

TEST(Dummies, LabelsComeBackWithRestore) {
    ScratchDir dir;
    write_regions();
    ScriptRun r("READ ('regions.csv') / NAMES\nSAVE (11) REGION Y\nDELETE REGION\n"
                "RESTORE (11)\nDUMMIES REGION / OMIT=2\nSTOP\n");
    EXPECT_TRUE(testing::contains(testing::file_text("TARVEX11.SAV"), "TARVLABL SOUTH\n"));
    EXPECT_EQ(r.values("REGEAST"), testing::reals({1, 0, 0, 0, 0, 1, MISSING, 0, 0, 0, 1, 0}))
        << r.output;
    EXPECT_EQ(r.info("REGNORTH").length, -1) << "OMIT=2 leaves out NORTH";
}

} // namespace
} // namespace tarvex
