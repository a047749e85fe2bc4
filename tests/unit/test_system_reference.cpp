// SYSTEM's estimators against R's systemfit on Klein's Model I (systemfit's KleinI, 1921-1941:
// the 21 rows without missing lags, exported to tests/data/system/klein.txt as consump corpProf
// corpProfLag privWage invest capitalLag gnp gnpLag govWage govExp taxes wages trend).
// R: sys <- list(C = consump ~ corpProf + corpProfLag + wages,
//                I = invest ~ corpProf + corpProfLag + capitalLag,
//                W = privWage ~ gnp + gnpLag + trend)
//   inst <- ~ govExp + taxes + govWage + trend + capitalLag + corpProfLag + gnpLag
//   SUR:   systemfit(sys, "SUR", data = k, methodResidCov = "noDfCor")
//   ITSUR: systemfit(sys, "SUR", data = k, methodResidCov = "noDfCor", maxiter = 1000,
//          tol = 1e-13) (its residCov below; coefficients checked against mpmath, see there)
//   3SLS:  systemfit(sys, "3SLS", inst = inst, data = k, methodResidCov = "noDfCor")
// coef(f), sqrt(diag(vcov(f))), f$residCov (of the final residuals, divisor T) and each
// equation's summary(f$eq[[i]])$r.squared, printed with digits = 17. R lists each equation's
// intercept first, the engine last.
#include "regress/system/system_estimate.hpp"

#include "ols_engine.hpp"
#include "reference_support.hpp"

#include <fstream>
#include <sstream>

namespace tarvex {
namespace {

using testing::agrees;

// Column numbers of klein.txt, the constant after them.
enum KleinColumn {
    CONS,
    PROF,
    PROF1,
    PWAGE,
    INV,
    CAP1,
    GNP,
    GNP1,
    GWAGE,
    GEXP,
    TAX,
    WAGES,
    TREND,
    ONE
};

SystemData klein_system(const std::vector<std::vector<Real>>& c) {
    SystemData d;
    d.n = c[0].size();
    for (const std::vector<Real>& col : c) d.columns.push_back(col.data());
    d.columns.push_back(nullptr);
    d.equations = {{CONS, {PROF, PROF1, WAGES, ONE}},
                   {INV, {PROF, PROF1, CAP1, ONE}},
                   {PWAGE, {GNP, GNP1, TREND, ONE}}};
    d.instruments = {GEXP, TAX, GWAGE, TREND, CAP1, PROF1, GNP1, ONE};
    return d;
}

// R's order (each equation's intercept first) against the engine's (intercept last).
void expect_by_equation(const std::vector<Real>& got, const std::vector<Real>& r, Real tolerance) {
    ASSERT_EQ(got.size(), r.size());
    for (std::size_t eq = 0; eq < r.size() / 4; ++eq) {
        EXPECT_TRUE(agrees(got[eq * 4 + 3], r[eq * 4], tolerance)) << eq;
        for (std::size_t j = 1; j < 4; ++j)
            EXPECT_TRUE(agrees(got[eq * 4 + j - 1], r[eq * 4 + j], tolerance)) << eq << " " << j;
    }
}

void expect_sigma(const SystemEstimate& e, const std::vector<Real>& r, Real tolerance) {
    ASSERT_EQ(e.sigma.size(), r.size());
    for (std::size_t i = 0; i < r.size(); ++i)
        EXPECT_TRUE(agrees(e.sigma[i], r[i], tolerance)) << i;
}

TEST(SystemReference, KleinSurIteratedSurAndThreeStageMatchSystemfit) {
    const auto c = testing::read_table("system/klein.txt");
    ASSERT_EQ(c.size(), 13u);
    ASSERT_EQ(c[0].size(), 21u);
    const SystemData d = klein_system(c);

    const SystemEstimate sur = estimate_system(d, SystemControl{});
    ASSERT_EQ(sur.end, SystemEnd::OK);
    EXPECT_EQ(sur.iterations, 1);
    expect_by_equation(sur.result.record.coef,
                       {15.980519737012869541Q, 0.230158887939727580Q, 0.067287445981518521Q,
                        0.796156096082498932Q, 12.929268049859842904Q, 0.442859712336428790Q,
                        0.365479692586960669Q, -0.125329050753715698Q, 1.634724711448060086Q,
                        0.409827868868232859Q, 0.174423809512174205Q, 0.155845865002347067Q},
                       1e-11Q);
    expect_by_equation(sur.result.record.stderrs,
                       {1.168694861602703527Q, 0.076692684016416060Q, 0.076935697539505660Q,
                        0.035252053089445047Q, 4.801366232170876103Q, 0.086074977972388403Q,
                        0.089431276250920372Q, 0.023459267993250259Q, 1.117320370588783307Q,
                        0.027254962278084081Q, 0.031178319296865740Q, 0.027577635045269992Q},
                       1e-11Q);
    expect_sigma(sur,
                 {0.861805763508622924Q, 0.076626876266731009Q, -0.436766760243754604Q,
                  0.076626876266731009Q, 0.838386241000155352Q, 0.202699052921928607Q,
                  -0.436766760243754604Q, 0.202699052921928607Q, 0.512545010185700645Q},
                 1e-11Q);
    EXPECT_TRUE(agrees(sur.r2[0], 0.98077612760597599Q));
    EXPECT_TRUE(agrees(sur.r2[1], 0.93022492908265764Q));
    EXPECT_TRUE(agrees(sur.r2[2], 0.98645953420923049Q));

    // Iterated to convergence: R (tol = 1e-13, in double) agrees with the values below to 11
    // digits; these are the same iteration in python3 mpmath at 50 digits from klein.txt's
    // decimals, run to a relative change below 1e-40 (209 steps; each step S = E'E/T, b = A^-1 r
    // with A_ij = (S^-1)_ij X_i'X_j, r_i = sum_j (S^-1)_ij X_i'y_j, se sqrt(diag(A^-1))). The
    // engine stops at 1e-20 (CONVERGE), 1e-19 or so from the fixed point.
    SystemControl iterate;
    iterate.method = SystemMethod::ITSUR;
    iterate.max_iterations = 1000;
    const SystemEstimate it = estimate_system(d, iterate);
    ASSERT_EQ(it.end, SystemEnd::OK);
    EXPECT_GT(it.iterations, 50);
    expect_by_equation(
        it.result.record.coef,
        {15.84450347141590873203Q, 0.3016025473429875301742Q, 0.04239036579673139157114Q,
         0.7801732944096111974667Q, 15.82805111755678407852Q, 0.3806852860094370164063Q,
         0.4109215655624448214096Q, -0.1382609896478160149751Q, 2.070328552805053572067Q,
         0.3705038996421506750875Q, 0.2076402908453752513478Q, 0.1845386500393626374655Q},
        1e-17Q);
    expect_by_equation(
        it.result.record.stderrs,
        {1.215615089334318736324Q, 0.07249110216248386543008Q, 0.07384702129816431856136Q,
         0.03559236647409390851307Q, 4.399876577345172975784Q, 0.0832264667222820062645Q,
         0.08660050333971151872827Q, 0.02138094793235142611921Q, 1.240016818137263620991Q,
         0.02789503001329110289856Q, 0.03127750379838718961364Q, 0.0290387436633627814374Q},
        1e-17Q);
    expect_sigma(it,
                 {0.930458285519242922Q, 0.055582153131029571Q, -0.568358986332909821Q,
                  0.055582153131029571Q, 0.892092262975384687Q, 0.298848230674019943Q,
                  -0.568358986332909821Q, 0.298848230674019943Q, 0.649497303721610963Q},
                 1e-11Q);

    // 3SLS: R's values (in double) agree to 10 or more digits except the small coefficient of
    // corpProf in the investment equation (-0.01307918241844336, 9 digits). The values below are
    // the same estimator in python3 mpmath at 60 digits from klein.txt's decimals (matrix
    // algebra: Xh_i = Z (Z'Z)^-1 Z'X_i, 2SLS residuals, S = E'E/T, b = A^-1 r with blocks
    // A_ij = (S^-1)_ij Xh_i'Xh_j, r_i = sum_j (S^-1)_ij Xh_i'y_j; sqrt(diag(A^-1)); E'E/T of the
    // 3SLS residuals); R's are within 1e-11 of them but that one.
    SystemControl three;
    three.method = SystemMethod::THREE_SLS;
    const SystemEstimate t = estimate_system(d, three);
    ASSERT_EQ(t.end, SystemEnd::OK);
    expect_by_equation(t.result.record.coef,
                       {16.440790064285534952Q, 0.12489047478328372573Q, 0.16314409278372159068Q,
                        0.79008093644363583224Q, 28.177846868013904088Q, -0.013079182419880802605Q,
                        0.75572396212415946396Q, -0.19484824928711255577Q, 1.7972177277397936462Q,
                        0.40049187979807413124Q, 0.18129101495945901217Q, 0.14967411506866860671Q},
                       1e-18Q);
    expect_by_equation(t.result.record.stderrs,
                       {1.30454875811873702Q, 0.10812904818143514174Q, 0.10043819278651919115Q,
                        0.037937905400048437526Q, 6.7937701717517767088Q, 0.16189623875817839295Q,
                        0.15293312857478632822Q, 0.032530694862139872748Q, 1.1158549810677030355Q,
                        0.031813413711064483768Q, 0.034158775817014861786Q,
                        0.027935236382412984562Q},
                       1e-17Q);
    expect_sigma(t,
                 {0.89175982596527284501Q, 0.41131881891598028559Q, -0.39361453874323742476Q,
                  0.41131881891598028559Q, 2.093046606862249303Q, 0.40304589130611899711Q,
                  -0.39361453874323742476Q, 0.40304589130611899711Q, 0.52002665148807353715Q},
                 1e-18Q);
    EXPECT_TRUE(agrees(t.r2[1], 0.82580525742838606Q));

    // Failures: an equation with more regressors outside the instruments than instruments
    // outside it; the same equation twice (its residuals make Sigma singular).
    SystemData under = d;
    under.instruments = {GEXP, ONE};
    const SystemEstimate u = estimate_system(under, three);
    EXPECT_EQ(u.end, SystemEnd::UNDERIDENTIFIED);
    EXPECT_EQ(u.bad_equation, 0);
    EXPECT_EQ(u.underidentified_endogenous, 3);
    EXPECT_EQ(u.underidentified_excluded, 1);
    SystemData twice = d;
    twice.equations[1] = twice.equations[0];
    EXPECT_EQ(estimate_system(twice, SystemControl{}).end, SystemEnd::SINGULAR_COVARIANCE);
}

} // namespace
} // namespace tarvex
