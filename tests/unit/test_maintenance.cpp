// COMPRESS and SKIP$: after compaction LSKIP follows SKIP$ to its new place with its codes, and
// the surplus words of a re-used hole are regained. DIMENSION's zeros and sizes, DELETE of
// SKIP$ and of keyword groups, RENAME of variables and files, and the values COMPRESS moves are
// pinned by the maint/contents golden; the notes, messages and workspace counts by the other
// maint goldens.
#include "maintenance_support.hpp"

#include "workspace/maintenance.hpp"
#include "workspace/sample.hpp"

#include <gtest/gtest.h>

#include <fstream>

namespace tarvex {
namespace {

using testing::LiveRun;

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
    for (int k = 1; k <= 6; ++k) EXPECT_EQ(codes.codes[k], k == 3 ? 9 : (k == 6 ? 1 : 0)) << k;
}

} // namespace
} // namespace tarvex
