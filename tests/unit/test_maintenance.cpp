// The workspace commands: DIMENSION sizes and zeros, DELETE giving words back and leaving holes,
// RENAME in place, COMPRESS moving values (and SKIP$ with its LSKIP) down over the holes. The
// notes, messages and workspace counts of these commands are pinned by the maint goldens.
#include "maintenance_support.hpp"

#include "workspace/maintenance.hpp"
#include "workspace/sample.hpp"

#include <gtest/gtest.h>

#include <fstream>

namespace tarvex {
namespace {

using testing::LiveRun;
using testing::same_bits;

TEST(Dimension, SizesTypesAndZeros) {
    LiveRun t;
    // Words are not zero before DIMENSION writes them: put rubbish where the records will go.
    for (long long k = 1; k <= 40; ++k) t.run->ws.DATA[k] = 7;
    EXPECT_EQ(t.exec("dimension a 10 b 3 4"), "");
    VarInfo a = t.info("A"), b = t.info("B");
    EXPECT_EQ(a.type, TYPE_DATA);
    EXPECT_EQ(a.length, 10);
    EXPECT_EQ(a.ncol, 1);
    EXPECT_EQ(b.type, TYPE_MATRIX);
    EXPECT_EQ(b.length, 12);
    EXPECT_EQ(b.ncol, 4);
    for (long long k = 1; k <= 10; ++k) EXPECT_EQ(t.at("A", k), 0) << k;
    for (long long k = 1; k <= 12; ++k) EXPECT_EQ(t.at("B", k), 0) << k;
    EXPECT_EQ(t.run->ws.LASADD, 14 + 16);

    // Sizes from a scalar variable (truncated) and from a result scalar.
    t.exec("dimension n 1");
    t.at("N", 1) = 5.9Q;
    t.run->res[R_ROWS] = 3;
    t.exec("dimension m n 2 v $rows");
    EXPECT_EQ(t.info("M").length, 10);
    EXPECT_EQ(t.info("M").ncol, 2);
    EXPECT_EQ(t.info("V").length, 3);
    EXPECT_EQ(t.info("V").type, TYPE_DATA);

    // An existing name is left as it is and the next group still runs.
    t.at("A", 1) = 42;
    EXPECT_EQ(t.exec("dimension a 20 c 2"), " ...ERROR..VARIABLE ALREADY EXISTS A\n");
    EXPECT_EQ(t.info("A").length, 10);
    EXPECT_EQ(t.at("A", 1), 42);
    EXPECT_EQ(t.info("C").length, 2);
}

// Bad names and a missing size are pinned by the maint/dimension golden.
TEST(Dimension, BadSizesCreateNothing) {
    LiveRun t;
    EXPECT_EQ(t.exec("dimension q -4"), " ...ERROR..INVALID SIZE OF ARRAY Q\n");
    EXPECT_EQ(t.exec("dimension q 3 0"), " ...ERROR..INVALID SIZE OF ARRAY Q\n");
    EXPECT_EQ(t.run->ws.NVARS, 0);
    // More than the work area holds: the memory report, and nothing is created.
    const std::string out = t.exec("dimension big 99999999");
    EXPECT_NE(out.find("...ERROR..INSUFFICIENT MEMORY. AT LEAST"), std::string::npos) << out;
    EXPECT_EQ(t.run->ws.NVARS, 0);
    EXPECT_EQ(t.run->ws.LASADD, 0);
    // Rows times columns beyond any count: still the memory report, no overflow.
    const std::string huge = t.exec("dimension big 99999999999 99999");
    EXPECT_NE(huge.find("...ERROR..INSUFFICIENT MEMORY. AT LEAST"), std::string::npos) << huge;
    EXPECT_EQ(t.run->ws.NVARS, 0);
}

TEST(Delete, ResultScalarsSkipAndKeywords) {
    LiveRun t;
    t.run->res[R_R2] = 0.5Q;
    t.exec("delete $r2");
    EXPECT_EQ(t.run->res[R_R2], -9999999);

    // SKIP$ gone: the SKIPIF switch and the skip count are cleared.
    t.exec("dimension a 3");
    ASSERT_TRUE(make_skip_variable(*t.run, 5));
    t.exec("dimension b 2");
    t.run->sw[OSKIP] = true;
    t.run->smpl.NSKIP = 2;
    EXPECT_GT(LSKIP(*t.run), 0);
    t.exec("delete skip$");
    EXPECT_EQ(LSKIP(*t.run), 0);
    EXPECT_FALSE(t.run->sw[OSKIP]);
    EXPECT_EQ(t.run->smpl.NSKIP, 0);

    // ALLDATA keeps the character variables; ALL_ keeps names with "_" and FORMAT$.
    t.exec("dimension s 2 u_v 1");
    t.run->ws.DATA[t.info("S").addr + 1] = TYPE_CHAR_STRING;
    t.exec("delete alldata");
    EXPECT_GT(t.slot("S"), 0);
    EXPECT_EQ(t.slot("A"), 0);
    EXPECT_EQ(t.slot("U_V"), 0);
    t.exec("dimension u_v 1 w 1 format$ 1");
    t.exec("delete all_");
    EXPECT_EQ(t.slot("S"), 0);
    EXPECT_EQ(t.slot("W"), 0);
    EXPECT_GT(t.slot("U_V"), 0);
    EXPECT_GT(t.slot("FORMAT$"), 0);
    t.exec("delete all");
    EXPECT_EQ(t.run->ws.NVARS, 0);
    EXPECT_EQ(t.run->ws.LASADD, 0);
}

TEST(Rename, KeepsSlotAndContents) {
    LiveRun t;
    t.exec("dimension x 3 y 4");
    t.at("X", 2) = 1.25Q;
    const int slot = t.slot("X");
    EXPECT_EQ(t.exec("rename x z"), "");
    EXPECT_EQ(t.slot("X"), 0);
    EXPECT_EQ(t.slot("Z"), slot);
    EXPECT_EQ(t.at("Z", 2), 1.25Q);
    // A taken name leaves both variables as they were (the messages are pinned by the
    // maint/rename golden).
    t.exec("rename z y");
    EXPECT_EQ(t.slot("Z"), slot);
    EXPECT_EQ(t.info("Y").length, 4);
}

TEST(Rename, FilesThroughTheShell) {
    testing::ScratchDir scratch;
    LiveRun t;
    std::ofstream("OLD.DAT") << "1 2 3\n";
    EXPECT_EQ(t.exec("rename OLD.DAT NEW.DAT"), "");
    EXPECT_FALSE(std::filesystem::exists("OLD.DAT"));
    EXPECT_TRUE(std::filesystem::exists("NEW.DAT"));
    EXPECT_EQ(t.exec("rename GONE.DAT X.DAT"),
              " ...ERROR..FILES NOT RENAMED: GONE.DAT X.DAT\n");
    EXPECT_FALSE(std::filesystem::exists("X.DAT"));
}

TEST(Compress, MovesVariablesDownAndKeepsValues) {
    LiveRun t;
    t.exec("dimension a 10 b 5 c 3");
    t.at("B", 1) = 11;
    t.at("B", 5) = 15;
    t.at("C", 3) = -3;
    const long long b_before = t.info("B").addr;
    t.exec("delete a");
    t.exec("compress"); // its notes and counts are pinned by the maint/compress golden
    EXPECT_EQ(t.info("B").addr, b_before - 14);
    EXPECT_EQ(t.at("B", 1), 11);
    EXPECT_EQ(t.at("B", 5), 15);
    EXPECT_EQ(t.at("C", 3), -3);
    EXPECT_EQ(t.info("C").length, 3);
}

TEST(Compress, SkipVariableFollowsAndSurplusWordsAreRegained) {
    LiveRun t;
    t.exec("dimension a 20 b 2");
    ASSERT_TRUE(make_skip_variable(*t.run, 6));
    SkipCodes codes = skip_codes(*t.run);
    codes.codes[3] = SKIP_MISSING;
    codes.codes[6] = SKIP_BY_SKIPIF;
    // A re-used hole keeps its surplus words until compaction.
    t.exec("delete a");
    t.exec("dimension small 3");
    EXPECT_EQ(t.slot("SMALL"), 1);
    t.exec("delete b");
    const long long before = LSKIP(*t.run);
    t.exec("compress");
    EXPECT_EQ(t.run->ws.NVARS, 2);
    EXPECT_EQ(t.run->ws.LASADD, 7 + 10);
    EXPECT_EQ(LSKIP(*t.run), t.run->ws.KADD[2] + 3);
    EXPECT_LT(LSKIP(*t.run), before);
    codes = skip_codes(*t.run);
    ASSERT_EQ(codes.length, 6);
    for (int k = 1; k <= 6; ++k)
        EXPECT_EQ(codes.codes[k], k == 3 ? 9 : (k == 6 ? 1 : 0)) << k;
}

} // namespace
} // namespace tarvex
