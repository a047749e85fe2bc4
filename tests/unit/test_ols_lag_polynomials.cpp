// Polynomial distributed lags against the same regression by substitution: the Almon columns
// z_c = sum_i h_c(i) x(t-i) built here from the basis definitions and fitted by plain OLS
// without intercept must give the same SSE, degrees of freedom, lag coefficients b = H g and
// covariance H V H' to 30 digits. Also DLRX (no polynomial) and the degrees of freedom left;
// the messages of lags that cannot fit are pinned by the ols/lags and ols/checks goldens.
#include "ols_engine.hpp"

#include <gtest/gtest.h>

namespace tarvex {
namespace {

using Lines = std::vector<std::string>;
using testing::OlsEngine;

constexpr int NOBS = 40;

// Fixed data with some curvature in the lag response and rational noise.
struct LagData : OlsEngine {
    std::vector<Real> x, y;
    LagData() {
        for (int t = 1; t <= NOBS; ++t) x.push_back(Real((t * 37) % 101) / 7 + Real(t) / 3);
        for (int t = 1; t <= NOBS; ++t) {
            Real v = Real((t * 53) % 29) / 11;
            const Real b[5] = {Real(1) / 2, Real(9) / 10, 1, Real(7) / 10, Real(1) / 5};
            for (int i = 0; i < 5; ++i) v += t - i >= 1 ? b[i] * x[t - i - 1] : Real(0);
            y.push_back(v);
        }
        data("X", x);
        data("Y", y);
        sample(1, NOBS);
    }
    // The Almon column c of m lags (first lag 0) for polynomial degree p and end code e.
    static Real basis(int i, int c, int m, int e) {
        Real v = powq(Real(i), c);
        if (e == 1 || e == 3) v *= i + 1;
        if (e == 2 || e == 3) v *= m - i;
        return v;
    }
    void almon_columns(int m, int free, int e) {
        for (int c = 0; c < free; ++c) {
            std::vector<Real> z(NOBS, 0);
            for (int t = m; t <= NOBS; ++t)
                for (int i = 0; i < m; ++i) z[t - 1] += basis(i, c, m, e) * x[t - 1 - i];
            data("Z" + std::to_string(c), z);
        }
    }
};

Real rel(Real got, Real want, Real scale) {
    return fabsq(got - want) / scale;
}

TEST(OlsLagPolynomials, SameFitAsRegressionOnAlmonColumns) {
    struct Case {
        int order, endcon, free;
    };
    for (const Case c :
         {Case{2, 0, 3}, Case{3, 1, 3}, Case{2, 2, 2}, Case{3, 3, 2}, Case{1, 0, 2}}) {
        SCOPED_TRACE("order " + std::to_string(c.order) + " endcon " + std::to_string(c.endcon));
        LagData e;
        const int m = 5;
        e.almon_columns(m, c.free, c.endcon);
        e.statement("OLS Y X(0.4," + std::to_string(c.order) + "," + std::to_string(c.endcon) +
                        ") / COEF=B COVAR=V NOGF NOANOVA",
                    true);
        ASSERT_EQ(e.run.res[R_ERR], 0);
        const Real sse = e.run.res[R_SSE], df = e.run.res[R_DF], r2 = e.run.res[R_R2];
        EXPECT_EQ(e.run.res[R_K], m);
        std::string zs;
        for (int k = 0; k < c.free; ++k) zs += " Z" + std::to_string(k);
        e.statement("OLS Y" + zs + " / NOCONST BEG=5 COEF=G COVAR=W NOGF NOANOVA", true);
        EXPECT_LT(rel(sse, e.run.res[R_SSE], e.run.res[R_SSE]), 1e-30Q);
        EXPECT_LT(rel(r2, e.run.res[R_R2], 1), 1e-30Q);
        EXPECT_EQ(df, e.run.res[R_DF]);
        EXPECT_EQ(df, NOBS - 4 - c.free);
        Real bmax = 0;
        for (int i = 1; i <= m; ++i) bmax = fmaxq(bmax, fabsq(e.value("B", i)));
        for (int i = 0; i < m; ++i) {
            Real b = 0, var = 0;
            for (int a = 0; a < c.free; ++a) {
                b += LagData::basis(i, a, m, c.endcon) * e.value("G", a + 1);
                for (int d = 0; d < c.free; ++d)
                    var += LagData::basis(i, a, m, c.endcon) * LagData::basis(i, d, m, c.endcon) *
                           e.value("W", (long long)d * c.free + a + 1);
            }
            EXPECT_LT(rel(e.value("B", i + 1), b, bmax), 1e-30Q) << "lag " << i;
            EXPECT_LT(rel(e.value("V", (long long)i * m + i + 1), var, var), 1e-28Q) << "lag " << i;
        }
    }
}

TEST(OlsLagPolynomials, PlainRegressorBesideALag) {
    LagData e;
    std::vector<Real> w;
    for (int t = 1; t <= NOBS; ++t) w.push_back(Real(t % 4));
    e.data("W", w);
    e.almon_columns(5, 3, 0);
    e.statement("OLS Y X(0.4,2) W / NOGF NOANOVA COEF=B", true);
    // Three free parameters and W: 36 observations leave 32 degrees of freedom, and the
    // adjusted R-square counts the two restrictions (five lags on three parameters).
    EXPECT_EQ(e.run.res[R_DF], 32);
    const Real r2 = e.run.res[R_R2];
    EXPECT_LT(fabsq(e.run.res[R_ADR2] - (r2 - (1 - r2) * (6 - 2 - 1) / 32)), 1e-30Q);
    const Real wcoef = e.value("B", 6);
    e.statement("OLS Y Z0 Z1 Z2 W / NOCONST BEG=5 COEF=G NOGF NOANOVA", true);
    EXPECT_LT(fabsq(wcoef - e.value("G", 4)) / fabsq(wcoef), 1e-30Q);
    EXPECT_LT(fabsq(r2 - e.run.res[R_R2]), 1e-30Q);
}

TEST(OlsLagPolynomials, DlrxLeavesTheLagsFree) {
    LagData e;
    e.statement("OLS Y X(0.4,2) / DLRX COEF=B NOGF NOANOVA", true);
    const Real sse = e.run.res[R_SSE];
    EXPECT_EQ(e.run.res[R_DF], NOBS - 4 - 5);
    e.statement("OLS Y X(0.4) / NOCONST COEF=G NOGF NOANOVA", true);
    EXPECT_LT(fabsq(sse - e.run.res[R_SSE]) / sse, 1e-30Q);
    for (int i = 1; i <= 5; ++i) EXPECT_LT(fabsq(e.value("B", i) - e.value("G", i)), 1e-28Q);
}

TEST(OlsLagPolynomials, TooFewObservationsCountsFreeParameters) {
    // Ten lags of degree 1 need two parameters: 12 observations leave 2 after the lags.
    OlsEngine e;
    std::vector<Real> x, y;
    for (int t = 1; t <= 12; ++t) x.push_back(t * t % 7), y.push_back(t % 5);
    e.data("X", x);
    e.data("Y", y);
    e.sample(1, 12);
    e.statement("OLS Y X(0.9,1) / NOGF NOANOVA", true);
    EXPECT_EQ(e.run.res[R_ERR], 0);
    EXPECT_EQ(e.run.res[R_DF], 1);
    e.sample(1, 10);
    const Lines out = e.statement("OLS Y X(0.9,1) / NOGF NOANOVA");
    EXPECT_EQ(out, (Lines{"  LAG FOR X       RANGE =    0    9 ORDER=   1 ENDCON=   0",
                          " ...ERROR..    1 OBSERVATIONS IS NOT ENOUGH FOR ESTIMATION"}));
}

} // namespace
} // namespace tarvex
