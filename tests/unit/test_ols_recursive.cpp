// Recursive estimation (RECURSIV) against residuals worked by hand. For y = 1 2 4 3 on
// x = 1 2 3 4 with an intercept: the line through the first two points predicts 3 for the third
// (error 1, variance factor 1 + 5 = 6), the fit on three points (b = 1.5, a = -2/3) predicts 16/3
// for the fourth (error -7/3, factor 1 + 7/3), so w = 1/sqrt 6 and -7/sqrt 30, whose squares add
// up to the full SSE 1.8. The table and its CUSUM crossing line are pinned by the ols/recursive
// and diagnose/stability goldens.
#include "ols_engine.hpp"
#include "regress/ols/recursive_residuals.hpp"

#include <gtest/gtest.h>

namespace tarvex {
namespace {

using Lines = std::vector<std::string>;
using testing::OlsEngine;

struct FourPoints : OlsEngine {
    FourPoints() {
        data("Y", {1, 2, 4, 3});
        data("X", {1, 2, 3, 4});
        sample(1, 4);
    }
};

TEST(OlsRecursive, ResidualsWorkedByHandAreStored) {
    FourPoints e;
    e.statement("OLS Y X / RECURSIV NOGF NOANOVA", true);
    const std::vector<Real>& w = e.run.last_estimation.recursive;
    ASSERT_EQ(w.size(), 4u);
    EXPECT_EQ(w[0], e.run.ws.XMISS);
    EXPECT_EQ(w[1], e.run.ws.XMISS);
    EXPECT_LT(fabsq(w[2] - 1 / sqrtq(6)), 1e-32Q);
    EXPECT_LT(fabsq(w[3] + 7 / sqrtq(30)), 1e-32Q);
    EXPECT_LT(fabsq(e.run.res[R_SSE] - Real(9) / 5), 1e-32Q);
    // Without the option nothing is kept.
    e.statement("OLS Y X / NOGF NOANOVA", true);
    EXPECT_TRUE(e.run.last_estimation.recursive.empty());
}

TEST(OlsRecursive, StartWaitsUntilTheCoefficientsAreDetermined) {
    // x = 1 1 2 2 3 3 5 with an intercept: the first two rows repeat x, so the third row is
    // the first that determines both coefficients and the fourth row has the first recursive
    // residual. Their squares add up to SSE(all rows) - SSE(first three rows); y = 1 2 3 on
    // x = 1 1 2 fits 1.5, 1.5, 3 with SSE 0.5.
    const Real xs[7] = {1, 1, 2, 2, 3, 3, 5};
    const std::vector<Real> y = {1, 2, 3, 2, 4, 2, 7};
    std::vector<Real> cols(14, 1); // x, then the intercept
    for (int i = 0; i < 7; ++i) cols[i] = xs[i];
    const RecursiveResiduals rr = recursive_residuals(cols, y, 7, 2);
    EXPECT_EQ(rr.first, 3);
    Real ss = 0;
    for (int t = rr.first; t < 7; ++t) ss += rr.w[t] * rr.w[t];
    Real sx = 0, sy = 0, sxx = 0, sxy = 0, syy = 0;
    for (int i = 0; i < 7; ++i) {
        sx += xs[i], sy += y[i], syy += y[i] * y[i];
        sxx += xs[i] * xs[i], sxy += xs[i] * y[i];
    }
    const Real sse_all = syy - sy * sy / 7 - powq(sxy - sx * sy / 7, 2) / (sxx - sx * sx / 7);
    EXPECT_LT(fabsq(ss - (sse_all - Real(1) / 2)), 1e-30Q);
}

TEST(OlsRecursive, LongleySquaresAddUpToTheCertifiedSse) {
    // Longley's ill-conditioned regressors: the nine recursive residuals (observations 8 to
    // 16) must carry the whole residual sum of squares, 9 * 304.854073561965**2 (NIST).
    OlsEngine e;
    auto t = testing::read_table("Longley.txt");
    e.data("Y", t[0]);
    for (int j = 1; j <= 6; ++j) e.data("X" + std::to_string(j), t[j]);
    e.sample(1, 16);
    e.statement("OLS Y X1-X6 / RECURSIV NOGF NOANOVA", true);
    const std::vector<Real>& w = e.run.last_estimation.recursive;
    ASSERT_EQ(w.size(), 16u);
    Real ss = 0;
    for (int i = 0; i < 16; ++i) {
        if (i < 7)
            EXPECT_EQ(w[i], e.run.ws.XMISS) << i;
        else
            ss += w[i] * w[i];
    }
    const Real sigma = 304.8540735619648021381522170660437924612Q;
    EXPECT_LT(fabsq(ss / (9 * sigma * sigma) - 1), 1e-24Q);
}

TEST(OlsRecursive, NoneLeftWhenObservationsEqualCoefficients) {
    OlsEngine e;
    e.data("Y", {1, 3});
    e.data("X", {1, 2});
    e.sample(1, 2);
    const Lines out = e.statement("OLS Y X / RECURSIV NOGF NOANOVA");
    EXPECT_NE(std::find(out.begin(), out.end(),
                        " ...WARNING..NO OBSERVATIONS LEFT FOR RECURSIVE RESIDUALS"),
              out.end());
    EXPECT_EQ(e.run.res[R_ERR], 0);
}

} // namespace
} // namespace tarvex
