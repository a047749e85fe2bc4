// OLS with RESTRICT checked against the reparametrised regressions that impose the same
// restrictions by substitution (Longley data): the same SSE, coefficients, standard errors,
// R-squares and degrees of freedom; the F test from the two SSEs. The DLAG lag-sum table against
// the same hypotheses typed as TEST commands is pinned by the test/lagsums golden.
#include "hypothesis_engine.hpp"

#include "numeric/fortran_format.hpp"
#include "regress/fit/ls_bridge.hpp"

#include <gtest/gtest.h>

namespace tarvex {
namespace {

using testing::has_line;
using testing::HypothesisEngine;
using testing::read_table;
using testing::relative;
using Lines = std::vector<std::string>;

struct Longley : HypothesisEngine {
    std::vector<std::vector<Real>> t = read_table("Longley.txt");
    Longley() {
        data("Y", t[0]);
        for (int j = 1; j <= 6; ++j) data("X" + std::to_string(j), t[j]);
        sample(1, 16);
    }
    std::vector<Real> combine(Real a, int i, Real b, int j) {
        std::vector<Real> out(16);
        for (int s = 0; s < 16; ++s) out[s] = a * t[i][s] + b * t[j][s];
        return out;
    }
    Real sse() const { return run.res[R_SSE]; }
};

TEST(Restrict, OneRestrictionEqualsTheSubstitutedRegression) {
    Longley e;
    e.command("OLS Y X1-X6 / NOANOVA NOGF");
    const Real sse_free = e.sse();
    const Lines out = e.command("OLS Y X1-X6 / RESTRICT NOANOVA NOGF COEF=B STDERR=SE",
                                "RESTRICT X1 + X2 = 0\nEND\n");
    const Real sse = e.sse(), r2 = e.run.res[R_R2], adr2 = e.run.res[R_ADR2],
               pval = e.run.res[R_PVAL];
    EXPECT_EQ(e.run.res[R_DF], 10);
    // b1 + b2 = 0 is y = b1 (x1 - x2) + b3 x3 + ... + c.
    e.data("D", e.combine(1, 1, -1, 2));
    e.command("OLS Y D X3 X4 X5 X6 / NOANOVA NOGF COEF=B2 STDERR=SE2");
    EXPECT_LT(relative(sse, e.sse()), 1e-30Q);
    EXPECT_LT(relative(r2, e.run.res[R_R2]), 1e-30Q);
    EXPECT_LT(relative(adr2, e.run.res[R_ADR2]), 1e-28Q);
    EXPECT_LT(relative(e.value("B", 1), e.value("B2", 1)), 1e-25Q);
    EXPECT_LT(relative(e.value("B", 2), -e.value("B2", 1)), 1e-25Q);
    EXPECT_LT(relative(e.value("SE", 1), e.value("SE2", 1)), 1e-25Q);
    for (int j = 3; j <= 7; ++j) {
        EXPECT_LT(relative(e.value("B", j), e.value("B2", j - 1)), 1e-24Q) << j;
        EXPECT_LT(relative(e.value("SE", j), e.value("SE2", j - 1)), 1e-24Q) << j;
    }
    // F = (SSE* - SSE) / (SSE / 9) from the two regressions.
    const Real f = (e.sse() - sse_free) / (sse_free / 9);
    EXPECT_LT(relative(pval, f_tail(f, 1, 9)), 1e-20Q);
    EXPECT_TRUE(
        has_line(out, " F TEST ON RESTRICTIONS=" + fmt_G(f, 13, 5) +
                          " WITH    1 AND    9 DF  P-VALUE=" + fmt_F(f_tail(f, 1, 9), 8, 5)));
    // A later TEST reads the restricted fit: the restricted combination has no variance left.
    e.command("OLS Y X1-X6 / RESTRICT NOANOVA NOGF", "RESTRICT X1 + X2 = 0\nEND\n");
    EXPECT_TRUE(has_line(e.command("TEST X1 + X2"), " ...WARNING..TEST COULD NOT BE DONE"));
    EXPECT_EQ(e.run.res[R_ERR], 15015);
    e.command("TEST X1 - X2 = 0");
    EXPECT_LT(relative(e.run.res[R_VAL], 2 * e.value("B", 1)), 1e-30Q);
}

TEST(Restrict, TwoRestrictionsEqualTheSubstitutedRegression) {
    Longley e;
    e.command("OLS Y X1-X6 / NOANOVA NOGF");
    const Real sse_free = e.sse();
    e.command("OLS Y X1-X6 / RESTRICT NOANOVA NOGF COEF=B STDERR=SE",
              "RESTRICT X1 = -X2\nRESTRICT X3 = 2*X4\nEND\n");
    const Real sse = e.sse(), pval = e.run.res[R_PVAL];
    EXPECT_EQ(e.run.res[R_DF], 11);
    // y = b1 (x1 - x2) + b4 (2 x3 + x4) + b5 x5 + b6 x6 + c.
    e.data("D", e.combine(1, 1, -1, 2));
    e.data("E", e.combine(2, 3, 1, 4));
    e.command("OLS Y D E X5 X6 / NOANOVA NOGF COEF=B2 STDERR=SE2");
    EXPECT_LT(relative(sse, e.sse()), 1e-30Q);
    EXPECT_LT(relative(e.value("B", 3), 2 * e.value("B2", 2)), 1e-24Q);
    EXPECT_LT(relative(e.value("B", 4), e.value("B2", 2)), 1e-24Q);
    EXPECT_LT(relative(e.value("SE", 4), e.value("SE2", 2)), 1e-24Q);
    const Real f = ((e.sse() - sse_free) / 2) / (sse_free / 9);
    EXPECT_LT(relative(pval, f_tail(f, 2, 9)), 1e-20Q);
}

} // namespace
} // namespace tarvex
