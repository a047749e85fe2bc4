// ARIMA against R 4.2 (stats::arima, predict, acf, pacf, Box.test). The series are in
// tests/data/arima/: airpassengers.txt is R's datasets::AirPassengers, lynx.txt
// datasets::lynx, and two generated series (R: set.seed(20261207);
// x <- round(arima.sim(list(ar=0.6, ma=0.3), n=200) + 10, 4) for arma11.txt; set.seed(7);
// z <- round(cumsum(arima.sim(list(ar=c(0.5,-0.3), ma=c(0.4,0.2)), n=300)) + 50, 4) for
// arima212.txt). R's numbers are printed by sprintf("%.17g").
// R's exact ML (arima(., method="ML", transform.pars=FALSE, optim.control=list(reltol=1e-15,
// maxit=1000, ndeps=rep(1e-6, k)))) stops where its finite-difference gradient (in double)
// no longer improves, about 1e-9 from the maximum; its estimates are therefore polished in R by
// four Newton steps on ll(t) = arima(., fixed=t, transform.pars=FALSE)$loglik with the gradient
// by the fourth-order central difference (h = 1e-4) and the Hessian by optimHess (the script:
//   polish(w, order, seasonal, mean, th): for (i in 1:4) th <- th - solve(optimHess(th, ll, gr),
//   gr(th))
// leaving gradients below 1e-9). The polished optimum agrees with the engine's to 10 digits and
// more. R's standard errors come from a finite-difference Hessian in double, good to about 1e-6:
// they are compared at 1e-5. Log-likelihoods, sigma**2, AIC and BIC agree to 10 digits and more.
// The engine's own optimum is checked to be a maximum (its gradient ~ 0).
// A differenced series is compared with R's fit of the differenced series (include.mean=FALSE):
// R's integrated model approximates the diffuse start with a variance of 1e6, which moves its
// likelihood by about 1e-5 relative and its forecast standard errors by about 1e-7. The forecasts
// of the integrated series are then compared with the exact Gaussian prediction computed in R
// from the stationary covariance of the differenced series (function exactfc below):
//   psi <- c(1, ARMAtoMA(phi, theta, 5000)); G <- s2*sum(psi^2)*toeplitz(ARMAacf(phi, theta, m+h))
//   future w: G21 G11^-1 w, covariance G22 - G21 G11^-1 G12, cumulated through 1/Delta(B).
#include "regress/arima/arima_estimate.hpp"
#include "tests/unit/reference_support.hpp"

#include "numeric/qmath.hpp"

#include <cstdint>
#include <fstream>
#include <gtest/gtest.h>

namespace tarvex {
namespace {

using testing::agrees;
using testing::expect_all;

std::vector<Real> arima_series(const std::string& file) {
    std::ifstream in(std::string(TARVEX_TEST_DATA_DIR) + "/arima/" + file);
    std::vector<Real> v;
    std::string word;
    while (in >> word) v.push_back(strtoflt128(word.c_str(), nullptr));
    return v;
}

// The gradient at the engine's estimates, relative to the log-likelihood's size.
void expect_maximum(const ArimaEstimate& e) {
    for (Real g : e.gradient) EXPECT_LT(qm::abs(g), 1e-15Q * (1 + qm::abs(e.result.record.llf)));
}

TEST(ArimaReference, Arma11WithMeanMlAndCss) {
    const std::vector<Real> x = arima_series("arma11.txt");
    ASSERT_EQ(x.size(), 200u);
    ArimaOrder o;
    o.p = 1, o.q = 1, o.mean = true;
    ArimaControl c;
    c.lags = 10, c.horizon = 5;
    ArimaEstimate e = estimate_arima(x, o, c);
    ASSERT_EQ(e.end, ArimaEnd::CONVERGED);
    expect_maximum(e);
    // polish(x, c(1,0,1), mean=TRUE, coef(arima(x, order=c(1,0,1), method="ML", ...)))
    expect_all(e.result.record.coef,
               {0.57691584809587715Q, 0.37272873452864747Q, 9.8999051052606042Q}, 1e-10Q, "coef");
    // sqrt(diag(solve(-optimHess(th, ll, gr))))
    expect_all(e.result.record.stderrs,
               {0.07255940410376345Q, 0.08179032557661628Q, 0.21151938482691093Q}, 1e-5Q, "se");
    EXPECT_TRUE(agrees(e.sigma2, 0.8638666286660811Q, 1e-10Q));             // $sigma2 at th
    EXPECT_TRUE(agrees(e.result.record.llf, -269.62593371043323Q, 1e-13Q)); // ll(th)
    EXPECT_TRUE(agrees(e.aic, 547.25186742086612Q, 1e-12Q));                // $aic
    EXPECT_TRUE(agrees(e.bic, 560.44513688705831Q, 1e-12Q));                // BIC(fit)
    // predict(arima(x, order=c(1,0,1), fixed=th, transform.pars=FALSE), n.ahead=5)
    expect_all(e.forecast.value,
               {10.060153861695627Q, 9.9923551524856258Q, 9.9532410026619313Q, 9.9306754297438449Q,
                9.9176569931060392Q},
               1e-11Q, "forecast");
    expect_all(e.forecast.se,
               {0.92944425796606067Q, 1.2817655819467562Q, 1.379209127872933Q, 1.4101487162831015Q,
                1.4202969132271552Q},
               1e-11Q, "forecast se");
    // Box.test(residuals(that fit), lag=10, type="Ljung-Box", fitdf=2)
    ASSERT_EQ(e.resid_tests.q.size(), 10u);
    EXPECT_TRUE(agrees(e.resid_tests.q[9], 5.0362187469756003Q, 1e-10Q));
    EXPECT_TRUE(agrees(e.resid_tests.q_pvalue[9], 0.7536981014680656Q, 1e-10Q));
    EXPECT_EQ(e.resid_tests.q_df[9], 8);

    c.method = ArimaMethod::CSS;
    e = estimate_arima(x, o, c);
    ASSERT_EQ(e.end, ArimaEnd::CONVERGED);
    expect_maximum(e);
    // arima(x, order=c(1,0,1), method="CSS", ...): R's optimum is good to about 1e-9; its
    // standard errors from the same fit with optim's default ndeps (1e-3), the closer ones.
    expect_all(e.result.record.coef,
               {0.5802320421631233Q, 0.37365609101135167Q, 9.9045346901188598Q}, 1e-8Q, "css coef");
    expect_all(e.result.record.stderrs,
               {0.072700923211982987Q, 0.081599478561222641Q, 0.21521482931331706Q}, 1e-5Q,
               "css se");
    EXPECT_TRUE(agrees(e.sigma2, 0.86808525345663634Q, 1e-12Q));
    EXPECT_TRUE(agrees(e.result.record.llf, -269.64117155324743Q, 1e-13Q));
    expect_all(e.forecast.value,
               {10.062851893816177Q, 9.996395404529709Q, 9.9578352200360296Q, 9.9354613654410766Q,
                9.9224793380983858Q},
               1e-8Q, "css forecast");
    expect_all(e.forecast.se,
               {0.93171092805474609Q, 1.2876172789639027Q, 1.3870415232760154Q, 1.4189479424996285Q,
                1.4295296247482101Q},
               1e-8Q, "css forecast se");
}

// The exact likelihood and its maximum in 50-digit arithmetic (python3 mpmath, mp.dps = 50):
// the first 30 observations of arma11.txt, x ~ N(mu, sigma2 G) with the ARMA(1,1)
// autocovariances g0 = (1 + 2 phi theta + theta**2)/(1 - phi**2),
// g1 = (1 + phi theta)(phi + theta)/(1 - phi**2), g_k = phi g_{k-1}; sigma2 concentrated out,
// log|G| and x'G^-1 x by mpmath's Cholesky; the gradient (mp.diff) solved by findroot; the
// standard errors from the Hessian by mp.diff.
TEST(ArimaReference, ExactMaximumTo20Digits) {
    std::vector<Real> x = arima_series("arma11.txt");
    x.resize(30);
    ArimaOrder o;
    o.p = 1, o.q = 1, o.mean = true;
    const ArimaEstimate e = estimate_arima(x, o, ArimaControl{});
    ASSERT_EQ(e.end, ArimaEnd::CONVERGED);
    expect_all(e.result.record.coef,
               {0.510269451975278310978502374506Q, 0.387436000522198781197350648636Q,
                10.1942636608914627412418908395Q},
               1e-20Q, "coef");
    EXPECT_TRUE(agrees(e.result.record.llf, -46.4493076128459988873101493757Q, 1e-30Q));
    EXPECT_TRUE(agrees(e.sigma2, 1.26016358573931261126926565782Q, 1e-23Q));
    // sqrt(diag((-H)**-1)), H by mp.diff at the optimum: the engine's central differences
    expect_all(e.result.record.stderrs,
               {0.188361706088886911971223333358Q, 0.189978263965738617292521046699Q,
                0.556853512083321675424161216455Q},
               1e-15Q, "se");
}

// A long series of small integers whose second half is the first negated, every 37th of them
// scaled by 2^-40 (far below the others, more than 2^15 under the largest): its mean is 0
// exactly, and every lagged product and sum is an integer times 2^-80 the binary128 format holds
// (below 2^102 of those units), so each autocorrelation is the integer sum_t x_t x_(t+k) (summed
// in 128-bit integers here, in units of 2^-40 for x) over sum_t x_t**2, rounded once. 40,000
// observations and 40 lags: the lags are shared between two threads where the machine has a
// second processor.
TEST(ArimaReference, LongCorrelogramIsTheExactSumsRoundedOnce) {
    const int half = 20000, lags = 40;
    std::vector<__int128> x(std::size_t(2 * half)); // x_t * 2^40
    std::uint64_t state = 12345;
    for (int t = 0; t < half; ++t) {
        state = state * 6364136223846793005ULL + 1442695040888963407ULL;
        const __int128 v = __int128((state >> 33) % 15) - 7;
        x[std::size_t(t)] = t % 37 == 5 ? v : v << 40;
        x[std::size_t(t + half)] = -x[std::size_t(t)];
    }
    std::vector<Real> y;
    for (__int128 v : x) y.push_back(scalbnq(Real(v), -40));
    const Correlogram g = correlogram(y, lags, 0);
    ASSERT_EQ(int(g.ac.size()), lags);
    __int128 c0 = 0;
    for (__int128 v : x) c0 += v * v;
    for (int k = 1; k <= lags; ++k) {
        __int128 ck = 0;
        for (std::size_t t = 0; t + std::size_t(k) < x.size(); ++t)
            ck += x[t] * x[t + std::size_t(k)];
        EXPECT_TRUE(g.ac[std::size_t(k - 1)] == Real(ck) / Real(c0)) << "lag " << k;
    }
}

TEST(ArimaReference, LynxIdentificationAndAr2) {
    std::vector<Real> y = arima_series("lynx.txt");
    ASSERT_EQ(y.size(), 114u);
    for (Real& v : y) v = qm::log10(v);
    const Correlogram g = correlogram(y, 10, 0);
    // acf(log10(lynx), lag.max=10)$acf[-1]
    expect_all(g.ac,
               {0.78512404494016552Q, 0.34023014844930322Q, -0.13228159116296126Q,
                -0.49388380031260321Q, -0.62054195399767498Q, -0.48794219245665926Q,
                -0.15780880743582468Q, 0.23485148131930336Q, 0.5372074185831025Q,
                0.60550676599374509Q},
               1e-13Q, "acf");
    // pacf(log10(lynx), lag.max=10)$acf
    expect_all(g.pac,
               {0.78512404494016497Q, -0.72003089046817204Q, -0.14307224148098649Q,
                -0.20616996813717753Q, 0.11521597831937426Q, 0.084558926240851262Q,
                0.20774197846435358Q, 0.11837065663507867Q, 0.1028178416895669Q,
                -0.18688941438080059Q},
               1e-12Q, "pacf");
    // Box.test(log10(lynx), lag=k, type="Ljung-Box")$statistic, k = 1..10
    expect_all(g.q,
               {72.13747774188468Q, 85.805019428996772Q, 87.889695984173684Q, 117.21346014222064Q,
                163.9308575336027Q, 193.08335938512619Q, 196.16116748764853Q, 203.04204113393692Q,
                239.38811830650309Q, 286.00760656626687Q},
               1e-13Q, "Ljung-Box");
    // Bartlett: sqrt((1 + 2*cumsum(c(0, acf^2))[k]) / n); 1/sqrt(n) for the PACF
    EXPECT_TRUE(agrees(g.ac_se[0], 1 / qm::sqrt(114.0Q), 1e-30Q));
    EXPECT_TRUE(agrees(g.ac_se[1], 0.13995110461591276Q, 1e-13Q));
    EXPECT_TRUE(agrees(g.pac_se[4], 1 / qm::sqrt(114.0Q), 1e-30Q));

    ArimaOrder o;
    o.p = 2, o.mean = true;
    ArimaControl c;
    c.horizon = 4;
    const ArimaEstimate e = estimate_arima(y, o, c);
    ASSERT_EQ(e.end, ArimaEnd::CONVERGED);
    expect_maximum(e);
    // polish(log10(lynx), c(2,0,0), mean=TRUE, coef(arima(log10(lynx), order=c(2,0,0), ...)))
    expect_all(e.result.record.coef,
               {1.3776059304534278Q, -0.73987670094425029Q, 2.9038194178315764Q}, 1e-10Q, "coef");
    expect_all(e.result.record.stderrs,
               {0.061430250170448127Q, 0.061148111339448571Q, 0.058570814870678958Q}, 1e-5Q, "se");
    EXPECT_TRUE(agrees(e.sigma2, 0.051070347249921925Q, 1e-10Q));
    EXPECT_TRUE(agrees(e.result.record.llf, 6.5046595288672791Q, 1e-13Q));
    // predict(arima(log10(lynx), order=c(2,0,0), fixed=th, transform.pars=FALSE), n.ahead=4)
    expect_all(e.forecast.value,
               {3.3826233902184879Q, 3.0994102213373287Q, 2.8190105651946222Q, 2.6422731610510861Q},
               1e-11Q, "forecast");
    expect_all(
        e.forecast.se,
        {0.22598749356971487Q, 0.38469670548079882Q, 0.46525880515356643Q, 0.48311886610856369Q},
        1e-11Q, "forecast se");
}

TEST(ArimaReference, DifferencedSeriesAndAirline) {
    const std::vector<Real> z = arima_series("arima212.txt");
    ArimaOrder o;
    o.p = 2, o.d = 1, o.q = 2;
    ArimaControl c;
    c.horizon = 6;
    ArimaEstimate e = estimate_arima(z, o, c);
    ASSERT_EQ(e.end, ArimaEnd::CONVERGED);
    expect_maximum(e);
    // polish(diff(z), c(2,0,2), mean=FALSE, coef(arima(diff(z), order=c(2,0,2), ...)))
    expect_all(
        e.result.record.coef,
        {0.46959725077434433Q, -0.27522218338528343Q, 0.48030655191107607Q, 0.25868795572933068Q},
        1e-9Q, "coef");
    expect_all(
        e.result.record.stderrs,
        {0.19218747126370181Q, 0.11546384794032928Q, 0.19181774354238532Q, 0.1061029382718226Q},
        1e-5Q, "se");
    EXPECT_TRUE(agrees(e.sigma2, 0.96493445523014065Q, 1e-10Q));
    EXPECT_TRUE(agrees(e.result.record.llf, -419.42858269835961Q, 1e-13Q));
    EXPECT_TRUE(agrees(e.aic, 848.85716539671921Q, 1e-12Q));
    EXPECT_TRUE(agrees(e.bic, 867.35938326367261Q, 1e-12Q));
    // exactfc(z, diff(z), th[1:2], th[3:4], sigma2, Delta = 1, h = 6), th the polished optimum
    expect_all(e.forecast.value,
               {86.55783174217953Q, 85.024226480561211Q, 84.910052655376276Q, 85.278519129512802Q,
                85.482973142222676Q, 85.47757403698489Q},
               1e-11Q, "forecast");
    expect_all(e.forecast.se,
               {0.98231077324344818Q, 2.152611371374118Q, 3.1775693279677206Q, 3.9101589820130087Q,
                4.4550635621499497Q, 4.9182639506018502Q},
               1e-10Q, "forecast se");

    const std::vector<Real> air = arima_series("airpassengers.txt");
    std::vector<Real> lair;
    for (Real v : air) lair.push_back(qm::log(v));
    ArimaOrder a;
    a.d = 1, a.q = 1, a.sd = 1, a.sq = 1, a.span = 12;
    c.horizon = 12;
    e = estimate_arima(lair, a, c);
    ASSERT_EQ(e.end, ArimaEnd::CONVERGED);
    expect_maximum(e);
    // polish(diff(diff(log(AirPassengers)), 12), c(0,0,1), list(order=c(0,0,1), period=12),
    //        mean=FALSE, coef(arima(that, ...)))
    expect_all(e.result.record.coef, {-0.40182312871803272Q, -0.55693650241548742Q}, 1e-10Q,
               "air coef");
    expect_all(e.result.record.stderrs, {0.089644520301237429Q, 0.073105020082787839Q}, 1e-5Q,
               "air se");
    EXPECT_TRUE(agrees(e.sigma2, 0.001348098994497845Q, 1e-11Q));
    EXPECT_TRUE(agrees(e.result.record.llf, 244.69648683286078Q, 1e-13Q));
    // exactfc(log(AirPassengers), w, numeric(0), theta multiplied out, sigma2,
    //         Delta = c(1, rep(0,10), 1, -1), 12) at the polished optimum: the filter's last
    //         state is not yet steady, and R's integrated predict() is 1e-7 off here
    const std::vector<Real> air_fc = {
        6.1101855959692166Q, 6.0537748419069164Q, 6.1717137611282498Q, 6.1993003407322957Q,
        6.2325559763237353Q, 6.3687784190908312Q, 6.5072938933572892Q, 6.5029063550866786Q,
        6.3246978475148738Q, 6.2090079339962347Q, 6.0634870517072335Q, 6.1680243644774277Q};
    const std::vector<Real> air_se = {
        0.036716496395927729Q, 0.042784017819039524Q, 0.048092029005726185Q, 0.052869786523451423Q,
        0.057250200001249273Q, 0.061318483945142999Q, 0.065133152437744618Q, 0.068736443169734901Q,
        0.07216002835901543Q,  0.075428381700270011Q, 0.078560879826217234Q, 0.081573175200043938Q};
    expect_all(e.forecast.value, air_fc, 1e-11Q, "air forecast");
    expect_all(e.forecast.se, air_se, 1e-10Q, "air forecast se");

    c.method = ArimaMethod::CSS;
    c.horizon = 0;
    e = estimate_arima(lair, a, c);
    ASSERT_EQ(e.end, ArimaEnd::CONVERGED);
    // arima(log(AirPassengers), order=c(0,1,1), seasonal=list(order=c(0,1,1), period=12),
    //       method="CSS", ...)
    expect_all(e.result.record.coef, {-0.37716244043400909Q, -0.57237896613145611Q}, 1e-8Q,
               "air css coef");
    EXPECT_TRUE(agrees(e.sigma2, 0.0013887499030364838Q, 1e-12Q));
    EXPECT_TRUE(agrees(e.result.record.llf, 245.06656143762825Q, 1e-13Q));
}

// A seasonal AR part (the stationary covariance of a 13-dimensional state from its linear
// system) and the mean of a differenced series (DRIFT).
TEST(ArimaReference, SeasonalArAndDrift) {
    std::vector<Real> lair = arima_series("airpassengers.txt");
    for (Real& v : lair) v = qm::log(v);
    ArimaOrder a;
    a.p = 1, a.d = 1, a.sp = 1, a.sd = 1, a.span = 12;
    ArimaEstimate e = estimate_arima(lair, a, ArimaControl{});
    ASSERT_EQ(e.end, ArimaEnd::CONVERGED);
    expect_maximum(e);
    // polish(w, c(1,0,0), list(order=c(1,0,0), period=12), mean=FALSE, coef(arima(w, ...))),
    // w = diff(diff(log(AirPassengers)), 12)
    expect_all(e.result.record.coef, {-0.37446432668947488Q, -0.46372002005237578Q}, 1e-10Q,
               "sar coef");
    EXPECT_TRUE(agrees(e.result.record.llf, 240.40640947290086Q, 1e-13Q));
    EXPECT_TRUE(agrees(e.sigma2, 0.0014567666767749243Q, 1e-11Q));

    const std::vector<Real> z = arima_series("arima212.txt");
    ArimaOrder o;
    o.p = 1, o.d = 1, o.q = 1, o.mean = true;
    e = estimate_arima(z, o, ArimaControl{});
    ASSERT_EQ(e.end, ArimaEnd::CONVERGED);
    expect_maximum(e);
    // polish(diff(z), c(1,0,1), mean=TRUE, coef(arima(diff(z), order=c(1,0,1), ...)))
    // (the mean is flat in log L: R's gradient of 9e-10 leaves it 2e-11 from the maximum, 2e-10
    // of its value)
    const std::vector<Real>& drift = e.result.record.coef;
    ASSERT_EQ(drift.size(), 3u);
    expect_all({drift[0], drift[1]}, {0.42099914576661562Q, 0.47415305449035222Q}, 1e-10Q,
               "drift coef");
    EXPECT_TRUE(agrees(drift[2], 0.11852377440241374Q, 1e-9Q));
    EXPECT_TRUE(agrees(e.result.record.llf, -427.66500367973958Q, 1e-13Q));
    EXPECT_TRUE(agrees(e.sigma2, 1.0202388921991823Q, 1e-11Q));
}

// The exact likelihood with a 14-dimensional state (its stationary covariance by doubling) at
// given coefficients: R's arima(log10(lynx), order=c(14,0,0), fixed=th, transform.pars=FALSE),
// th the CSS estimates rounded to 4 decimals.
TEST(ArimaReference, LongArLikelihood) {
    std::vector<Real> y = arima_series("lynx.txt");
    const std::vector<Real> th = {1.1022Q,  -0.4636Q, 0.2652Q,  -0.3026Q, 0.1379Q,
                                  -0.1434Q, 0.0679Q,  -0.0530Q, 0.1981Q,  0.1235Q,
                                  -0.2031Q, -0.1540Q, 0.0262Q,  0.0146Q,  2.8951Q};
    for (Real& v : y) v = qm::log10(v) - th.back();
    ArimaOrder o;
    o.p = 14, o.mean = true;
    const ArmaFilter f = arma_exact(y, expand_polynomials(o, th), false);
    ASSERT_TRUE(f.ok);
    EXPECT_TRUE(agrees(f.llf, 25.81541002555835Q, 1e-13Q));       // $loglik
    EXPECT_TRUE(agrees(f.sigma2, 0.035421162689841142Q, 1e-13Q)); // $sigma2
}

// Regression with ARMA errors. xreg.txt holds y, z, x1, x2 (125 rows; R: set.seed(20261208);
// x1 <- round(rnorm(125, 5, 2), 4); x2 <- round(cumsum(rnorm(125)), 4);
// y <- round(3 + 0.8*x1 - 0.5*x2 + arima.sim(list(ar=0.6, ma=0.3), n=125), 4);
// z <- round(cumsum(0.3 + 0.7*diff(c(0,x1)) + arima.sim(list(ma=-0.4), n=125)) + 20, 4)).
// The models use rows 1..120; rows 121..125 are the regressors' future values. R's optimum is
// polished as above by four Newton steps on ll(t) = arima(., xreg=., fixed=t,
// transform.pars=FALSE)$loglik (its gradient then below 3e-10), which also gives a higher
// log-likelihood than optim(reltol=1e-15) from R's own fit.
struct XregData {
    std::vector<Real> y, z, x1, x2;
};

XregData xreg_data() {
    const std::vector<Real> all = arima_series("xreg.txt");
    XregData d;
    for (std::size_t i = 0; i + 3 < all.size(); i += 4) {
        d.y.push_back(all[i]), d.z.push_back(all[i + 1]);
        d.x1.push_back(all[i + 2]), d.x2.push_back(all[i + 3]);
    }
    return d;
}

std::vector<Real> rows_of(const std::vector<Real>& v, std::size_t from, std::size_t to) {
    return std::vector<Real>(v.begin() + std::ptrdiff_t(from), v.begin() + std::ptrdiff_t(to));
}

TEST(ArimaReference, RegressionWithArmaErrors) {
    const XregData d = xreg_data();
    ASSERT_EQ(d.y.size(), 125u);
    ArimaOrder o;
    o.p = 1, o.q = 1, o.mean = true, o.regressors = 2;
    ArimaRegressors x;
    x.columns = {rows_of(d.x1, 0, 120), rows_of(d.x2, 0, 120)};
    x.future = {rows_of(d.x1, 120, 125), rows_of(d.x2, 120, 125)};
    ArimaControl c;
    c.lags = 10, c.horizon = 5;
    const ArimaEstimate e = estimate_arima(rows_of(d.y, 0, 120), o, c, x);
    ASSERT_EQ(e.end, ArimaEnd::CONVERGED);
    expect_maximum(e);
    // polished coef(arima(y[1:120], order=c(1,0,1), xreg=cbind(x1,x2)[1:120,])):
    // ar1, ma1, intercept, x1, x2
    expect_all(e.result.record.coef,
               {0.45698094600589734Q, 0.53014299878472126Q, 2.4600040806120109Q,
                0.79845096971614871Q, -0.56908352706234222Q},
               1e-10Q, "coef");
    // sqrt(diag(solve(-optimHess(th, ll, gr))))
    expect_all(e.result.record.stderrs,
               {0.10321939423607503Q, 0.10360507987940887Q, 0.27170464842060538Q,
                0.027120633210423562Q, 0.039131894569044215Q},
               1e-5Q, "se");
    EXPECT_TRUE(agrees(e.result.record.llf, -147.25112771944143Q, 1e-13Q)); // ll(th)
    EXPECT_TRUE(agrees(e.sigma2, 0.67569805690436302Q, 1e-9Q));             // $sigma2 at th
    EXPECT_TRUE(agrees(e.aic, 306.50225543888286Q, 1e-12Q));                // -2 ll + 2*6
    EXPECT_TRUE(agrees(e.bic, 323.22720589557514Q, 1e-12Q));                // -2 ll + 6 log 120
    // predict(arima(., fixed=th, transform.pars=FALSE), n.ahead=5, newxreg=cbind(x1,x2)[121:125,])
    expect_all(e.forecast.value,
               {3.1621798631690998Q, 6.555104852794944Q, 6.3457766489155123Q, 3.2580580897614211Q,
                5.7098686085956922Q},
               1e-10Q, "forecast");
    expect_all(e.forecast.se,
               {0.82200855038397447Q, 1.1550357088457799Q, 1.2130969350961829Q, 1.2248746158895099Q,
                1.2273199019977994Q},
               1e-10Q, "forecast se");
    // Box.test(residuals(that fit), lag=10, type="Ljung-Box", fitdf=2)
    ASSERT_EQ(e.resid_tests.q.size(), 10u);
    EXPECT_TRUE(agrees(e.resid_tests.q[9], 6.2380934467114351Q, 1e-8Q));
    EXPECT_TRUE(agrees(e.resid_tests.q_pvalue[9], 0.62058102395529846Q, 1e-8Q));
}

// CSS with a lagged regressor, where the joint surface has a second, lower maximum (near
// ar1 = 0.896, log L = -179.7013) that a start with the ARMA terms at zero reaches.
// R: arima(y[2:120], order=c(1,0,0), xreg=cbind(x1[2:120], x2[1:119]), method="CSS",
// optim.control=list(reltol=1e-15, maxit=1000)) stops about 1e-8 from the optimum: its
// coefficients agree to 8 digits, the log-likelihood (flat there) to 13.
TEST(ArimaReference, CssRegressionFindsTheHigherMaximum) {
    const XregData d = xreg_data();
    ArimaOrder o;
    o.p = 1, o.mean = true, o.regressors = 2;
    ArimaRegressors x;
    x.columns = {rows_of(d.x1, 1, 120), rows_of(d.x2, 0, 119)};
    ArimaControl c;
    c.method = ArimaMethod::CSS;
    const ArimaEstimate e = estimate_arima(rows_of(d.y, 1, 120), o, c, x);
    ASSERT_EQ(e.end, ArimaEnd::CONVERGED);
    expect_maximum(e);
    // coef(fit): ar1, intercept, x1, x2 lagged
    expect_all(e.result.record.coef,
               {0.661154014350975Q, 2.792030493356129Q, 0.795699516357423Q, -0.451497986391031Q},
               1e-7Q, "coef");
    // sqrt(diag(fit$var.coef))
    expect_all(e.result.record.stderrs,
               {0.10259159076Q, 0.42629332395Q, 0.04279102621Q, 0.07943111689Q}, 1e-5Q, "se");
    // fit$loglik: R's sum of squares in double precision (the engine's gradient is ~0 here)
    EXPECT_TRUE(agrees(e.result.record.llf, -179.18363825487097Q, 1e-13Q));
    EXPECT_TRUE(agrees(e.sigma2, 1.18959468963282Q, 1e-7Q)); // fit$sigma2
}

// With differencing the regressors are differenced as y is (R's arima with d > 0); compared
// with R's fit of the differenced series, whose forecasts cumulate to those of z.
TEST(ArimaReference, DifferencedRegressionAndDrift) {
    const XregData d = xreg_data();
    ArimaOrder o;
    o.d = 1, o.q = 1, o.regressors = 1;
    ArimaRegressors x;
    x.columns = {rows_of(d.x1, 0, 120)};
    x.future = {rows_of(d.x1, 120, 125)};
    ArimaControl c;
    c.horizon = 5;
    ArimaEstimate e = estimate_arima(rows_of(d.z, 0, 120), o, c, x);
    ASSERT_EQ(e.end, ArimaEnd::CONVERGED);
    expect_maximum(e);
    // polished coef(arima(diff(z)[1:119], order=c(0,0,1), xreg=diff(x1)[1:119],
    //                     include.mean=FALSE)): ma1, x1
    expect_all(e.result.record.coef, {-0.11594765172381127Q, 0.73492738646722033Q}, 1e-10Q, "coef");
    expect_all(e.result.record.stderrs, {0.07772985591679675Q, 0.03703903758341559Q}, 1e-5Q, "se");
    EXPECT_TRUE(agrees(e.result.record.llf, -175.60671329257181Q, 1e-13Q));
    EXPECT_TRUE(agrees(e.sigma2, 1.120060303610297Q, 1e-9Q));
    // z[120] + cumsum(predict(that fit, n.ahead=5, newxreg=diff(x1)[120:124])$pred)
    expect_all(e.forecast.value,
               {69.832307385002295Q, 72.441299606960925Q, 71.924351683319884Q, 68.884398041936876Q,
                70.265400093847433Q},
               1e-10Q, "forecast");
    // predict(arima(z[1:120], order=c(0,1,1), xreg=x1[1:120], fixed=th), n.ahead=5,
    //         newxreg=x1[121:125])$se: R's diffuse start (variance 1e6) is good to about 1e-6
    expect_all(e.forecast.se,
               {1.058329045031134Q, 1.4126011216068048Q, 1.6943504625587631Q, 1.9355115735074759Q,
                2.1497875737825067Q},
               1e-6Q, "forecast se");

    // DRIFT: the mean of the differenced series, R's include.mean=TRUE on diff(z)
    o.mean = true;
    c.horizon = 0;
    e = estimate_arima(rows_of(d.z, 0, 120), o, c, x);
    ASSERT_EQ(e.end, ArimaEnd::CONVERGED);
    expect_maximum(e);
    // ma1, intercept, x1
    expect_all(e.result.record.coef,
               {-0.35408936965527754Q, 0.38887944522715479Q, 0.73091223355950685Q}, 1e-10Q,
               "drift coef");
    expect_all(e.result.record.stderrs,
               {0.081959954043952524Q, 0.055542004743023572Q, 0.035806306172235562Q}, 1e-5Q,
               "drift se");
    EXPECT_TRUE(agrees(e.result.record.llf, -160.75567351194022Q, 1e-13Q));
    EXPECT_TRUE(agrees(e.sigma2, 0.87177248841828414Q, 1e-9Q));
}

} // namespace
} // namespace tarvex
