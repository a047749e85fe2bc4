// Regression statistics against an independent statistics package (R 4.2, packages sandwich
// and lmtest), run on the same twelve observations; each reference value is printed by R to 17
// significant digits and the R expression that produced it stands beside it. The fit is
// well conditioned, so R's double precision carries at least 14 correct digits and the
// comparison asks for 11. Quantities: White HC0 and Newey-West covariances, hat values,
// studentised residuals, DFFITS, covariance ratios, DFBETAS, PRESS, the exact Durbin-Watson
// probability, Jarque-Bera, the log-likelihood and the model-selection criteria.
//
// R session used for every value below:
//   library(sandwich); library(lmtest)
//   d <- data.frame(x1 = c(3,5,2,8,7,4,9,6,10,1,12,11),
//                   x2 = c(1.5,2.0,0.5,3.5,2.5,1.0,4.0,3.0,2.0,0.0,5.5,4.5),
//                   y  = c(10.2,14.1,7.9,19.8,18.3,11.0,22.7,15.4,23.9,5.1,29.8,25.6))
//   fit <- lm(y ~ x1 + x2, data = d); ord <- c(2, 3, 1)   # the intercept goes last here
#include "numeric/fortran_format.hpp"
#include "ols_engine.hpp"
#include "regress/fit/ols_fit.hpp"
#include "regress/ols/ols_influence.hpp"

#include "reference_support.hpp"

#include <gtest/gtest.h>

namespace tarvex {
namespace {

using Lines = std::vector<std::string>;
using testing::OlsEngine;

using testing::agrees;
using testing::has_line;

const std::vector<Real> X1 = {3, 5, 2, 8, 7, 4, 9, 6, 10, 1, 12, 11};
const std::vector<Real> X2 = {1.5Q, 2.0Q, 0.5Q, 3.5Q, 2.5Q, 1.0Q,
                              4.0Q, 3.0Q, 2.0Q, 0.0Q, 5.5Q, 4.5Q};
const std::vector<Real> Y = {10.2Q, 14.1Q, 7.9Q,  19.8Q, 18.3Q, 11.0Q,
                             22.7Q, 15.4Q, 23.9Q, 5.1Q,  29.8Q, 25.6Q};

struct TwelveObs : OlsEngine {
    TwelveObs() {
        data("Y", Y);
        data("X1", X1);
        data("X2", X2);
        sample(1, 12);
    }
    // Element (i, j) of a K x K matrix variable (stored column after column), 1-based.
    Real matrix(std::string_view name, int i, int j, int k = 3) {
        return value(name, (long long)(j - 1) * k + i);
    }
    void expect_matrix(std::string_view name, const Real (&want)[9]) {
        for (int i = 1; i <= 3; ++i)
            for (int j = 1; j <= 3; ++j)
                EXPECT_TRUE(agrees(matrix(name, i, j), want[(j - 1) * 3 + i - 1]))
                    << name << "(" << i << "," << j << ")";
    }
};

TEST(ReferenceOls, CoefficientsAndRobustCovariances) {
    TwelveObs e;
    e.statement("OLS Y X1 X2 / COEF=B COVARIAN=V NOANOVA NOGF", true);
    // coef(fit)[ord]; summary(fit)$sigma
    const Real b[3] = {1.9754033485540337Q, 0.33978691019786894Q, 3.2937442922374389Q};
    for (int j = 1; j <= 3; ++j) EXPECT_TRUE(agrees(e.value("B", j), b[j - 1])) << j;
    EXPECT_TRUE(agrees(sqrtq(e.run.res[R_SIG2]), 0.63625005959862313Q));

    // vcovHC(fit, type = "HC0")[ord, ord]: (X'X)**-1 (sum e_t**2 x_t x_t') (X'X)**-1.
    e.statement("OLS Y X1 X2 / HETCOV COVARIAN=V NOANOVA NOGF", true);
    e.expect_matrix("V", {0.0042609234015197704Q, -0.0082922025494356986Q, -0.010031569766300114Q,
                          -0.0082922025494357003Q, 0.031197860965522923Q, -0.0076762083191483175Q,
                          -0.01003156976630021Q, -0.0076762083191484753Q, 0.088578270311778645Q});

    // Newey-West with Bartlett weights 1 - j/(L+1) and no small-sample factor n/(n-k):
    // NeweyWest(fit, lag = 1, prewhite = FALSE, adjust = FALSE)[ord, ord]. (With the default
    // adjust = TRUE R multiplies by 12/9; the engine, like HC0, does not.)
    e.statement("OLS Y X1 X2 / AUTCOV=1 COVARIAN=V NOANOVA NOGF", true);
    e.expect_matrix("V", {0.0057394498567520796Q, -0.011344869538873106Q, -0.012761688064583651Q,
                          -0.011344869538873082Q, 0.033904647361128873Q, 5.9633556088956041e-05Q,
                          -0.012761688064583639Q, 5.9633556088937535e-05Q, 0.092093711332628531Q});
    // NeweyWest(fit, lag = 3, prewhite = FALSE, adjust = FALSE)[ord, ord]
    const Lines out = e.statement("OLS Y X1 X2 / AUTCOV=3 COVARIAN=V STDERR=SE NOANOVA NOGF");
    e.expect_matrix("V", {0.0051660524849184361Q, -0.0066736424755164435Q, -0.02074590525784354Q,
                          -0.0066736424755164635Q, 0.013708456520221382Q, 0.013553216277359916Q,
                          -0.020745905257843561Q, 0.013553216277359923Q, 0.12480441701252444Q});
    EXPECT_TRUE(agrees(e.value("SE", 2), sqrtq(0.013708456520221382Q)));
    EXPECT_TRUE(has_line(out, " AND AUTOCORRELATION-CONSISTENT MATRIX WITH ORDER=  3"));
}

// influence.measures(fit) and its parts, observation by observation.
const Real HAT[12] = {0.20525114155251098Q, 0.1017503805175039Q,   0.2277777777777778Q,
                      0.12366818873668191Q, 0.092617960426179619Q, 0.16385083713850837Q,
                      0.16385083713850837Q, 0.17237442922374435Q,  0.8353881278538815Q,
                      0.30266362252663626Q, 0.38302891933028904Q,  0.22777777777777777Q};
const Real RSTUDENT[12] = {0.813535084635712Q,    0.39412241862882041Q, 0.85539800948356692Q,
                           -0.79984290791240409Q, 0.52032864831444081Q, -0.91109309408574113Q,
                           0.44031382427154753Q,  -1.3892021994385804Q, 0.64684134182885911Q,
                           -0.30185608606937403Q, 2.2469476537462052Q,  -1.9504668826764702Q};
const Real DFFITS[12] = {0.41343203139888224Q,  0.13264797955305088Q,  0.46457171380154683Q,
                         -0.30046881889979166Q, 0.16623798080579341Q,  -0.40331577352836728Q,
                         0.19491478070033594Q,  -0.63399368580525228Q, 1.4571737587999651Q,
                         -0.19886524463786373Q, 1.7704201083321849Q,   -1.0593100899839962Q};
const Real COVRATIO[12] = {1.411455674140266Q,  1.4962545103698681Q,  1.4180382856471991Q,
                           1.2898987532324311Q, 1.4200510078703634Q,  1.2663340549258548Q,
                           1.5848040228384099Q, 0.89962448358274327Q, 7.4229600972060936Q,
                           1.9736027774442584Q, 0.53180646977399504Q, 0.57393431774035586Q};
// dfbetas(fit)[, ord]: one column per coefficient, the intercept last.
const Real DFBETAS[3][12] = {
    {-0.2724429239449303Q, -0.042040220964834826Q, -0.1122463804862958Q, 0.074231031762989133Q,
     0.052633818841064148Q, -0.0818420721100791Q, -0.03955270431860549Q, 0.43418359960777586Q,
     1.3750301870891444Q, 0.043395506921745382Q, -0.19430384928832337Q, -0.25594266693582718Q},
    {0.17375453028566434Q, 0.021538986581634056Q, -0.05183871726743064Q, -0.13401183944922293Q,
     -0.047420257579881962Q, 0.19116611854152285Q, 0.092386919923513958Q, -0.45116752736792565Q,
     -1.3014622556357884Q, 0.031907916354454953Q, 0.84935502188533796Q, -0.11820193658341097Q},
    {0.37991144892173173Q, 0.10436249733240098Q, 0.44387430998616878Q, -0.039243846086699896Q,
     0.046765944573109348Q, -0.28959329315222415Q, -0.010792981117931814Q, -0.32263204258530037Q,
     -0.37316230372241549Q, -0.18953695097760689Q, -0.65064236967934408Q, 0.41675370960466163Q}};

TEST(ReferenceOls, InfluenceMeasures) {
    TwelveObs e;
    const Lines out =
        e.statement("OLS Y X1 X2 / INFLUENC DFBETAS RESID=E HATDIAG=H COVARIAN=V NOANOVA NOGF");
    // hatvalues(fit)
    for (int t = 1; t <= 12; ++t) EXPECT_TRUE(agrees(e.value("H", t), HAT[t - 1])) << t;

    // The leave-one-out statistics from the fit the command left: its residuals, hat values
    // and (X'X)**-1 = V / sigma**2.
    OlsFit fit;
    fit.n = 12;
    fit.k = 3;
    fit.x = X1;
    fit.x.insert(fit.x.end(), X2.begin(), X2.end());
    fit.x.insert(fit.x.end(), 12, Real(1));
    for (int t = 1; t <= 12; ++t) {
        fit.resid.push_back(e.value("E", t));
        fit.hat.push_back(e.value("H", t));
    }
    fit.sse = e.run.res[R_SSE];
    for (int i = 1; i <= 3; ++i)
        for (int j = 1; j <= 3; ++j) fit.xtx_inv.push_back(e.matrix("V", i, j) / e.run.res[R_SIG2]);
    const InfluenceMeasures m = influence_measures(fit, fit.x, fit.resid);
    for (int i = 0; i < 12; ++i) {
        EXPECT_TRUE(agrees(m.rstudent[i], RSTUDENT[i])) << "rstudent(fit) " << i + 1;
        EXPECT_TRUE(agrees(m.dffits[i], DFFITS[i])) << "dffits(fit) " << i + 1;
        EXPECT_TRUE(agrees(m.covratio[i], COVRATIO[i])) << "covratio(fit) " << i + 1;
        for (int j = 0; j < 3; ++j)
            EXPECT_TRUE(agrees(m.dfbetas[std::size_t(i) * 3 + j], DFBETAS[j][i]))
                << "dfbetas(fit) " << i + 1 << "," << j + 1;
    }
    // sum((resid(fit) / (1 - hatvalues(fit)))^2)
    EXPECT_TRUE(agrees(m.press, 7.5946396511354992Q));

    // The printed table carries the same numbers to its four decimals.
    for (int i = 0; i < 12; ++i) {
        const std::string row = fmt_I(i + 1, 5) + fmt_G(fit.resid[i], 13, 5) +
                                fmt_F(RSTUDENT[i], 9, 4) + fmt_F(HAT[i], 9, 4) +
                                fmt_F(COVRATIO[i], 9, 4) + fmt_F(DFFITS[i], 9, 4);
        bool found = false;
        for (const std::string& l : out) found = found || l.rfind(row, 0) == 0;
        EXPECT_TRUE(found) << row;
    }
    EXPECT_TRUE(has_line(out, " SUM-OF-SQUARED PREDICTION ERRORS SSPE,PRESS,CV=   7.5946"));
    // DFBETAS of observation 9, the most influential one.
    EXPECT_TRUE(has_line(out, fmt_I(9, 5) + fmt_X(8) + fmt_F(DFBETAS[0][8], 9, 4) +
                                  fmt_F(DFBETAS[1][8], 9, 4) + fmt_F(DFBETAS[2][8], 9, 4)))
        << ::testing::PrintToString(out);
}

TEST(ReferenceOls, ExactDurbinWatsonProbability) {
    TwelveObs e;
    // The exact test is computed only for a printed report.
    e.statement("OLS Y X1 X2 / METHOD=HH DWPVALUE RSTAT NOANOVA NOGF");
    // dwtest(fit)$statistic
    EXPECT_TRUE(agrees(e.run.res[R_DW], 2.7277881850642287Q));
    // dwtest(fit, exact = TRUE, iterations = 200, tol = 1e-14)$p.value: Pan's algorithm for
    // P(d <= d_obs); the engine integrates Imhof's formula instead.
    EXPECT_TRUE(agrees(e.run.res[R_CDF], 0.92932409043858444Q));
}

TEST(ReferenceOls, NormalityLikelihoodAndCriteria) {
    TwelveObs e;
    e.statement("OLS Y X1 X2 / RSTAT NOGF", true);
    // e <- resid(fit); m2 <- mean(e^2); n*((mean(e^3)/m2^1.5)^2/6 + (mean(e^4)/m2^2 - 3)^2/24)
    // (residuals have mean 0 with an intercept)
    EXPECT_TRUE(agrees(e.run.res[R_JB], 0.63743483056029127Q));
    // logLik(fit). The report takes pi as 3.1415926535898, which moves the value by
    // (n/2) log(3.1415926535898/pi) = -1.3e-14, far below the digits asked here.
    EXPECT_TRUE(agrees(e.run.res[R_LLF], -9.8752065543969554Q));
    // The report's log AIC is log(SSE/n) + 2k/n and log SC is log(SSE/n) + k log(n)/n. R's
    // AIC(fit) = -2 logLik + 2(k+1) and BIC(fit) = -2 logLik + (k+1) log(n) count sigma as a
    // parameter and keep the constant n(log(2 pi) + 1), so:
    // (AIC(fit) - n*log(2*pi) - n - 2)/n
    EXPECT_TRUE(agrees(e.run.res[R_LAIC], -0.69200930734318611Q));
    // (BIC(fit) - n*log(2*pi) - n - log(n))/n
    EXPECT_TRUE(agrees(e.run.res[R_LSC], -0.5707826448961858Q));
    EXPECT_TRUE(agrees(e.run.res[R_AIC], expq(-0.69200930734318611Q)));
    EXPECT_TRUE(agrees(e.run.res[R_SC], expq(-0.5707826448961858Q)));
    // sse <- sum(e^2): sse/(n-k)*(1+k/n), sse/n/(1-k/n)^2, sse/n*log(n)^(2*k/n),
    // sse/n/(1-2*k/n), sse/n*(n+2*k)/n
    EXPECT_TRUE(agrees(e.run.res[R_FPE], 0.50601767292406441Q));
    EXPECT_TRUE(agrees(e.run.res[R_GCV], 0.53975218445233542Q));
    EXPECT_TRUE(agrees(e.run.res[R_HQ], 0.47859920688739455Q));
    EXPECT_TRUE(agrees(e.run.res[R_RICE], 0.60722120750887731Q));
    EXPECT_TRUE(agrees(e.run.res[R_SHIB], 0.45541590563165801Q));
}

// The Longley data (tests/data/Longley.txt), badly conditioned: R's QR in double precision
// still holds 13 digits of the certified coefficients, so 10 digits are asked of what does not
// go through (X'X)**-1 (see the robust covariances below).
// R: d <- read.table("Longley.txt"); names(d) <- c("y", paste0("x", 1:6))
//    fit <- lm(y ~ ., data = d); ord <- c(2:7, 1)
TEST(ReferenceOls, LongleyRobustCovarianceAndResidualTests) {
    OlsEngine e;
    auto t = testing::read_table("Longley.txt");
    ASSERT_EQ(t.size(), 7u);
    e.data("Y", t[0]);
    for (int j = 1; j <= 6; ++j) e.data("X" + std::to_string(j), t[j]);
    e.sample(1, 16);
    const Real longley = 1e-10Q;
    // The robust covariances of Longley are where double precision gives out: R's
    // diag(vcovHC(fit, type = "HC0")[ord, ord]) = 2623.5240077869967, 0.00060397966091541022,
    // ... agrees with the engine to only 8 digits, because its (X'X)**-1 carries the condition
    // number of X'X (about 1e-8 relative error here). The references are therefore exact:
    // the same sandwich formula in rational arithmetic (Python's fractions on the decimal data,
    // rounded to 40 digits), which the engine matches to more than 24 digits. R's value is kept
    // as a sanity check of the exact one at the 8 digits it has.
    const Real exact = 1e-24Q;
    const Real hc0[7] = {2623.523992454530396064822215454314153825Q,
                         0.0006039796571821595785027102501078119513044Q,
                         0.1468722161433469427296712020080870620668Q,
                         0.02138760035872648407172612753723344733508Q,
                         0.02502992827616968644227090528199451926695Q,
                         183513.1732025958996532007623652591183808Q,
                         692576114852.0056651879226048050505827450Q};
    EXPECT_TRUE(agrees(hc0[0], 2623.5240077869967Q, 1e-8Q));
    e.statement("OLS Y X1-X6 / HETCOV COVARIAN=V NOANOVA NOGF", true);
    for (int j = 0; j < 7; ++j)
        EXPECT_TRUE(agrees(e.value("V", j * 7 + j + 1), hc0[j], exact)) << j;
    // Newey-West, lag 2, Bartlett weights, no small-sample factor, in rational arithmetic; R's
    // diag(NeweyWest(fit, lag = 2, prewhite = FALSE, adjust = FALSE)) starts 2347.320119259879.
    const Real nw2[7] = {2347.320110110182713546185522765582663279Q,
                         0.0003166531278910962602825882013350954426017Q,
                         0.08441106972011438803321182885951028820730Q,
                         0.01479821269736130211115584937156617299546Q,
                         0.01545337132185157333653339143158791401608Q,
                         140983.1232820672332619045746279483012952Q,
                         525943891018.5556301801351630736138943212Q};
    EXPECT_TRUE(agrees(nw2[0], 2347.320119259879Q, 1e-8Q));
    e.statement("OLS Y X1-X6 / AUTCOV=2 COVARIAN=V NOANOVA NOGF", true);
    for (int j = 0; j < 7; ++j)
        EXPECT_TRUE(agrees(e.value("V", j * 7 + j + 1), nw2[j], exact)) << j;

    // The exact test is computed only for a printed report.
    e.statement("OLS Y X1-X6 / METHOD=HH DWPVALUE RSTAT HATDIAG=H NOANOVA NOGF");
    // hatvalues(fit)[c(1, 5, 16)]
    EXPECT_TRUE(agrees(e.value("H", 1), 0.4245369306265358Q, longley));
    EXPECT_TRUE(agrees(e.value("H", 5), 0.61551109417413441Q, longley));
    EXPECT_TRUE(agrees(e.value("H", 16), 0.68861460169389332Q, longley));
    // dwtest(fit)$statistic; dwtest(fit, exact = TRUE, iterations = 200, tol = 1e-14)$p.value
    EXPECT_TRUE(agrees(e.run.res[R_DW], 2.5594876892815388Q, longley));
    EXPECT_TRUE(agrees(e.run.res[R_CDF], 0.48342422220566467Q, longley));
    // Jarque-Bera from the residual moments (as in the first data set)
    EXPECT_TRUE(agrees(e.run.res[R_JB], 0.68413558593682122Q, longley));
    // logLik(fit)
    EXPECT_TRUE(agrees(e.run.res[R_LLF], -109.61743480848048Q, longley));
}

// Weighted least squares: R's lm(..., weights = w) minimises sum w e**2 as WEIGHT= does, and
// its HC0 meat sum (w e)**2 x x' is the engine's sum of squared weighted-row scores. Scaling
// the weights leaves HC0, hat values and studentised residuals unchanged, so the engine's
// normalisation of the weights does not matter here.
// R: same d as above plus d$w <- c(1,2,1,3,1,2,1,2,4,1,2,1)
//    fit <- lm(y ~ x1 + x2, data = d, weights = w)
TEST(ReferenceOls, WeightedRobustCovarianceAndHatValues) {
    OlsEngine e;
    e.data("Y", Y);
    e.data("X1", X1);
    e.data("X2", X2);
    e.data("W", {1, 2, 1, 3, 1, 2, 1, 2, 4, 1, 2, 1});
    e.sample(1, 12);
    e.statement("OLS Y X1 X2 / WEIGHT=W COEF=B HETCOV COVARIAN=V HATDIAG=H NOANOVA NOGF", true);
    // coef(fit)[ord]
    const Real b[3] = {2.023426858110291Q, 0.30043165281672829Q, 3.0232866355635415Q};
    for (int j = 1; j <= 3; ++j) EXPECT_TRUE(agrees(e.value("B", j), b[j - 1])) << j;
    // vcovHC(fit, type = "HC0")[ord, ord]
    const Real hc0[9] = {0.0018507458125398856Q,  -0.0030000778859436139Q, -0.0097012125932972731Q,
                         -0.0030000778859436738Q, 0.021980680047855722Q,   -0.017748560170510908Q,
                         -0.0097012125932971933Q, -0.017748560170511126Q,  0.12240587164435371Q};
    for (int i = 0; i < 9; ++i) EXPECT_TRUE(agrees(e.value("V", i + 1), hc0[i])) << i;
    // hatvalues(fit)
    const Real hat[12] = {0.13971852100753435Q,  0.14450030370782027Q,  0.17702934980679019Q,
                          0.2175064941778565Q,   0.047830750739883951Q, 0.21403000891737864Q,
                          0.095926438088837773Q, 0.18875117929100388Q,  0.93467050932447637Q,
                          0.23529601819662177Q,  0.47244013078821878Q,  0.13230029595357792Q};
    for (int t = 1; t <= 12; ++t) EXPECT_TRUE(agrees(e.value("H", t), hat[t - 1])) << t;
}

// Strong positive autocorrelation: the exact probability is far out in the tail.
// R: t <- 1:15; z <- c(2,7,1,8,2,8,1,8,2,8,4,5,9,0,4)
//    yy <- c(2.4,4.3,3.8,5.3,4.1,5.3,3.9,5.6,5.3,7.5,7.7,8.8,10.2,8.3,9.1); f2 <- lm(yy ~ t + z)
TEST(ReferenceOls, ExactDurbinWatsonProbabilityInTheTail) {
    OlsEngine e;
    e.data("YY", {2.4Q, 4.3Q, 3.8Q, 5.3Q, 4.1Q, 5.3Q, 3.9Q, 5.6Q, 5.3Q, 7.5Q, 7.7Q, 8.8Q, 10.2Q,
                  8.3Q, 9.1Q});
    e.data("T", {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15});
    e.data("Z", {2, 7, 1, 8, 2, 8, 1, 8, 2, 8, 4, 5, 9, 0, 4});
    e.sample(1, 15);
    const Lines out = e.statement("OLS YY T Z / METHOD=HH DWPVALUE RSTAT NOANOVA NOGF");
    // dwtest(f2)$statistic
    EXPECT_TRUE(agrees(e.run.res[R_DW], 0.43387311209755725Q));
    // dwtest(f2, exact = TRUE, iterations = 200, tol = 1e-14)$p.value
    EXPECT_TRUE(agrees(e.run.res[R_CDF], 4.0764902246389923e-06Q));
    EXPECT_TRUE(has_line(out, " DURBIN-WATSON POSITIVE AUTOCORRELATION TEST P-VALUE =    0.000004"))
        << ::testing::PrintToString(out);
}

} // namespace
} // namespace tarvex
