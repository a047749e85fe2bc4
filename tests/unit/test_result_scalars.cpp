// Tests of the result-scalar table: every name found at its own number, lookup of "$" names on
// their first four characters, and the values a reset leaves.
#include "core/result_scalars.hpp"

#include <gtest/gtest.h>

#include <string>

namespace tarvex {
namespace {

TEST(ResultScalars, EveryNameIsFoundAtItsOwnNumber) {
    // No name shadows a later one; the numbers users see ($R2 10, $PVAL 60) are checked below.
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
