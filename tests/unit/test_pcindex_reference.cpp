// PCOMPONE and INDEX against R 4.2, through the stored values a user reads after the commands.
// Principal components: prcomp(X, scale.=TRUE) (correlation) and prcomp(X) (covariance) with
//   X <- cbind(x1=c(2.5,3.1,4.7,5.0,6.2,5.9,7.3,8.1,7.7,9.4,10.2,9.9),
//              x2=c(1.2,0.8,1.9,2.6,2.1,3.3,2.9,3.8,4.4,4.0,5.1,5.6),
//              x3=c(10,9.5,9.7,8.8,8.1,8.4,7.2,7.5,6.6,6.1,6.4,5.2),
//              x4=c(0.3,-0.4,0.9,0.1,-0.7,0.5,1.2,-0.2,0.4,-1.1,0.8,0.0))
// eigenvalues p$sdev^2, loadings p$rotation and scores p$x, each column's sign flipped so that
// its loading of largest size is positive: s <- sign(R[which.max(abs(R[,j])),j]).
// Index numbers: the formulas written out in R on
//   P <- cbind(c(1.00,1.10,1.25,1.20,1.40), c(2.0,2.1,2.3,2.6,2.5), c(0.5,0.45,0.55,0.6,0.7))
//   Q <- cbind(c(10,11,9,12,13), c(5,5.5,6,5.2,4.8), c(20,22,21,25,24))
//   link <- function(A,B,s,t) { L <- sum(A[t,]*B[s,])/sum(A[s,]*B[s,])
//     Pa <- sum(A[t,]*B[t,])/sum(A[s,]*B[t,]); ws <- A[s,]*B[s,]/sum(A[s,]*B[s,])
//     wt <- A[t,]*B[t,]/sum(A[t,]*B[t,])
//     c(L=L, P=Pa, F=sqrt(L*Pa), T=exp(sum((ws+wt)/2*log(A[t,]/A[s,])))) }
//   fixed: link(P,Q,b,t) (price), link(Q,P,b,t) (quantity); chained: the cumulative products of
//   link(.,.,t-1,t) divided by their value at the base.
// R's digits are those of binary64: agreement to 1e-13 relative.
#include "test_support.hpp"

#include "reference_support.hpp"
#include "regress/pcompone/pcompone_estimate.hpp"

#include <gtest/gtest.h>

namespace tarvex::testing {
namespace {

constexpr Real CLOSE = 1e-13Q;

const std::string COMPONENT_DATA = "SAMPLE 1 12\nREAD X1 X2 X3 X4\n"
                                   "2.5 1.2 10 0.3\n3.1 0.8 9.5 -0.4\n4.7 1.9 9.7 0.9\n"
                                   "5.0 2.6 8.8 0.1\n6.2 2.1 8.1 -0.7\n5.9 3.3 8.4 0.5\n"
                                   "7.3 2.9 7.2 1.2\n8.1 3.8 7.5 -0.2\n7.7 4.4 6.6 0.4\n"
                                   "9.4 4.0 6.1 -1.1\n10.2 5.1 6.4 0.8\n9.9 5.6 5.2 0.0\n";

void expect_all_agree(const std::vector<Real>& got, const std::vector<Real>& want) {
    ASSERT_EQ(got.size(), want.size());
    for (std::size_t i = 0; i < want.size(); ++i)
        EXPECT_TRUE(agrees(got[i], want[i], CLOSE)) << "element " << i;
}

TEST(PcomponeReference, CorrelationMatrixEigenvaluesLoadingsAndScores) {
    ScriptRun r(COMPONENT_DATA +
                "PCOMPONE X1 X2 X3 X4 / EIGVAL=EV LOADINGS=LD SCORES=PC NCOMP=2\nSTOP\n");
    expect_all_agree(r.values("EV"), {2.874779870005350624Q, 1.017322640099284525Q,
                                      0.063384115103918823Q, 0.044513374791447125Q});
    // Column after column: component 1 then 2 (then 3, 4).
    const std::vector<Real> ld = r.values("LD");
    ASSERT_EQ(ld.size(), 16u);
    expect_all_agree({ld.begin(), ld.begin() + 8},
                     {0.580428289016101884Q, 0.571997896491025504Q, -0.578236948689839880Q,
                      -0.039540345086332314Q, 0.0057800774185127165Q, 0.1333686533165264754Q,
                      0.0701326811376948300Q, 0.9885650206506456650Q});
    EXPECT_TRUE(agrees(ld[15], -0.037322744191039259Q, CLOSE));
    const std::vector<Real> pc1 = r.values("PC1"), pc2 = r.values("PC2");
    ASSERT_EQ(pc1.size(), 12u);
    EXPECT_TRUE(agrees(pc1.front(), -2.5219301521782174Q, CLOSE));
    EXPECT_TRUE(agrees(pc1.back(), 2.6492459078965340Q, CLOSE));
    EXPECT_TRUE(agrees(pc2.front(), 0.13786414786715662Q, CLOSE));
    EXPECT_TRUE(agrees(pc2.back(), -0.11156136606770992Q, CLOSE));
    EXPECT_TRUE(r.values("PC3").empty()) << "NCOMP=2 stores two score series";
    // (The proportions of the eigenvalues in the trace, 4, are printed in the pcompone/report
    // golden.)
}

TEST(PcomponeReference, CovarianceMatrix) {
    ScriptRun r(COMPONENT_DATA + "PCOMPONE X1 X2 X3 X4 / COVAR EIGVAL=EV LOADINGS=LD SCORES=S\n"
                                 "STOP\n");
    expect_all_agree(r.values("EV"), {10.77251081117031006Q, 0.51867467572461368Q,
                                      0.19217884121068032Q, 0.12345385371257825Q});
    const std::vector<Real> ld = r.values("LD");
    ASSERT_EQ(ld.size(), 16u);
    expect_all_agree({ld.begin(), ld.begin() + 4},
                     {0.771972839578069059Q, 0.440462420662752097Q, -0.458182606134479309Q,
                      -0.010931165239719353Q});
    EXPECT_TRUE(agrees(ld[12], 0.13804323481473088Q, CLOSE));
    EXPECT_TRUE(agrees(r.values("S1").front(), -5.0852442950283976Q, CLOSE));
    EXPECT_TRUE(agrees(r.values("S3").back(), 0.69463855185292023Q, CLOSE));
    EXPECT_TRUE(agrees(r.values("S4").front(), -0.0010501086732778719Q, 1e-11Q));
}

// The failures the command reports: a constant series (correlation), one observation, and a
// matrix the eigen iteration cannot settle (a value too large for its cross products, which the
// command refuses earlier with its range check).
TEST(PcomponeReference, KernelFailures) {
    const std::vector<Real> a = {1, 2, 3, 5}, k = {4, 4, 4, 4};
    const PrincipalComponents constant = principal_components({a, k}, true);
    EXPECT_EQ(constant.end, ComponentsEnd::CONSTANT);
    EXPECT_EQ(constant.constant, 1);
    const PrincipalComponents covariance = principal_components({a, k}, false);
    ASSERT_EQ(covariance.end, ComponentsEnd::OK);
    EXPECT_TRUE(agrees(covariance.values[0], Real(35) / 12, CLOSE)) << "var(c(1,2,3,5))";
    EXPECT_EQ(covariance.values[1], 0);
    EXPECT_EQ(principal_components({{1}, {2}}, true).end, ComponentsEnd::TOO_FEW);
    const Real huge = 1e4000Q;
    EXPECT_EQ(principal_components({{1, huge, 3}, {2, 1, huge}}, false).end,
              ComponentsEnd::NO_SETTLE);
}

const std::string INDEX_DATA = "SAMPLE 1 5\nREAD P1 Q1 P2 Q2 P3 Q3\n"
                               "1.00 10 2.0 5 0.5 20\n1.10 11 2.1 5.5 0.45 22\n"
                               "1.25 9 2.3 6 0.55 21\n1.20 12 2.6 5.2 0.6 25\n"
                               "1.40 13 2.5 4.8 0.7 24\n";

std::string index_run(const std::string& options) {
    std::string script = INDEX_DATA;
    for (const char* method : {"LASPEYRE", "PAASCHE", "FISHER", "TORNQVIS"})
        script += "INDEX P1 Q1 P2 Q2 P3 Q3 / " + options + " METHOD=" + method + " PRICE=P" +
                  std::string(method, 1) + " QUANTITY=Q" + std::string(method, 1) + "\n";
    return script + "STOP\n";
}

TEST(IndexReference, FixedBaseAtTheSecondObservation) {
    ScriptRun r(index_run("BASE=2"));
    expect_all_agree(r.values("PL"), {0.98360655737704905Q, 1, 1.14754098360655732Q,
                                      1.21311475409836067Q, 1.32786885245901609Q});
    expect_all_agree(r.values("PP"), {0.98360655737704916Q, 1, 1.14553990610328627Q,
                                      1.21345773254170197Q, 1.33598635588402503Q});
    expect_all_agree(r.values("PF"), {0.98360655737704916Q, 1, 1.14654000829030323Q,
                                      1.21328623120065160Q, 1.33192142008777048Q});
    expect_all_agree(r.values("PT"), {0.98363829834237437Q, 1, 1.14657391490239435Q,
                                      1.21337263147924701Q, 1.33189819513201013Q});
    expect_all_agree(r.values("QL"), {0.90909090909090895Q, 1, 0.95230998509687026Q,
                                      1.05424739195230988Q, 1.04858420268256314Q});
    expect_all_agree(r.values("QP"), {0.90909090909090906Q, 1, 0.95064935064935063Q,
                                      1.05454545454545445Q, 1.05499438832772174Q});
    expect_all_agree(r.values("QF"), {0.90909090909090895Q, 1, 0.95147930558117366Q,
                                      1.05439641271663498Q, 1.05178441209175677Q});
    expect_all_agree(r.values("QT"), {0.90909090909090906Q, 1, 0.95137211310529290Q,
                                      1.05442632603111752Q, 1.05132005747771817Q});
}

TEST(IndexReference, ChainedPricesFromTheFirstAndQuantitiesFromTheThird) {
    ScriptRun first(index_run("CHAINED SCALE=100"));
    const auto scaled = [](std::vector<Real> v) {
        for (Real& x : v) x *= 100;
        return v;
    };
    expect_all_agree(first.values("PL"), scaled({1, 1.0166666666666666Q, 1.1666666666666665Q,
                                                 1.2431693989071035Q, 1.3700352415728330Q}));
    expect_all_agree(first.values("PP"), scaled({1, 1.0166666666666668Q, 1.1646322378716745Q,
                                                 1.2278559481565283Q, 1.3585035207946525Q}));
    expect_all_agree(first.values("PF"), scaled({1, 1.0166666666666668Q, 1.1656490084284752Q,
                                                 1.2354889481554514Q, 1.3642571968985342Q}));
    expect_all_agree(first.values("PT"), scaled({1, 1.0166338599109026Q, 1.1656458647803760Q,
                                                 1.2355436173397241Q, 1.3641336989367436Q}));
    ScriptRun third(index_run("CHAINED BASE=3"));
    expect_all_agree(third.values("QL"), {0.95461658841940522Q, 1.05007824726134591Q, 1,
                                          1.11229508196721283Q, 1.10089224328907753Q});
    expect_all_agree(third.values("QP"), {0.95628415300546443Q, 1.05191256830601088Q, 1,
                                          1.10051282051282051Q, 1.09353282376538186Q});
    expect_all_agree(third.values("QF"), {0.95545000690858595Q, 1.05099500759944453Q, 1,
                                          1.10638826724539885Q, 1.09720636320854004Q});
    expect_all_agree(third.values("QT"), {0.95555765884667621Q, 1.05111342473134406Q, 1,
                                          1.10620399681717130Q, 1.09702841129331419Q});
}

} // namespace
} // namespace tarvex::testing
