// NLINEAR and MLE against values computed independently in R (the R expressions beside each
// value): a normal linear model estimated by MLE is OLS with sigma**2 = SSE/N, with the
// covariance from the Hessian, the outer product of the scores and the sandwich in closed form;
// and the heteroskedasticity-consistent covariance of a nonlinear least-squares fit. On a long
// sample (started from a subsample, its Hessian taking the first step) the estimates of a normal
// mean and variance match their closed forms to binary128 accuracy. A two-component normal
// mixture with two maxima: the local methods from a bad start stop at the lower one, annealing
// finds the higher one, both as R finds them.
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

// The mixture of tests/golden/nonlin/methods: 50 values of y, weights 0.3 and 0.7 known, a common
// standard deviation s. R (every maximum of optim(..., method="BFGS") from 60 random starts
// over [-3,8]^2 x [exp(-1),exp(1.5)], each polished with the analytic gradient at
// reltol=1e-20, gradient below 1e-7; a 0.05 grid over [-2,6]^2 x [0.5,2.5] has no point above
// the higher maximum):
//   ll <- function(t) sum(log(0.3*exp(-0.5*((y-t[1])/t[3])^2) + 0.7*exp(-0.5*((y-t[2])/t[3])^2))
//                         - log(t[3]) - 0.5*log(2*pi))
const char* const MIXTURE_DATA =
    "sample 1 50\nread y / byvar\n"
    "0.56 -1.69 -0.32 -0.11 1.11 1.72 5.31 -0.47 0.86 -0.64 -1.74 0.31 -0.21 3.89 -0.26 0.19\n"
    "-1.67 0.39 0.51 -0.89 3.04 2.51 -0.62 0.51 3.68 3.48 0.63 0.50 1.04 3.19 4.24 5.22 1.20\n"
    "4.43 0.52 4.05 0.31 3.55 4.25 3.18 -0.23 1.99 -0.74 0.25 -0.05 0.39 -0.66 -0.34 0.42 -0.93\n";
// The global maximum (m1, m2, s, ll) and the local one with the components swapped.
const double MIXTURE_GLOBAL[] = {3.79173791895331, 0.0298562667255904, 0.843503475626031,
                                 -90.9045165258554};
const double MIXTURE_LOCAL[] = {-0.0353088381743876, 3.62011063098847, 0.857329303976187,
                                -107.754567936058};

std::string mixture_mle(const std::string& options) {
    return std::string(MIXTURE_DATA) + "mle / " + options +
           "\ncoef m1 -1 m2 5 s 1\n"
           "eq log(0.3*exp(-0.5*((y-m1)/s)**2) + 0.7*exp(-0.5*((y-m2)/s)**2)) - log(s)"
           " - 0.5*log(2*3.14159265358979323846264338327950288)\nend\nstop\n";
}

void expect_mixture_maximum(const ScriptRun& run, const double* maximum) {
    const EstimationResults& e = run.run->last_estimation;
    ASSERT_EQ(e.command, "MLE") << run.output;
    ASSERT_EQ(e.coef.size(), 3u);
    // R's maximum holds about 8 digits of the parameters (gradient 1e-7), 14 of the value.
    for (int j = 0; j < 3; ++j)
        EXPECT_LE(static_cast<double>(qm::abs(e.coef[j] - maximum[j])), 1e-8) << j << run.output;
    expect_close(run.run->res[R_LLF], maximum[3], 1e-13, "log-likelihood");
}

TEST(MaximumLikelihood, MixtureLocalMethodsStopLowAnnealingFindsTheGlobalMaximum) {
    for (const char* local : {"method=newton", "method=gqopt", "method=gqdfp", "method=bfgs"}) {
        SCOPED_TRACE(local);
        expect_mixture_maximum(ScriptRun(mixture_mle(local)), MIXTURE_LOCAL);
    }
    for (const char* anneal :
         {"method=anneal seed=7 annealn=3000", "method=anneal seed=11 annealn=3000"}) {
        SCOPED_TRACE(anneal);
        expect_mixture_maximum(ScriptRun(mixture_mle(anneal)), MIXTURE_GLOBAL);
    }
}

TEST(MaximumLikelihood, AnnealingRepeatsItsSearchForASeed) {
    const auto search = [](const std::string& seed) {
        ScriptRun run(mixture_mle("method=anneal annealn=1000 " + seed));
        return run.starting(" ANNEALING:");
    };
    const Lines first = search("seed=5");
    ASSERT_EQ(first.size(), 2u);
    EXPECT_EQ(search("seed=5"), first);
    EXPECT_NE(search("seed=6")[1], first[1]); // another seed, another best point
}

TEST(NonlinearLeastSquares, MaximisersReachTheLevenbergMarquardtMinimum) {
    // R: x <- 1:8; z <- c(2.62,3.37,4.46,5.63,7.43,9.51,12.35,15.83)
    //    Gauss-Newton from optim(c(1,0.1), function(t) sum((z - t[1]*exp(t[2]*x))^2), "BFGS"):
    //    for (i in 1:20) { J <- cbind(exp(t[2]*x), t[1]*x*exp(t[2]*x))
    //                      t <- t + qr.solve(J, z - t[1]*exp(t[2]*x)) }
    const double a = 2.047964073916603, b = 0.2559944933190242, sse = 0.02000993640169514;
    for (const char* method : {"newton", "gqopt", "gqdfp", "bfgs", "anneal seed=3 annealn=500"}) {
        SCOPED_TRACE(method);
        ScriptRun run(std::string("sample 1 8\nread x z\n1 2.62\n2 3.37\n3 4.46\n4 5.63\n"
                                  "5 7.43\n6 9.51\n7 12.35\n8 15.83\nnlinear / method=") +
                      method + "\ncoef a 1 b 0.1\neq z = a*exp(b*x)\nend\nstop\n");
        const EstimationResults& e = run.run->last_estimation;
        ASSERT_EQ(e.command, "NLINEAR") << run.output;
        EXPECT_NE(run.output.find("CONVERGENCE REACHED"), std::string::npos) << run.output;
        expect_close(e.coef[0], a, 1e-12, "a");
        expect_close(e.coef[1], b, 1e-12, "b");
        expect_close(run.run->res[R_SSE], sse, 1e-12, "SSE");
    }
}

} // namespace
} // namespace tarvex::testing
