// GLS's estimator against R on firm 1 of the Grunfeld panel (data("Grunfeld", package="plm")
// [1:20, ], tests/data/gls/firm1.txt: inv value capital) with the AR(1) correlations
// Om = 0.6^abs(outer(1:20, 1:20, "-")) written with 17 digits (omega.txt) and read back.
// R: X <- cbind(value, capital, 1); Oi <- solve(Om); b <- solve(t(X) %*% Oi %*% X,
// t(X) %*% Oi %*% y); e <- y - X %*% b; s2 <- c(t(e) %*% Oi %*% e)/17; V <- s2 *
// solve(t(X) %*% Oi %*% X). nlme::gls(inv ~ value + capital, correlation=corAR1(0.6,
// fixed=TRUE)) gives the same b, its ML logLik and (REML) the same standard errors. Diagonal:
// lm(inv ~ value + capital, weights=1/capital). Values by formatC(v, digits=17, format="g").
#include "regress/gls/gls_estimate.hpp"

#include "reference_support.hpp"

#include <fstream>
#include <gtest/gtest.h>
#include <sstream>

namespace tarvex {
namespace {

using testing::agrees;

std::vector<std::vector<Real>> read_rows(const std::string& name) {
    std::ifstream in(std::string(TARVEX_TEST_DATA_DIR) + "/gls/" + name);
    std::vector<std::vector<Real>> rows;
    std::string line, word;
    while (std::getline(in, line)) {
        std::istringstream row(line);
        rows.emplace_back();
        while (row >> word) rows.back().push_back(strtoflt128(word.c_str(), nullptr));
    }
    return rows;
}

TEST(GlsReference, GivenCovarianceAndVariancesAgainstR) {
    const auto data = read_rows("firm1.txt");
    const auto omega = read_rows("omega.txt");
    ASSERT_EQ(data.size(), 20u);
    ASSERT_EQ(omega.size(), 20u);
    GlsData d;
    d.x.assign(3, {});
    for (const auto& r : data) {
        d.y.push_back(r[0]);
        d.x[0].push_back(r[1]);
        d.x[1].push_back(r[2]);
        d.x[2].push_back(1);
    }
    d.intercept = 2;
    for (const auto& r : omega) d.omega.insert(d.omega.end(), r.begin(), r.end());

    const GlsEstimate e = estimate_gls(d);
    ASSERT_EQ(e.end, GlsEnd::OK);
    const Real b[] = {0.087291095631836846Q, 0.41691719868524524Q, -27.637673851638954Q};
    const Real se[] = {0.019251571662556012Q, 0.050442688579678666Q, 91.904828383952562Q};
    for (int j = 0; j < 3; ++j) {
        EXPECT_TRUE(agrees(e.result.record.coef[j], b[j])) << j;
        EXPECT_TRUE(agrees(e.result.record.stderrs[j], se[j])) << j;
    }
    EXPECT_TRUE(agrees(e.result.record.sse, 145263.38892947661Q));  // t(e) %*% Oi %*% e
    EXPECT_TRUE(agrees(e.sigma2, 8544.9052311456835Q));             // s2
    EXPECT_TRUE(agrees(e.result.record.llf, -113.04475894340526Q)); // logLik(gls(..., method="ML"))
    EXPECT_TRUE(agrees(e.result.record.rsqr,
                       0.86617412996049081Q)); // 1 - e'Oi e / e0'Oi e0, e0 of the mean fit

    GlsData w = d;
    w.omega.clear();
    w.variances = d.x[1]; // capital
    const GlsEstimate v = estimate_gls(w);
    ASSERT_EQ(v.end, GlsEnd::OK);
    const Real wb[] = {0.050353763728085608Q, 0.35582096756499043Q, 159.06782373285026Q};
    const Real wse[] = {0.015444305740463916Q, 0.051998775569298383Q, 50.248865120630796Q};
    for (int j = 0; j < 3; ++j) {
        EXPECT_TRUE(agrees(v.result.record.coef[j], wb[j])) << j;
        EXPECT_TRUE(agrees(v.result.record.stderrs[j], wse[j])) << j;
    }
    EXPECT_TRUE(agrees(v.result.record.rsqr, 0.86508506859953804Q)); // summary(w)$r.squared
    EXPECT_TRUE(agrees(v.result.record.llf, -116.87418096964763Q));  // logLik(w)

    // A covariance that is not positive definite is refused, not factored.
    GlsData bad = d;
    for (Real& x : bad.omega) x = -x;
    EXPECT_EQ(estimate_gls(bad).end, GlsEnd::NOT_DEFINITE);
}

} // namespace
} // namespace tarvex
