// Linear GMM (2SLS / METHOD=GMM) against R on the data sets of the instrumental-variables
// tests (tests/data/iv: cigarettes.txt, 48 rows; generated.txt, 2000 rows; see
// test_iv_reference.cpp). The references are the estimators written out in R matrices, printed
// with 17 digits (constant last, as the engine lists it):
//   Sf <- function(Z, u, L) { G <- Z * u; S <- crossprod(G); for j in 1..L:
//     Gj <- t(G[-(1:j),]) %*% G[1:(n-j),]; S <- S + (1 - j/(L+1)) * (Gj + t(Gj)); S }
//   A <- t(Z) %*% X; cc <- t(Z) %*% y; step <- function(W) solve(t(A) %*% W %*% A, t(A) %*% W %*%
//   cc) two steps: b1 <- step(solve(crossprod(Z))); W <- solve(Sf(Z, y - X %*% b1, L)); b <-
//   step(W) iterated: W and b renewed until |b - b_old| / |b_old| < 1e-15 (or 500 steps) J = t(g)
//   %*% W %*% g with g <- cc - A %*% b (W the weight of the last step) se = sqrt(diag(solve(t(A)
//   %*% solve(Sf(Z, y - X %*% b, L)) %*% A))) identity weight: b <- step(diag(L)); B <- solve(t(A)
//   %*% A);
//     se = sqrt(diag(B %*% t(A) %*% Sf(Z, u, L) %*% A %*% B))
// R's gmm package (function interface g = Z * (y - X th), vcov = "iid" or "HAC" with kernel =
// "Bartlett", bw = L + 1, prewhite = FALSE, centeredVcov = FALSE) agrees to the 8-9 digits its
// optimiser holds: type = "iterative" coef 9.89087308345852 -1.29754621213881 0.317667147634701,
// J 0.336473137601379; wmatrix = "ident" coef 10.4464123884176 -1.05883915443904
// -0.314092636570685, se 1.28568664493396 0.53694062163219 1.21504963315003; iterative HAC
// bw = 3 J 0.380634174627107.
#include "regress/iv/gmm_estimate.hpp"

#include "ols_engine.hpp"
#include "reference_support.hpp"

namespace tarvex {
namespace {

using testing::agrees;
using testing::expect_all;

IvData gmm_data(const std::vector<std::vector<Real>>& c, std::vector<int> regressors,
                std::vector<int> instruments) {
    IvData d;
    d.n = c[0].size();
    d.y = c[0].data();
    for (const std::vector<Real>& col : c) d.columns.push_back(col.data());
    d.columns.push_back(nullptr);
    d.regressors = std::move(regressors);
    d.instruments = std::move(instruments);
    return d;
}

GmmControl gmm_control(GmmWeight weight, GmmSteps steps, int lags) {
    GmmControl c;
    c.weight = weight;
    c.steps = steps;
    c.lags = lags;
    return c;
}

struct GmmReference {
    std::vector<Real> coef, se;
    Real j = 0, p = 0;
};

void expect_reference(const GmmEstimate& e, const GmmReference& r, Real tolerance = 1e-11Q) {
    ASSERT_EQ(e.end, GmmEnd::OK);
    expect_all(e.result.record.coef, r.coef, tolerance);
    expect_all(e.result.record.stderrs, r.se, tolerance);
    if (r.j == 0) {
        EXPECT_FALSE(e.j.available);
        return;
    }
    ASSERT_TRUE(e.j.available);
    EXPECT_TRUE(agrees(e.j.value, r.j, tolerance));
    EXPECT_TRUE(agrees(e.j.pvalue, r.p, 1e-9Q));
}

TEST(GmmReference, CigarettesEveryWeightAndStep) {
    const auto c = testing::read_table("iv/cigarettes.txt");
    ASSERT_EQ(c[0].size(), 48u);
    const IvData d = gmm_data(c, {1, 2, 5}, {2, 3, 4, 5});

    const GmmEstimate white = estimate_gmm(d, gmm_control(GmmWeight::WHITE, GmmSteps::TWO, 0));
    expect_reference(white, {{-1.298717932670016Q, 0.31785829483375877Q, 9.896076498601829Q},
                             {0.24012034697012152Q, 0.23775683748827156Q, 0.93459959651592794Q},
                             0.33473588436374907Q,
                             0.56288364529913359Q});
    EXPECT_EQ(white.weighted_steps, 1);
    // The J of the two-step estimate is the Hansen J that 2SLS with HETCOV reports.
    IvControl hetcov;
    hetcov.robust = true;
    EXPECT_TRUE(agrees(white.j.value, estimate_iv(d, hetcov).hansen.value, 1e-25Q));
    // Stored as the record's one statistic, with asymptotic ratios.
    const EstimationResults& r = white.result.record;
    ASSERT_EQ(r.statistics.size(), 1u);
    EXPECT_EQ(r.statistics[0].name, "HANSEN J");
    EXPECT_EQ(r.statistics[0].df1, Real(1));
    EXPECT_TRUE(r.asymptotic);
    EXPECT_EQ(r.df, 45);

    expect_reference(estimate_gmm(d, gmm_control(GmmWeight::HAC, GmmSteps::TWO, 2)),
                     {{-1.2660266928702379Q, 0.29615783855142463Q, 9.7983543295414695Q},
                      {0.2546064615997683Q, 0.25643209192894417Q, 0.90322011085531095Q},
                      0.38428481629233829Q,
                      0.53531894913456413Q});
    // Iterated: R's double iteration on these data never settles below 1e-11 (500 steps), so
    // its values hold 10 digits; on the generated data it settles in 8 steps.
    const GmmEstimate iterated =
        estimate_gmm(d, gmm_control(GmmWeight::WHITE, GmmSteps::ITERATE, 0));
    expect_reference(iterated,
                     {{-1.2975462102108397Q, 0.31766714958283299Q, 9.8908730698107874Q},
                      {0.24008149338469481Q, 0.23773231883600957Q, 0.93446970520097217Q},
                      0.3364731381697661Q,
                      0.5618721023956661Q},
                     1e-10Q);
    EXPECT_TRUE(iterated.converged);
    EXPECT_GT(iterated.weighted_steps, 2);
    expect_reference(estimate_gmm(d, gmm_control(GmmWeight::HAC, GmmSteps::ITERATE, 2)),
                     {{-1.265120196907024Q, 0.29641633398693334Q, 9.7930645105935614Q},
                      {0.25463199317196622Q, 0.25643530289395189Q, 0.90327921176646753Q},
                      0.38063417262330185Q,
                      0.53726403319601257Q},
                     1e-10Q);
    // One step with (Z'Z)**-1: two-stage least squares with White's standard errors, no J.
    expect_reference(estimate_gmm(d, gmm_control(GmmWeight::WHITE, GmmSteps::ONE, 0)),
                     {{-1.2774241337362691Q, 0.28040482558664559Q, 9.8949555412781738Q},
                      {0.24168384369415963Q, 0.24582759979191235Q, 0.9287578115102878Q}});
    // The identity weight, whose A'A has condition 2.7e8, against exact rational arithmetic
    // (Python fractions) on the data as read (each decimal rounded to the nearest binary128):
    //   A = Z'X, c = Z'y; b = solve(A'A, A'c); u = y - X b; B = (A'A)**-1;
    //   se = sqrt(diag(B A' Sf(Z, u, L) A B)), Sf as above, all exact, rounded to 34 digits.
    // R's double solve above agrees to 12 digits only (coef -1.05883913181686728
    // -0.31409275317016228 10.44641259438427028).
    const Real exact_coef[] = {-1.058839131817424335449536672047769Q,
                               -0.3140927531699659260387713511992236Q,
                               10.44641259438642845650246325701150Q};
    const Real exact_se[2][3] = {
        {0.5369409442107202848621780793716395Q, 1.215050068070183448479756802652542Q,
         1.285686333909308563079136759621990Q},
        {0.5047264370323238657765556878059518Q, 1.125334082992924460858628707301993Q,
         1.299965703435114341006537141842909Q}};
    for (int lags = 0; lags < 2; ++lags) {
        SCOPED_TRACE(lags);
        const GmmEstimate identity =
            estimate_gmm(d, gmm_control(GmmWeight::IDENTITY, GmmSteps::ONE, lags));
        ASSERT_EQ(identity.end, GmmEnd::OK);
        EXPECT_FALSE(identity.j.available);
        for (int a = 0; a < 3; ++a) {
            EXPECT_TRUE(agrees(identity.result.record.coef[a], exact_coef[a], 1e-33Q)) << a;
            EXPECT_TRUE(agrees(identity.result.record.stderrs[a], exact_se[lags][a], 1e-32Q)) << a;
        }
    }
}

TEST(GmmReference, GeneratedTwoEndogenousTwoStepAndIterated) {
    const auto c = testing::read_table("iv/generated.txt");
    ASSERT_EQ(c[0].size(), 2000u);
    const IvData d = gmm_data(c, {1, 2, 3, 4, 5, 11}, {3, 4, 5, 6, 7, 8, 9, 10, 11});
    expect_reference(estimate_gmm(d, gmm_control(GmmWeight::WHITE, GmmSteps::TWO, 0)),
                     {{0.71403787445366684Q, -0.54547513576386841Q, 0.34909561981355591Q,
                       0.21550232290446655Q, -0.10233551330021838Q, 1.0044748116821764Q},
                      {0.047580404734373256Q, 0.054238734662545168Q, 0.034420886391616445Q,
                       0.027097000136482391Q, 0.027903829525602303Q, 0.027399486866540437Q},
                      4.0511649713489417Q,
                      0.25599197653817751Q});
    expect_reference(estimate_gmm(d, gmm_control(GmmWeight::HAC, GmmSteps::TWO, 3)),
                     {{0.71266963730885424Q, -0.54888465223347671Q, 0.35006128652176804Q,
                       0.21483015608607164Q, -0.10310406628507553Q, 1.0050124354971646Q},
                      {0.04737475033488258Q, 0.054095787117455552Q, 0.033942792777890578Q,
                       0.02772619438119828Q, 0.028570714726934898Q, 0.027801213666657189Q},
                      4.1886748415154411Q,
                      0.24179819698880953Q});
    expect_reference(estimate_gmm(d, gmm_control(GmmWeight::HAC, GmmSteps::ITERATE, 3)),
                     {{0.71263401709088692Q, -0.54886866037524618Q, 0.35009288440214453Q,
                       0.21481453604020134Q, -0.1031163173699339Q, 1.0050292408391877Q},
                      {0.047375293765398237Q, 0.05409661884340445Q, 0.033943150267685844Q,
                       0.027726609434891296Q, 0.02857107172648576Q, 0.027801619758487935Q},
                      4.1753087601992824Q,
                      0.24314560196675603Q},
                     1e-12Q);
}

TEST(GmmReference, FailuresSayWhy) {
    // y an exact combination of the regressors: S = 0, no weight S**-1.
    std::vector<Real> x{1, 2, 3, 4, 5, 6, 7, 8}, z{2, 1, 4, 3, 6, 5, 8, 9},
        w{1, 0, 1, 0, 0, 1, 1, 0};
    std::vector<Real> y(x.size());
    for (std::size_t i = 0; i < x.size(); ++i) y[i] = 3 + 2 * x[i];
    const std::vector<std::vector<Real>> columns{y, x, z, w};
    const IvData exact = gmm_data(columns, {1, 4}, {2, 3, 4});
    EXPECT_EQ(estimate_gmm(exact, GmmControl{}).end, GmmEnd::WEIGHT_SINGULAR);
    // The identity weight needs no S**-1: the estimate stands, its covariance zero.
    const GmmEstimate one = estimate_gmm(exact, gmm_control(GmmWeight::IDENTITY, GmmSteps::ONE, 0));
    ASSERT_EQ(one.end, GmmEnd::OK);
    EXPECT_TRUE(agrees(one.result.record.coef[0], 2));
    // Fewer instruments than regressors fails in the first step, as 2SLS does.
    const IvData under = gmm_data(columns, {1, 3, 4}, {2, 4});
    const GmmEstimate u = estimate_gmm(under, GmmControl{});
    EXPECT_EQ(u.end, GmmEnd::FIRST_STEP);
    EXPECT_EQ(u.first.end, IvEnd::UNDERIDENTIFIED);
}

} // namespace
} // namespace tarvex
