// NLINEAR and MLE against values computed independently in R (the R expressions beside each
// value): a normal linear model estimated by MLE is OLS with sigma**2 = SSE/N, with the
// covariance from the Hessian, the outer product of the scores and the sandwich in closed form;
// and the heteroskedasticity-consistent covariance of a nonlinear least-squares fit. On a long
// sample (started from a subsample, its Hessian taking the first step) the estimates of a normal
// mean and variance match their closed forms to binary128 accuracy.
#include "test_support.hpp"

#include "core/run.hpp"
#include "numeric/qmath.hpp"

#include <gtest/gtest.h>

namespace tarvex::testing {
namespace {

void expect_close(Real value, double reference, double relative, const char* what) {
    EXPECT_LE(static_cast<double>(qm::abs(value - reference)), relative * std::abs(reference))
        << what << ": " << static_cast<double>(value) << " against " << reference;
}

// y, x, z of the normal linear model, as in the golden transcript nonlin/mle.
const char* const NORMAL_DATA = "sample 1 12\nread y x z\n"
                                "3.1 1 0.5\n4.9 2 1.7\n7.2 3 0.9\n8.8 4 2.4\n11.3 5 1.1\n"
                                "12.7 6 3.0\n15.2 7 2.2\n16.8 8 0.7\n19.4 9 2.9\n20.6 10 1.4\n"
                                "23.3 11 2.6\n24.7 12 0.8\n";

std::string normal_mle(const std::string& options) {
    return std::string(NORMAL_DATA) + "mle / " + options +
           "\ncoef a 0 bx 1 bz 0 s2 1\n"
           "eq -0.5*log(2*3.14159265358979323846264338327950288*s2) - (y-a-bx*x-bz*z)**2/(2*s2)"
           "\nend\nstop\n";
}

// R: m <- lm(y ~ x + z); b <- coef(m); e <- resid(m); s2 <- sum(e^2)/12
const double B[] = {0.98591163814128269, 1.9861880399319289, 0.061702635030403442,
                    0.067626322844517514};
// R: X <- cbind(1, x, z); G <- cbind(X*e/s2, -1/(2*s2) + e^2/(2*s2^2)); opg <- t(G) %*% G
//    H <- Hessian of the log-likelihood at (b, s2); Hi <- solve(-H)
const double SE_HESSIAN[] = {0.19897813791050009, 0.022264444386748159, 0.088665950296773405,
                             0.027608330691631558}; // sqrt(diag(Hi))
const double SE_OPG[] = {0.26547873883746709, 0.027921545459309569, 0.09322784813749839,
                         0.05995257252892338}; // sqrt(diag(solve(opg)))
const double SE_SANDWICH[] = {0.16009928134874726, 0.018879831986072928, 0.094343631399290057,
                              0.013432733815078443}; // sqrt(diag(Hi %*% opg %*% Hi))
// R: as.numeric(logLik(m))
const double LLF = -0.86471451524483411;

TEST(MaximumLikelihood, NormalLinearModelIsOlsWithEveryCovariance) {
    struct Case {
        const char* options;
        const double* se;
    };
    for (const Case& c : {Case{"method=newton", SE_HESSIAN}, Case{"method=bfgs", SE_HESSIAN},
                          Case{"method=bhhh covtype=opg maxit=1000", SE_OPG},
                          Case{"method=dfp covtype=sandwich maxit=1000", SE_SANDWICH},
                          Case{"hetcov", SE_SANDWICH}}) {
        SCOPED_TRACE(c.options);
        ScriptRun run(normal_mle(c.options));
        const EstimationResults& e = run.run->last_estimation;
        ASSERT_EQ(e.command, "MLE") << run.output;
        for (int j = 0; j < 4; ++j) {
            expect_close(e.coef[j], B[j], 1e-12, "estimate"); // R in double precision: 14 digits
            expect_close(e.stderrs[j], c.se[j], 1e-12, "standard error");
        }
        expect_close(run.run->res[R_LLF], LLF, 1e-12, "log-likelihood");
    }
}

TEST(NonlinearLeastSquares, HeteroskedasticityConsistentCovariance) {
    // R, at the exact least-squares estimates of Misra1a (exact.tsv):
    //   b1 <- 2.389421291788617083e+02; b2 <- 5.501564318059135597e-04
    //   J <- cbind(1-exp(-b2*x), b1*x*exp(-b2*x)); e <- y - b1*(1-exp(-b2*x))
    //   B <- solve(t(J) %*% J); sqrt(diag(B %*% t(J*e) %*% (J*e) %*% B))
    std::string script = "sample 1 14\nread (" + std::string(TARVEX_TEST_DATA_DIR) +
                         "/nls/Misra1a.txt) y x\nnlinear / hetcov\ncoef b1 250 b2 0.0005\n"
                         "eq y = b1*(1-exp(-b2*x))\nend\nstop\n";
    ScriptRun run(script);
    const EstimationResults& e = run.run->last_estimation;
    ASSERT_EQ(e.command, "NLINEAR") << run.output;
    expect_close(e.stderrs[0], 2.65443099009656, 1e-12, "sd b1");
    expect_close(e.stderrs[1], 7.03709899633652e-06, 1e-12, "sd b2");
}

TEST(MaximumLikelihood, LongSampleFromTheSubsampleStartReachesTheClosedForm) {
    // y = 1 .. N: the maximum is the mean (N + 1)/2 and the variance (N**2 - 1)/12, with
    // standard errors sqrt(s2/N) and sqrt(2/N) s2 from minus the inverse Hessian.
    const int n = 66000; // above the subsample start's threshold
    ScriptRun run("sample 1 66000\ngenr y = time(0)\nmle\ncoef m 0 s2 1\n"
                  "eq -0.5*log(2*3.14159265358979323846264338327950288*s2) - (y-m)**2/(2*s2)\n"
                  "end\nstop\n");
    const EstimationResults& e = run.run->last_estimation;
    ASSERT_EQ(e.command, "MLE") << run.output;
    EXPECT_NE(run.output.find("CARRIED TO THE MAXIMUM OF A SUBSAMPLE"), std::string::npos);
    const Real mean = Real(n + 1) / 2, s2 = (Real(n) * n - 1) / 12;
    const Real se_mean = qm::sqrt(s2 / n), se_s2 = qm::sqrt(Real(2) / n) * s2;
    EXPECT_LT(qm::abs(e.coef[0] / mean - 1), 1e-28Q) << run.output;
    EXPECT_LT(qm::abs(e.coef[1] / s2 - 1), 1e-28Q);
    EXPECT_LT(qm::abs(e.stderrs[0] / se_mean - 1), 1e-26Q);
    EXPECT_LT(qm::abs(e.stderrs[1] / se_s2 - 1), 1e-26Q);
}

} // namespace
} // namespace tarvex::testing
