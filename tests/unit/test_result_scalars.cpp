// Tests of the result-scalar table: the names at their fixed positions, lookup of "$" names on
// their first four characters, and the values a reset leaves.
#include "workspace/result_scalars.hpp"

#include <gtest/gtest.h>

#include <string>

namespace tarvex {
namespace {

TEST(ResultScalars, NamesStandAtTheirNumbers) {
    const std::pair<int, const char*> fixed[] = {
        {1, "T"},     {10, "R2"},   {17, "SSE"},  {24, "N"},    {31, "MISS"}, {33, "ERR"},
        {36, "ROWS"}, {37, "COLS"}, {38, "DO"},   {39, "DO2"},  {55, "DO18"}, {56, "PI"},
        {60, "PVAL"}, {69, "AIC"},  {73, "DATE"}, {74, "TIME"}, {75, "T6"},   {80, "T1"},
    };
    for (const auto& [k, name] : fixed) EXPECT_EQ(std::string(RESULT_NAMES[k - 1]), name) << k;
    EXPECT_EQ(R_PI, 56);
    EXPECT_EQ(R_PVAL, 60);
    EXPECT_EQ(R_ERR, 33);
    // Every name is found at its own position: no name shadows a later one.
    for (int k = 1; k <= NRESULT; ++k)
        EXPECT_EQ(find_result_scalar(std::string("$") + RESULT_NAMES[k - 1]), k) << k;
}

TEST(ResultScalars, LookupOnFirstFourCharacters) {
    EXPECT_EQ(find_result_scalar("$R2"), 10);
    EXPECT_EQ(find_result_scalar("$r2"), 10);
    EXPECT_EQ(find_result_scalar("R2"), 10);
    EXPECT_EQ(find_result_scalar("$PVALUE"), 60);
    EXPECT_EQ(find_result_scalar("$DO10"), 47);
    EXPECT_EQ(find_result_scalar("$do"), 38);
    EXPECT_EQ(find_result_scalar("$DO1"), 0);
    EXPECT_EQ(find_result_scalar("$SSEX"), 0); // "SSEX" is not "SSE " blank-padded
    EXPECT_EQ(find_result_scalar("$QQQQ"), 0);
    EXPECT_EQ(find_result_scalar("$"), 0);
    EXPECT_EQ(find_result_scalar(""), 0);
}

TEST(ResultScalars, ResetValues) {
    ResultScalars res;
    res[R_R2] = 5;
    reset_result_scalars(res, -99999);
    // pi to 36 digits, written independently of libquadmath's constant.
    EXPECT_TRUE(res[R_PI] == 3.14159265358979323846264338327950288Q);
    EXPECT_TRUE(res[R_MISS] == -99999);
    EXPECT_TRUE(res[R_R2] == 0);
    EXPECT_TRUE(res[R_ERR] == 0);
    reset_result_scalars(res, -1);
    EXPECT_TRUE(res[R_MISS] == -1);
}

} // namespace
} // namespace tarvex
