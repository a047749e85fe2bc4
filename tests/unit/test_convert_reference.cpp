// CONVERT's frequency conversions against independent references, run through the engine on
// small scripts and read back from the stored series and result scalars.
//
// Aggregation: R 4.2, aggregate(AirPassengers, nfrequency = 1, FUN = sum) and
// aggregate(AirPassengers, nfrequency = 4, FUN = mean); decimal sums checked exactly.
//
// Denton and Chow-Lin with a given rho: exact rational arithmetic (Python fractions), the
// textbook systems solved by Gaussian elimination on fractions, printed with mpmath at 36
// digits. The annual series A and the quarterly indicator X:
//   A = 100.5 110.25 118.0 131.75 140.125
//   X = 24 25.5 26 25 27 27.5 28 28.25 28.5 29 30 30.5 32 32.5 33.25 34 34.5 35 35.5 36.25
// Denton (proportional first differences, first sub-period free): z = y/x minimises
// sum_{t>=2} (z_t - z_{t-1})^2 subject to C diag(x) z = A, from the system
//   [D'D  (C X)'] [z]   [0]
//   [C X    0   ] [l] = [A]     with D the 19 x 20 first-difference matrix, C = I_5 (x) 1_4'.
// Chow-Lin: Sigma(i,j) = rho^|i-j| / (1 - rho^2), W = C Sigma C', Xl = C [1 x],
//   b = (Xl' W^-1 Xl)^-1 Xl' W^-1 A, y = [1 x] b + Sigma C' W^-1 (A - Xl b).
// The same formulas in R 4.2 (double precision) give the maximum-likelihood rho:
//   fit <- function(r) { S <- r^abs(outer(1:n, 1:n, "-")) / (1 - r^2); W <- C %*% S %*% t(C)
//     Wi <- solve(W); b <- solve(t(Xl) %*% Wi %*% Xl, t(Xl) %*% Wi %*% A); u <- A - Xl %*% b
//     sse <- c(t(u) %*% Wi %*% u)
//     ll <- -nl/2 * (log(2*pi*sse/nl) + 1) - 0.5 * c(determinant(W)$modulus)
//     list(b = b, y = X %*% b + S %*% t(C) %*% Wi %*% u, ll = ll, sse = sse) }
//   o <- optimize(function(r) fit(r)$ll, c(-0.999, 0.999), maximum = TRUE, tol = 1e-12)
#include "test_support.hpp"

#include <gtest/gtest.h>

namespace tarvex {
namespace {

using testing::agrees;
using testing::ScriptRun;

constexpr Real MISSING = -99999;

const char* const DATA =
    "SMPL 1 5\n"
    "READ A / BYVAR\n100.5 110.25 118.0 131.75 140.125\n"
    "SMPL 1 20\n"
    "READ X / BYVAR\n24 25.5 26 25 27 27.5 28 28.25 28.5 29 30 30.5 32 32.5 33.25 "
    "34 34.5 35 35.5 36.25\n";

void expect_series(const ScriptRun& r, const std::string& name, const std::vector<Real>& want,
                   Real rel) {
    const std::vector<Real> got = r.values(name);
    ASSERT_EQ(got.size(), want.size()) << r.output;
    for (std::size_t t = 0; t < want.size(); ++t)
        EXPECT_TRUE(agrees(got[t], want[t], rel)) << name << " observation " << t + 1;
}

// Period sums of a series over groups of 4.
std::vector<Real> sums_of_four(const std::vector<Real>& v) {
    std::vector<Real> out;
    for (std::size_t i = 0; i + 4 <= v.size(); i += 4)
        out.push_back(v[i] + v[i + 1] + v[i + 2] + v[i + 3]);
    return out;
}

TEST(ConvertAggregation, AirPassengersSumsAndMeansAsR) {
    ScriptRun r("READ ('" TARVEX_TEST_DATA "/../../examples/airpassengers.txt') P\n"
                "TIME 1949.01 12\n"
                "CONVERT YEARLY P / TO=1\n"
                "CONVERT QMEAN P / TO=4 METHOD=AVERAGE\n");
    expect_series(
        r, "YEARLY",
        testing::reals({1520, 1676, 2042, 2364, 2700, 2867, 3408, 3939, 4421, 4572, 5140, 5714}),
        0);
    const std::vector<Real> q = r.values("QMEAN");
    ASSERT_EQ(q.size(), 48u) << r.output;
    EXPECT_TRUE(agrees(q[0], Real(362) / 3, 1e-33Q));   // 120.66666666666667 in R
    EXPECT_TRUE(agrees(q[1], Real(385) / 3, 1e-33Q));   // 128.33333333333334
    EXPECT_TRUE(agrees(q[47], Real(1283) / 3, 1e-33Q)); // 427.66666666666669
    EXPECT_EQ(r.scalar(R_N), 48);
}

TEST(ConvertAggregation, CalendarPlacesTheFirstMonthAndMissingPeriodsStayMissing) {
    // February 1960 first: the first quarter lacks January, so it is missing; 0.3+0.4+0.5 is
    // exactly 1.2 in decimal, and the binary128 sum agrees to the last digit or so.
    const std::string head = "SMPL 1 9\nREAD M / BYVAR\n0.1 0.2 0.3 0.4 0.5 0.6 0.7 0.8 -99999\n"
                             "TIME 1960.02 12\n";
    ScriptRun r(head + "CONVERT S M / TO=4\nCONVERT V M / TO=4 METHOD=AVERAGE\n"
                       "CONVERT F M / TO=4 METHOD=FIRST\nCONVERT L M / TO=4 METHOD=LAST\n");
    const std::vector<Real> s = r.values("S"), v = r.values("V");
    ASSERT_EQ(s.size(), 4u) << r.output;
    EXPECT_EQ(s[0], MISSING);
    EXPECT_TRUE(agrees(s[1], 1.2Q, 2e-34Q));
    EXPECT_TRUE(agrees(s[2], 2.1Q, 2e-34Q));
    EXPECT_EQ(s[3], MISSING) << "the last quarter holds the missing code";
    EXPECT_TRUE(agrees(v[1], 0.4Q, 2e-34Q));
    EXPECT_TRUE(agrees(v[2], 0.7Q, 2e-34Q));
    EXPECT_EQ(r.values("F"), testing::reals({MISSING, 0.3Q, 0.6Q, MISSING}));
    EXPECT_EQ(r.values("L"), testing::reals({MISSING, 0.5Q, 0.8Q, MISSING}));
}

TEST(ConvertDenton, ProportionalWithIndicatorAgreesWithTheExactSolution) {
    ScriptRun r(std::string(DATA) + "CONVERT Q A X / FROM=1 TO=4 METHOD=DENTON\n");
    const std::vector<Real> want = {
        24.0312321290016084318507851509917204Q, 25.5203736155214957692246859121566109Q,
        25.9938333249345449100644064676830762Q, 24.9545609305423508888601224691685925Q,
        26.8941262131456209207122094255581715Q, 27.3622614531362233512727899504457897Q,
        27.8582916571190314557373696283546818Q, 28.135320676599124272277630995641357Q,
        28.4431549528855638499404134553214335Q, 28.9889881121293944563339894542244213Q,
        30.0233156356332213364749783477539012Q, 30.544541299351820357250618742700244Q,
        32.0531818288566389691528123179693385Q, 32.5356995221811719979090134286678152Q,
        33.2419521921095965358925310384670054Q, 33.9191664568525924970456432148958409Q,
        34.316262059642249191284469414385938Q,  34.735613264675166922978693462170185Q,
        35.1786707301983859191887140925570869Q, 35.89445394548419796654812303088679Q};
    expect_series(r, "Q", want, 1e-28Q);
    const std::vector<Real> sums = sums_of_four(r.values("Q"));
    const std::vector<Real> a = {100.5Q, 110.25Q, 118.0Q, 131.75Q, 140.125Q};
    for (std::size_t i = 0; i < a.size(); ++i) EXPECT_TRUE(agrees(sums[i], a[i], 1e-30Q));
}

TEST(ConvertDenton, WithoutIndicatorAndWithAveragesMet) {
    ScriptRun r(std::string(DATA) + "CONVERT Q A / FROM=1 TO=4\n"
                                    "CONVERT QA A X / FROM=1 TO=4 METHOD=DENTON MATCH=AVERAGE\n");
    expect_series(r, "Q",
                  {24.6099559184916986015781973099138387Q, 24.8159735510950191609469183859483032Q,
                   25.2280088163016602796843605380172323Q, 25.8460617141116219577905237661206258Q,
                   26.6701322445249041952654080702584839Q, 27.3567075588802554121491985638102336Q,
                   27.9057876571776756084418952467758748Q, 28.3173725394171647841434981191554076Q,
                   28.591462205598722939254007180948832Q,  29.0645131898318570255966079332866689Q,
                   29.7365254921165670431713003761689185Q, 30.6074991124528529919780845095955806Q,
                   31.6774340508407148720169603335666554Q, 32.6094344058595736752257265297284232Q,
                   33.4035001775094294016043830980808839Q, 34.0596313657902820511529300386240375Q,
                   34.5778279707021316238713673513578842Q, 34.9664754243860188034101953359082692Q,
                   35.2255737268419435897694139922751925Q, 35.3551228780699059829490233204586542Q},
                  1e-28Q);
    const std::vector<Real> qa = r.values("QA");
    ASSERT_EQ(qa.size(), 20u) << r.output;
    EXPECT_TRUE(agrees(qa[0], 96.1249285160064337274031406039668818Q, 1e-28Q));
    EXPECT_TRUE(agrees(qa[9], 115.955952448517577825335957816897685Q, 1e-28Q));
    EXPECT_TRUE(agrees(qa[19], 143.57781578193679186619249212354716Q, 1e-28Q));
}

TEST(ConvertChowLin, GivenRhoAgreesWithTheExactSolution) {
    ScriptRun r(std::string(DATA) + "CONVERT Q A X / FROM=1 TO=4 METHOD=CHOWLIN RHO=0.5\n");
    const std::vector<Real> want = {
        24.0383711950888722888202288386722825Q, 25.5027812309350520026945177914885616Q,
        25.9810649194635856047860843335727693Q, 24.9777826545124901036991690362663866Q,
        26.8885029731145496985005989155870424Q, 27.3620569074545518973121835958366417Q,
        27.8595238420795807869422865833076892Q, 28.1399162773513176172449309052686267Q,
        28.4658606726433391021116958393166933Q, 28.9996319925749043744389972917959969Q,
        30.0081158971117960703904859889461893Q, 30.5263914376699604530588208799411205Q,
        32.0378988019055627011807405764459614Q, 32.5363780802126571955866051585869465Q,
        33.2505108456464575734014038503687324Q, 33.9252122722353225298312504145983596Q,
        34.2856818645851430493897825503067891Q, 34.7163428368774445459268828113642767Q,
        35.1876651917829611702305870950660252Q, 35.9353101067544512344527475432629089Q};
    expect_series(r, "Q", want, 1e-28Q);
    EXPECT_EQ(r.scalar(R_RHO), 0.5Q);
    EXPECT_EQ(r.scalar(R_K), 2);
    // SSE / (5 - 2), SSE = 0.0692258369086725418930470780659864025 exactly.
    EXPECT_TRUE(agrees(r.scalar(R_SIG2), 0.0692258369086725418930470780659864025Q / 3, 1e-28Q));
    EXPECT_TRUE(agrees(r.scalar(R_LLF), -2.2952379880581990Q, 1e-13Q)); // R: fit(0.5)$ll
    // The standard errors (R: sqrt(diag(sse/(nl-2) * solve(t(Xl) %*% Wi %*% Xl))) at rho = 0.5,
    // 0.5041941633221364 and 0.0165997069714833) are printed in the convert/disaggregate golden.
}

// The maximum-likelihood rho: R's optimize (above) gives -0.7674023388565411, log-likelihood
// -1.7761043264486427 and values 23.9806297977855, 28.0447954471811, 35.9744770535880 in
// double precision; the same likelihood in mpmath at 50 digits, its derivative solved by
// findroot from -0.7674, gives the values below (rho to 36 digits; the search stops within
// 1e-15 of it, so rho agrees to about 15 digits and the flat likelihood to about 30).
TEST(ConvertChowLin, MaximumLikelihoodRhoAsMpmathAndR) {
    ScriptRun r(std::string(DATA) + "CONVERT Q A X / FROM=1 TO=4 METHOD=CHOWLIN\n");
    EXPECT_TRUE(agrees(r.scalar(R_RHO), -0.767402402368620016835451611765212531Q, 1e-14Q))
        << r.output;
    EXPECT_TRUE(agrees(r.scalar(R_RHO), -0.7674023388565411Q, 1e-6Q)) << "R's optimize";
    EXPECT_TRUE(agrees(r.scalar(R_LLF), -1.77610432644870330603945053795459767Q, 1e-25Q));
    EXPECT_TRUE(agrees(r.scalar(R_SIG2), 0.0977722313512552991316435215033021869Q, 1e-14Q));
    const std::vector<Real> q = r.values("Q");
    ASSERT_EQ(q.size(), 20u);
    EXPECT_TRUE(agrees(q[0], 23.9806297978775493019938413238881872Q, 1e-17Q));
    EXPECT_TRUE(agrees(q[6], 28.044795479514787901986911995603338Q, 1e-17Q));
    EXPECT_TRUE(agrees(q[19], 35.9744770755506819670073991448544819Q, 1e-17Q));
    const std::vector<Real> sums = sums_of_four(q);
    EXPECT_TRUE(agrees(sums[2], 118.0Q, 1e-30Q)) << "the sums are met whatever rho";
}

} // namespace
} // namespace tarvex
