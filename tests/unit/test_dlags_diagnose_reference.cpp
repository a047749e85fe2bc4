// DLAGS and DIAGNOSE against R on fixed data (t = 1..60):
//   x <- ((t*37) %% 101)/7 + t/3;  z <- ((t*13) %% 17)/5;  u <- ((t*53) %% 29)/11
//   y <- 2 + 0.5*x + 0.9*c(NA, x[-60]) + u + ifelse(t > 40, 1.5*z, 0);  y[1] <- 3
// DLAGS Y X / LAGS=4 ORDER=2 [NEAR|FAR|BOTH]: lm(y[5:60] ~ Z[5:60, ]) on the Almon columns
// Z = X %*% H, X the lags 0..4 of x, H[i, c] = i^c times (i+1) for a tied near end and (5-i) for
// a tied far end; b = H g, Var b = H vcov H'. DIAGNOSE after OLS Y X Z: strucchange's
// sctest(y ~ x + z, type="Chow", point=40) and Fstats(y ~ x + z, from=0.15), the predictive
// test ((S-S1)/20)/(S1/37) written out, and the ARCH regressions lm(e2[3:60] ~ e2[2:59] +
// e2[1:58]) with e2 = resid(lm(y ~ x + z))^2. Values as R prints them with digits=15.
#include "ols_engine.hpp"
#include "reference_support.hpp"
#include "regress/diagnose/sup_f_pvalue.hpp"

#include <gtest/gtest.h>

namespace tarvex {
namespace {

using testing::agrees;
using testing::has_line;
using testing::OlsEngine;

struct StabilityData : OlsEngine {
    StabilityData() {
        std::vector<Real> x, z, y;
        for (int t = 1; t <= 60; ++t) {
            x.push_back(Real((t * 37) % 101) / 7 + Real(t) / 3);
            z.push_back(Real((t * 13) % 17) / 5);
        }
        for (int t = 1; t <= 60; ++t) {
            Real v = 2 + x[t - 1] / 2 + Real((t * 53) % 29) / 11 + (t > 40 ? z[t - 1] * 3 / 2 : 0);
            y.push_back(t == 1 ? Real(3) : v + Real(9) / 10 * x[t - 2]);
        }
        data("X", x);
        data("Z", z);
        data("Y", y);
        sample(1, 60);
    }
};

TEST(DlagsReference, AlmonWeightsAgainstRestrictedLeastSquares) {
    struct Case {
        const char* ends;
        Real b[5], se[5], sse;
    };
    const Case cases[] = {
        {"",
         {0.612479306384366Q, 0.311177339857264Q, 0.160390789867884Q, 0.160119656416225Q,
          0.310363939502288Q},
         {0.0996539657452160Q, 0.0529585204225057Q, 0.0694860387916287Q, 0.0526724882730011Q,
          0.1016873039583792Q},
         495.973137962298Q},
        {"NEAR",
         {0.235135485741713Q, 0.371687873618699Q, 0.409657163630960Q, 0.349043355778494Q,
          0.189846450061303Q},
         {0.0455086966856507Q, 0.0580982527527136Q, 0.0393513402991180Q, 0.0298428520844955Q,
          0.1112050431786471Q},
         658.780519616268Q},
        {"FAR",
         {0.5476870810585167Q, 0.4198906080411389Q, 0.3012236634265983Q, 0.1916862472148949Q,
          0.0912783594060288Q},
         {0.0996976527215982Q, 0.0265106242495865Q, 0.0362128502890760Q, 0.0530256885809108Q,
          0.0414197423133567Q},
         548.243553990813Q},
        {"BOTH",
         {0.222276385905881Q, 0.355642217449410Q, 0.400097494630586Q, 0.355642217449410Q,
          0.222276385905881Q},
         {0.0121558505450044Q, 0.0194493608720070Q, 0.0218805309810079Q, 0.0194493608720070Q,
          0.0121558505450044Q},
         659.850606490775Q},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.ends);
        StabilityData e;
        e.statement(std::string("DLAGS Y X / LAGS=4 ORDER=2 COEF=B STDERR=S ") + c.ends, true);
        ASSERT_EQ(e.run.res[R_ERR], 0);
        EXPECT_EQ(e.run.res[R_N], 56);
        EXPECT_TRUE(agrees(e.run.res[R_SSE], c.sse));
        for (int i = 0; i < 5; ++i) {
            EXPECT_TRUE(agrees(e.value("B", i + 1), c.b[i])) << "lag " << i;
            EXPECT_TRUE(agrees(e.value("S", i + 1), c.se[i])) << "lag " << i;
        }
    }
    // The intercept comes last: coef(f)[1] and its standard error with both ends tied.
    StabilityData e;
    e.statement("DLAGS Y X / LAGS=4 ORDER=2 BOTH COEF=B STDERR=S", true);
    EXPECT_TRUE(agrees(e.value("B", 6), 2.17074168211164Q));
    EXPECT_TRUE(agrees(e.value("S", 6), 1.55253341312059Q));
}

TEST(DiagnoseReference, ChowTestsAgainstStrucchange) {
    StabilityData e;
    e.statement("OLS Y X Z", true);
    e.statement("DIAGNOSE / NORECRESID CHOWONE=41", true);
    ASSERT_EQ(e.run.res[R_ERR], 0);
    EXPECT_TRUE(agrees(e.run.res[R_F], 8.81850336140432Q)); // sctest(type="Chow", point=40)
    EXPECT_TRUE(agrees(e.run.res[R_PVAL], 7.45175164614998e-05Q));
    EXPECT_EQ(e.run.res[R_DF1], 3);
    EXPECT_EQ(e.run.res[R_DF2], 54);
    // The predictive test is printed: ((S-S1)/20)/(S1/37) = 1.69551821439192, p 0.0807020744734287.
    const auto lines = e.statement("DIAGNOSE / NORECRESID CHOWONE=41");
    EXPECT_TRUE(has_line(lines, " PREDICTIVE TEST: F =  1.69551821       DF = (   20,   37)   "
                                "P-VALUE =  0.080702"));
    // Fstats(from=0.15): 43 breaks, the largest after observation 30.
    e.statement("DIAGNOSE / NORECRESID CHOWTEST", true);
    EXPECT_TRUE(agrees(e.run.res[R_CHI], 30.2447438701813Q));
}

// Andrews' p-value of the sup-F by Hansen's approximation, against strucchange:
//   fs <- Fstats(y ~ x + z, from = 0.15); sctest(fs, type = "supF")$p.value; fs$par
// and on the first 30 observations Fstats(y[1:30] ~ x[1:30] + z[1:30], from = 0.15).
TEST(DiagnoseReference, SupFPValueAgainstStrucchange) {
    StabilityData e;
    e.statement("OLS Y X Z", true);
    const auto lines = e.statement("DIAGNOSE / NORECRESID CHOWTEST");
    EXPECT_TRUE(agrees(e.run.res[R_CHI], 30.244743870181349Q));
    EXPECT_TRUE(agrees(e.run.res[R_PVAL], 2.8988770379712037e-05Q));
    EXPECT_TRUE(has_line(lines, " P-VALUE (ANDREWS' DISTRIBUTION, HANSEN'S APPROXIMATION) =  "
                                "0.000029   LAMBDA =   32.1111")); // fs$par 32.111111111111114
    e.sample(1, 30);
    e.statement("OLS Y X Z", true);
    e.statement("DIAGNOSE / NORECRESID CHOWTEST", true);
    EXPECT_TRUE(agrees(e.run.res[R_CHI], 10.871518291192416Q));
    EXPECT_TRUE(agrees(e.run.res[R_PVAL], 0.16670516557850817Q)); // lambda 42.25
}

// The ends of the trimming grid: strucchange:::pvalue.Fstats(5, "supF", 1, 1e6) (tau below
// 0.01: the last row) and pvalue.Fstats(12, "supF", 40, 1.02) (tau above 0.49: towards the
// chi-square(40) tail).
TEST(DiagnoseReference, SupFPValueAtTheEndsOfTheTrimming) {
    EXPECT_TRUE(agrees(sup_f_pvalue(5, 1, 1000000), 0.46463225913151796Q));
    EXPECT_TRUE(agrees(sup_f_pvalue(12, 40, 1.02Q), 0.99999606575996369Q));
    EXPECT_TRUE(agrees(sup_f_lambda(60, 9, 51), 32.111111111111114Q));
}

TEST(DiagnoseReference, ArchTestAgainstAuxiliaryRegression) {
    StabilityData e;
    e.statement("OLS Y X Z", true);
    e.statement("DIAGNOSE / NORECRESID HETEROSC MHET=2", true);
    ASSERT_EQ(e.run.res[R_ERR], 0);
    EXPECT_TRUE(agrees(e.run.res[R_CHI], 24.3992741578046Q)); // 58 * R2
    EXPECT_TRUE(agrees(e.run.res[R_F], 19.9692126441215Q));   // summary(a)$fstatistic
    EXPECT_TRUE(agrees(e.run.res[R_PVAL], 3.02216591111376e-07Q));
    EXPECT_EQ(e.run.res[R_DF2], 55);
    e.statement("DIAGNOSE / NORECRESID HETEROSC", true); // order 1 by default
    EXPECT_TRUE(agrees(e.run.res[R_CHI], 8.90886072355725Q));
}

} // namespace
} // namespace tarvex
