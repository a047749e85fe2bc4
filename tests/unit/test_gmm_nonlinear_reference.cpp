// NLINEAR / METHOD=GMM against independent references, through the engine on small scripts.
//
// 1. y = b0 + b1 x**b2 on tests/data/gmm/power.txt (60 rows: y x z1 z2 z3), instruments z1 z2
//    z3 and the constant. The reference is the estimator written out in mpmath at 60 digits,
//    each Gauss-Newton minimisation run until its step is below 1e-50 of the parameters:
//      u(b) = y - b0 - b1 x**b2, F = [1, x**b2, b1 x**b2 log x], c = Z'u, A = Z'F
//      minimise(b, W): repeat d = (A'WA)**-1 A'Wc, b += d until |d_i/b_i| < 1e-50
//      S(u, L) = sum u_t**2 z_t z_t' + sum_(j=1..L) (1 - j/(L+1)) sum_t u_t u_t-j
//                (z_t z_t-j' + z_t-j z_t')
//      one step: b1 = minimise(start, (Z'Z)**-1); B = (A'WA)**-1; se = sqrt(diag(B A'W S W A B))
//      two steps: b2 = minimise(b1, S(u(b1))**-1); se = sqrt(diag((A'S(u(b2))**-1 A)**-1));
//                 J = c'S(u(b1))**-1 c at b2
//      iterated: W renewed from each step's residuals until |b - b_old| < 1e-50 |b_old| (38
//                steps; 39 with L = 2); J = c'Wc with the weight of the last step
//    with L = 0 (White) and L = 2 (Newey-West).
//    R's gmm package (g = Z * u, gradv = -Z'F/n, vcov = "iid", centeredVcov = FALSE,
//    optim reltol 1e-16) agrees to the 7-8 digits its optimiser reaches: one step
//    (weightsMatrix = solve(crossprod(Z)/n)) coef 0.461863073301727 2.405724489340179
//    0.644853938257082, se 5.061353690188 4.607585007957 0.789282698573; type = "iterative"
//    coef 0.575178152618746 2.311801263021762 0.660665817313763, se 4.805120530490
//    4.354583068036 0.787573321187, J 0.88999 (specTest).
// 2. A linear equation written in NLINEAR form gives the linear GMM's estimates (2SLS /
//    METHOD=GMM, itself checked against R in test_gmm_reference.cpp) to 28-30 digits with the
//    efficient and the (Z'Z)**-1 weights, and to 30 with the ill-conditioned identity weight,
//    whose solves both run in double-binary128.
#include "test_support.hpp"

#include "core/result_scalars.hpp"
#include "core/run.hpp"
#include "numeric/qmath.hpp"
#include "reference_support.hpp"

#include <gtest/gtest.h>

namespace tarvex::testing {
namespace {

std::string power_script(const std::string& options, const std::string& extra = "") {
    return "sample 1 60\nread (" + std::string(TARVEX_TEST_DATA_DIR) +
           "/gmm/power.txt) y x z1 z2 z3\nnlinear / method=gmm " + options +
           "\ncoef b0 1 b1 2 b2 0.7\neq y = b0 + b1*x**b2\ninst z1 z2 z3\nend\n" + extra + "stop\n";
}

struct NonlinearGmmReference {
    const char* options;
    Real coef[3], se[3], j; // j 0: no J test
};

// mpmath, 60 digits (the expressions above), rounded to 34.
const NonlinearGmmReference POWER_REFERENCES[] = {
    {"steps=1",
     {0.4618630998311501955288553989685027Q, 2.405724465746302219860324879140491Q,
      0.6448539422854574642352797927930717Q},
     {5.06135362736108947333792284553828Q, 4.607584945550940518364392677599829Q,
      0.7892826986069590880863302939274294Q},
     0},
    {"steps=2",
     {0.5591965596878898938235754516085412Q, 2.326209130456978190162606286855537Q,
      0.6580732567373986105073813432629241Q},
     {4.841323231470527156978787811228471Q, 4.390639326254389772939239669121958Q,
      0.7873182272228732347219402534907929Q},
     0.8908941292723487670381067084020015Q},
    {"steps=iterate",
     {0.5751781624940334542961197522285892Q, 2.311801257847383899432612456240151Q,
      0.6606658172878324801994100723930669Q},
     {4.805120537631765503814864653050268Q, 4.354583074480849593436523226730714Q,
      0.7875733240999255561361970646994302Q},
     0.8899870220457389264600734623313949Q},
    // S(u, 2): the Newey-West moment covariance of lag 2.
    {"weight=hac lag=2 steps=1",
     {0.4618630998311501955288553989685027Q, 2.405724465746302219860324879140491Q,
      0.6448539422854574642352797927930717Q},
     {5.651321860779922113065968475067707Q, 5.133633601047794829679823023833805Q,
      0.8763329926406729606638211212570735Q},
     0},
    {"weight=hac lag=2",
     {0.08299546377795262079269613260388771Q, 2.724348439988055701812968668130573Q,
      0.6027423456866283210173764297327774Q},
     {6.325186838898818733407361910388751Q, 5.812419018511583089984551241153967Q,
      0.8402949723502124587982331326951782Q},
     0.8096303790226423177072257530709876Q},
    {"weight=hac lag=2 steps=iterate",
     {0.1285134173609162511473969358345463Q, 2.681960600417163062950924239178533Q,
      0.6091000543041984987122962972730873Q},
     {6.195448887462532748394717926667245Q, 5.683605015009022952221705662416638Q,
      0.8401653824598552464802312078834061Q},
     0.8025268077854285783353167430568637Q},
};

TEST(NonlinearGmmReference, PowerCurveEveryStepAgainstMpmath) {
    for (const NonlinearGmmReference& c : POWER_REFERENCES) {
        SCOPED_TRACE(c.options);
        ScriptRun run(power_script(c.options));
        const EstimationResults& e = run.run->last_estimation;
        ASSERT_EQ(e.command, "NLINEAR") << run.output;
        ASSERT_EQ(e.coef.size(), 3u);
        for (int a = 0; a < 3; ++a) {
            EXPECT_TRUE(agrees(e.coef[a], c.coef[a], 1e-27Q)) << a;
            EXPECT_TRUE(agrees(e.stderrs[a], c.se[a], 1e-27Q)) << a;
        }
        if (c.j == 0) {
            EXPECT_FALSE(contains(run.output, "HANSEN J TEST OF")) << run.output;
        } else {
            EXPECT_TRUE(agrees(run.run->res[R_CHI], c.j, 1e-27Q));
            EXPECT_EQ(run.run->res[R_DF1], 1);
        }
    }
}

// The cigarette data of the linear GMM's tests: log packs on log price (endogenous) and log
// income, instruments log income, the sales tax and the cigarette-specific tax.
std::string cigarettes(const std::string& command) {
    return "sample 1 48\nread (" + std::string(TARVEX_TEST_DATA_DIR) +
           "/iv/cigarettes.txt) lpacks lrprice lrincome tdiff taxcpi\n" + command + "stop\n";
}

TEST(NonlinearGmmReference, LinearEquationGivesTheLinearGmmEstimates) {
    struct Case {
        const char* options;
        Real digits;
    };
    // The identity weight solves with A'A, of condition 2.7e8, in double-binary128 both here and
    // in the linear estimator (whose coefficients test_gmm_reference.cpp checks against exact
    // rationals; mpmath at 50 digits on the decimal data, b = solve(A'A, A'c):
    // -1.058839131817424335449536672047769
    // -0.3140927531699659260387713511992224 10.44641259438642845650246325701150), so the
    // repeated Gauss-Newton steps here match it to 30 digits, the standard errors too. The
    // iterated weight settles to CONVERGE, set alike for both.
    for (const Case& c :
         {Case{"steps=1", 1e-28Q}, Case{"steps=2", 1e-28Q},
          Case{"steps=iterate converge=1e-28", 1e-27Q}, Case{"weight=hac lag=2", 1e-28Q},
          Case{"weight=hac lag=1 steps=1", 1e-28Q}, Case{"weight=identity", 1e-30Q},
          Case{"weight=identity lag=2", 1e-30Q}}) {
        SCOPED_TRACE(c.options);
        ScriptRun linear(cigarettes(std::string("2sls lpacks lrprice lrincome ; lrincome tdiff "
                                                "taxcpi / method=gmm ") +
                                    c.options + "\n"));
        ScriptRun nonlinear(cigarettes(std::string("nlinear / method=gmm ") + c.options +
                                       "\ncoef bp 0 bi 0 b0 0\n"
                                       "eq lpacks = bp*lrprice + bi*lrincome + b0\n"
                                       "inst lrincome tdiff taxcpi\nend\n"));
        const EstimationResults& a = linear.run->last_estimation;
        const EstimationResults& b = nonlinear.run->last_estimation;
        ASSERT_EQ(a.command, "2SLS") << linear.output;
        ASSERT_EQ(b.command, "NLINEAR") << nonlinear.output;
        ASSERT_EQ(a.coef.size(), 3u);
        ASSERT_EQ(b.coef.size(), 3u);
        for (int k = 0; k < 3; ++k) {
            EXPECT_TRUE(agrees(b.coef[k], a.coef[k], c.digits)) << k;
            EXPECT_TRUE(agrees(b.stderrs[k], a.stderrs[k], c.digits)) << k;
        }
        EXPECT_TRUE(agrees(nonlinear.run->res[R_SSE], linear.run->res[R_SSE], c.digits));
        EXPECT_TRUE(agrees(nonlinear.run->res[R_CHI], linear.run->res[R_CHI], c.digits));
    }
}

} // namespace
} // namespace tarvex::testing
