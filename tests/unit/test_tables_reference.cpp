// TABLES' tests of independence against R 4.2, to 13 digits: chisq.test(correct = FALSE) and
// the likelihood ratio g(t) = 2 sum(o log(o/e)) with pchisq(g, df, lower.tail = FALSE), on
//   r <- c(1,1,2,2,1,2,3,3,1,2,3,1,2,2,3,1); c <- c(1,2,1,2,2,1,1,2,1,2,2,1,2,2,1,1)
// and the same data weighted by w <- c(1,2,1,1,3,1,1,1,1,1,1,1,2,1,1,1) (xtabs(w ~ r + c)).
#include "test_support.hpp"

#include "utilities/independence_tests.hpp"

#include <gtest/gtest.h>

namespace tarvex {
namespace {

using testing::agrees;
using testing::ScriptRun;

const Real DIGITS_13 = 1e-13Q;

TEST(TablesIndependence, PearsonAndLikelihoodRatioAgreeWithR) {
    const IndependenceTests t = independence_tests({{4, 2}, {2, 4}, {2, 2}});
    EXPECT_EQ(t.df, 2);
    EXPECT_TRUE(agrees(t.pearson, 1.333333333333333Q, DIGITS_13));
    EXPECT_TRUE(agrees(t.pearson_p, 0.513417119032592Q, DIGITS_13));
    EXPECT_TRUE(agrees(t.likelihood_ratio, 1.359192294363178Q, DIGITS_13));
    EXPECT_TRUE(agrees(t.likelihood_ratio_p, 0.506821632385254Q, DIGITS_13));
    // A zero cell adds nothing to G: the layer L = 2 of the golden case
    const IndependenceTests z = independence_tests({{2, 0}, {0, 3}, {1, 1}});
    EXPECT_TRUE(agrees(z.pearson, 4.9583333333333339Q, DIGITS_13));
    EXPECT_TRUE(agrees(z.likelihood_ratio, 6.7881247435668222Q, DIGITS_13));
    EXPECT_TRUE(agrees(z.likelihood_ratio_p, 0.0335720174902828Q, DIGITS_13));
}

TEST(TablesIndependence, EmptyRowsAndColumnsLeaveTheDegreesOfFreedom) {
    // A row and a column without counts do not count as categories.
    const IndependenceTests t = independence_tests({{4, 0, 2}, {0, 0, 0}, {2, 0, 4}, {2, 0, 2}});
    EXPECT_EQ(t.df, 2);
    EXPECT_TRUE(agrees(t.pearson, 1.333333333333333Q, DIGITS_13));
    EXPECT_EQ(independence_tests({{3, 5}}).df, 0);
}

TEST(TablesCommand, WeightedTableLeavesItsTestsInTheResultScalars) {
    ScriptRun r("SAMPLE 1 16\nREAD R C W\n"
                "1 1 1\n1 2 2\n2 1 1\n2 2 1\n1 2 3\n2 1 1\n3 1 1\n3 2 1\n"
                "1 1 1\n2 2 1\n3 2 1\n1 1 1\n2 2 2\n2 2 1\n3 1 1\n1 1 1\n"
                "TABLES R C / WEIGHT=W\nSTOP\n");
    EXPECT_TRUE(agrees(r.scalar(R_CHI), 0.621693121693122Q, DIGITS_13)) << r.output;
    EXPECT_TRUE(agrees(r.scalar(R_PVAL), 0.732826311491952Q, DIGITS_13));
    EXPECT_TRUE(agrees(r.scalar(R_VAL), 0.634206616945273Q, DIGITS_13));
    EXPECT_EQ(r.scalar(R_DF), 2);
    EXPECT_EQ(r.scalar(R_N), 20);
}

} // namespace
} // namespace tarvex
