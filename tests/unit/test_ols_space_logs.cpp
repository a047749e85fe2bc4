// Parts of the regression that depend on what the estimation is given: the work space the
// method reserves (the Householder method with the exact Durbin-Watson matrices, the robust
// covariance), the statistics of the untransformed dependent variable (logged; the weighted
// rows' residual statistics are pinned by the ols/hand_lines golden), missing observations in the
// gap of the exact Durbin-Watson test, and a limit of the report (the Rice criterion at 2K = N; a
// t-ratio above 100 is in the ols/hand_lines golden).
#include "numeric/fortran_format.hpp"
#include "ols_engine.hpp"

#include <gtest/gtest.h>

namespace tarvex {
namespace {

using Lines = std::vector<std::string>;
using testing::OlsEngine;

// N observations of a trend with a wobble.
void trend_data(OlsEngine& e, int n) {
    std::vector<Real> x, y;
    for (int t = 1; t <= n; ++t) {
        x.push_back(t);
        y.push_back(Real(t) / 2 + Real((t * 7) % 5) / 3);
    }
    e.data("Y", y);
    e.data("X", x);
    e.sample(1, n);
}

TEST(OlsWorkSpace, ExactDurbinWatsonAsksForTheSizeThatLetsItRun) {
    // 100 observations need the 100 x 100 matrices of the exact test: far more than a work
    // area of 20000 words holds.
    OlsEngine small(20000);
    trend_data(small, 100);
    const Lines out = small.statement("OLS Y X / DWPVALUE NOGF NOANOVA");
    ASSERT_EQ(out.size(), 2u) << ::testing::PrintToString(out);
    EXPECT_EQ(out[0], " ...ERROR..INSUFFICIENT SPACE FOR HOUSEHOLDER METHOD");
    const std::string prefix = " USE SIZE COMMAND: SIZE ";
    ASSERT_EQ(out[1].substr(0, prefix.size()), prefix);
    const long long kb = std::stoll(out[1].substr(prefix.size()));
    EXPECT_TRUE(small.run.flags.ODONT);
    // The size asked for, in kilobytes of 16-byte words, is enough, and one kilobyte less is not.
    OlsEngine enough(kb * 1024 / 16);
    trend_data(enough, 100);
    const Lines ran = enough.statement("OLS Y X / DWPVALUE NOGF NOANOVA");
    bool pvalue = false;
    for (const std::string& l : ran)
        pvalue =
            pvalue || l.rfind(" DURBIN-WATSON POSITIVE AUTOCORRELATION TEST P-VALUE =", 0) == 0;
    EXPECT_TRUE(pvalue) << ::testing::PrintToString(ran);
    OlsEngine short_by_one((kb - 1) * 1024 / 16);
    trend_data(short_by_one, 100);
    EXPECT_EQ(short_by_one.statement("OLS Y X / DWPVALUE NOGF NOANOVA")[0],
              " ...ERROR..INSUFFICIENT SPACE FOR HOUSEHOLDER METHOD");
}

TEST(OlsWorkSpace, HouseholderAndRobustCovarianceNeedRoomForTheirCopies) {
    // Three series of 5000 fill 15000 of 20000 words: the default method still runs, the
    // Householder copy of the 5000 x 3 matrix and the weighted rows of HETCOV do not fit.
    OlsEngine e(20000);
    trend_data(e, 5000);
    std::vector<Real> z;
    for (int t = 1; t <= 5000; ++t) z.push_back(t % 9);
    e.data("Z", z);
    e.statement("OLS Y X Z / NOGF NOANOVA", true);
    EXPECT_EQ(e.run.res[R_ERR], 0);
    EXPECT_EQ(e.run.res[R_N], 5000);
    const Lines hh = e.statement("OLS Y X Z / METHOD=HH NOGF NOANOVA");
    ASSERT_EQ(hh.size(), 2u);
    EXPECT_EQ(hh[0], " ...ERROR..INSUFFICIENT SPACE FOR HOUSEHOLDER METHOD");
    const Lines het = e.statement("OLS Y X Z / HETCOV NOGF NOANOVA");
    EXPECT_EQ(het, (Lines{" ...ERROR..INSUFFICIENT MEMORY TO CORRECT COVARIANCE MATRIX"}));
    EXPECT_EQ(e.run.res[R_ERR], 6017);
}

// log y = 1 2 4 on x = 1 2 3 (LOGLIN): the three-point fit b = 1.5, a = -2/3, SSE 1/6, so
// L = -(3/2) ln(2 pi (1/18)) - 3/2 = 0.0787420 and the untransformed y has L - (1+2+4).
struct LoggedThreePoints : OlsEngine {
    LoggedThreePoints() {
        data("Y", {expq(Real(1)), expq(Real(2)), expq(Real(4))});
        data("X", {1, 2, 3});
        data("LX", {0, logq(Real(2)), logq(Real(3))});
        sample(1, 3);
    }
};

TEST(OlsLoggedDependent, LikelihoodOfTheUntransformedVariable) {
    LoggedThreePoints e;
    e.statement("OLS Y X / LOGLIN RSTAT NOGF NOANOVA", true);
    const Real llf = -Real(3) / 2 * logq(2 * 3.1415926535898Q / 18) - Real(3) / 2;
    // The stored value is that of the fitted (logged) equation; the report lines of both
    // likelihoods are pinned by the ols/hand_lines golden.
    EXPECT_LT(fabsq(e.run.res[R_LLF] - llf), 1e-30Q);
}

TEST(OlsLoggedDependent, LoglogMatchesTheRegressionOfTheLogs) {
    // LOGLOG of Y on X is the regression of log y on log x, here typed as LX.
    LoggedThreePoints e;
    std::vector<Real> ly = {1, 2, 4};
    e.data("LY", ly);
    // (The line of the untransformed likelihood is pinned by the ols/hand_lines golden.)
    e.statement("OLS Y X / LOGLOG NOGF NOANOVA COEF=B", true);
    const Real b = e.value("B", 1), llf = e.run.res[R_LLF];
    e.statement("OLS LY LX / NOGF NOANOVA COEF=G", true);
    EXPECT_LT(fabsq(b - e.value("G", 1)), 1e-30Q);
    EXPECT_LT(fabsq(llf - e.run.res[R_LLF]), 1e-30Q);
}

TEST(OlsExactDurbinWatson, MissingObservationsInTheGapUnderAutocorrelation) {
    // y = 1 2 4 on the intercept: e = (-4, -1, 5)/3; with the gap after observation 1 only
    // e3 - e2 counts, d = 1/(42/9) * 4 = 6/7. Under AR(1) errors u ~ N(0, V), the two observations
    // after the gap stand NMISS periods further on: V_ij = rho^|t_i - t_j| with t = 0, 1+m, 2+m.
    // P(d <= 6/7) = P(u'M(A - dI)Mu <= 0); the form has two non-zero roots l+ > 0 > l- (those of
    // C V), so the probability is (2/pi) atan(sqrt(-l-/l+)).
    for (int missing : {0, 2}) {
        SCOPED_TRACE(missing);
        OlsEngine e;
        e.data("Y", {1, 2, 4});
        e.sample(1, 3);
        const Lines out = e.statement("OLS Y / DWPVALUE GAP=1 NMISS=" + std::to_string(missing) +
                                      " RHO=0.5 NOGF NOANOVA");
        const Real rho = 0.5Q, d = Real(6) / 7;
        const int time[3] = {0, 1 + missing, 2 + missing};
        Real m[3][3], a[3][3] = {{0, 0, 0}, {0, 1, -1}, {0, -1, 1}}, c[3][3] = {}, p[3][3] = {};
        for (int i = 0; i < 3; ++i)
            for (int j = 0; j < 3; ++j) m[i][j] = (i == j) - Real(1) / 3, a[i][j] -= i == j ? d : 0;
        Real ma[3][3] = {};
        for (int i = 0; i < 3; ++i)
            for (int j = 0; j < 3; ++j)
                for (int k = 0; k < 3; ++k) ma[i][j] += m[i][k] * a[k][j];
        for (int i = 0; i < 3; ++i)
            for (int j = 0; j < 3; ++j)
                for (int k = 0; k < 3; ++k) c[i][j] += ma[i][k] * m[k][j];
        for (int i = 0; i < 3; ++i)
            for (int j = 0; j < 3; ++j)
                for (int k = 0; k < 3; ++k)
                    p[i][j] += c[i][k] * powq(rho, fabsq(Real(time[k] - time[j])));
        const Real tr = p[0][0] + p[1][1] + p[2][2];
        Real c2 = 0;
        for (int i = 0; i < 3; ++i)
            for (int j = i + 1; j < 3; ++j) c2 += p[i][i] * p[j][j] - p[i][j] * p[j][i];
        const Real root = sqrtq(tr * tr - 4 * c2);
        const Real lplus = (tr + root) / 2, lminus = (tr - root) / 2;
        ASSERT_GT(lplus, 0);
        ASSERT_LT(lminus, 0);
        const Real prob = 2 / M_PIq * atanq(sqrtq(-lminus / lplus));
        EXPECT_LT(fabsq(e.run.res[R_CDF] - prob), 1e-15Q);
        EXPECT_NE(std::find(out.begin(), out.end(),
                            " DURBIN-WATSON POSITIVE AUTOCORRELATION TEST P-VALUE =" +
                                fmt_F(prob, 12, 6)),
                  out.end())
            << ::testing::PrintToString(out);
    }
}

TEST(OlsReportLimits, RiceAtTwoKEqualN) {
    // N = 4 observations and K = 2 coefficients: the Rice criterion s/(1 - 2K/N) is 0, Shibata's
    // s (N + 2K)/N = (1.8/4) * 2 = 0.9 is not.
    OlsEngine e;
    e.data("Y", {1, 2, 4, 3});
    e.data("X", {1, 2, 3, 4});
    e.sample(1, 4);
    e.statement("OLS Y X / ANOVA NOGF", true);
    EXPECT_EQ(e.run.res[R_RICE], 0);
    EXPECT_LT(fabsq(e.run.res[R_SHIB] - 0.9Q), 1e-32Q);
}

} // namespace
} // namespace tarvex
