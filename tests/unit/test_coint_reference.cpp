// The unit-root and cointegration statistics of COINTEGR against R 4.2 (urca 1.3, tseries) and,
// for MacKinnon's p-values and critical values, statsmodels 0.13 (statsmodels.tsa.adfvalues:
// mackinnonp and mackinnoncrit, evaluated at R's statistics). Data: tests/data/coint/lynx.txt
// is R's datasets::lynx (annual lynx trappings 1821-1934); tests/data/coint/generated.txt holds
// columns rw ar x y w made by
//   set.seed(20261207); n <- 200; e1 <- round(rnorm(n), 4); e2 <- round(rnorm(n), 4)
//   e3 <- round(rnorm(n), 4); rw <- cumsum(e1); ar <- numeric(n); ar[1] <- e2[1]
//   for (t in 2:n) ar[t] <- 0.6*ar[t-1] + e2[t]; x <- rw; y <- round(1 + 0.5*x + ar, 4)
//   ar <- round(ar, 4); rw <- round(rw, 4); w <- round(cumsum(e3), 4)
// (a random walk, a stationary AR(1), a cointegrated pair x y, an independent random walk w).
#include "regress/coint/engle_granger.hpp"
#include "regress/coint/mackinnon.hpp"
#include "regress/coint/unit_root.hpp"
#include "regress/coint/unit_root_report.hpp"

#include "numeric/decimal.hpp"
#include "reference_support.hpp"

#include <fstream>
#include <gtest/gtest.h>
#include <sstream>

namespace tarvex::testing {
namespace {

// Column c of a whitespace-separated file under tests/data/coint/.
std::vector<Real> coint_column(const std::string& name, std::size_t c) {
    std::ifstream in(std::string(TARVEX_TEST_DATA) + "/coint/" + name);
    std::vector<Real> out;
    for (std::string line; std::getline(in, line);) {
        std::istringstream fields(line);
        std::string field;
        for (std::size_t k = 0; fields >> field; ++k) {
            Real v = 0;
            if (k == c && parse_real(field, v)) out.push_back(v);
        }
    }
    return out;
}

TEST(CointReference, DickeyFullerLagsFixedAndChosen) {
    const std::vector<Real> lynx = coint_column("lynx.txt", 0);
    ASSERT_EQ(lynx.size(), 114u);
    // ur.df(lynx, type="drift", lags=2): teststat, testreg$coefficients
    AdfFit f = augmented_dickey_fuller(lynx.data(), lynx.size(), Deterministic::CONSTANT, 2,
                                       LagSelection::FIXED);
    ASSERT_EQ(f.status, UnitRootStatus::ok);
    EXPECT_EQ(f.n, 111);
    EXPECT_TRUE(agrees(f.tau, -6.39831179758545Q));
    EXPECT_TRUE(agrees(f.coef[0], -0.467268077062910736Q));
    EXPECT_TRUE(agrees(f.se[0], 0.073029900987201857Q));
    EXPECT_TRUE(agrees(f.coef[1], 0.603299083873123587Q));
    EXPECT_TRUE(agrees(f.coef[2], 0.025911320785414704Q));
    EXPECT_TRUE(agrees(f.coef[3], 733.629864449464321297Q));
    EXPECT_TRUE(agrees(f.se[3], 140.700117655029089292Q));
    // statsmodels: mackinnonp(-6.39831179758545, "c"), mackinnoncrit(1, "c", 111)
    EXPECT_TRUE(agrees(mackinnon_pvalue(f.tau, Deterministic::CONSTANT, 1), 2.0247931729587066e-08Q,
                       1e-10Q));
    const std::array<Real, 3> c = mackinnon_critical_values(Deterministic::CONSTANT, 1, 111);
    EXPECT_TRUE(agrees(c[0], -3.490683082754047Q, 1e-13Q));
    EXPECT_TRUE(agrees(c[1], -2.8879516565798817Q, 1e-13Q));
    EXPECT_TRUE(agrees(c[2], -2.5808574442009578Q, 1e-13Q));

    // ur.df(lynx, type="trend", lags=8, selectlags="AIC"): 7 lags on 105 observations
    f = augmented_dickey_fuller(lynx.data(), lynx.size(), Deterministic::TREND, 8,
                                LagSelection::AIC);
    EXPECT_EQ(f.lag, 7);
    EXPECT_EQ(f.n, 105);
    EXPECT_TRUE(agrees(f.tau, -3.18388788324593Q));
    EXPECT_TRUE(agrees(mackinnon_pvalue(f.tau, Deterministic::TREND, 1), 0.08766031499998977Q));
    const std::array<Real, 3> ct = mackinnon_critical_values(Deterministic::TREND, 1, 105);
    EXPECT_TRUE(agrees(ct[1], -3.4531621209372636Q, 1e-13Q));
    // ur.df(lynx, type="none", lags=8, selectlags="BIC"): 7 lags
    f = augmented_dickey_fuller(lynx.data(), lynx.size(), Deterministic::NONE, 8,
                                LagSelection::BIC);
    EXPECT_EQ(f.lag, 7);
    EXPECT_TRUE(agrees(f.tau, -1.27672850867898Q));
    EXPECT_TRUE(agrees(mackinnon_pvalue(f.tau, Deterministic::NONE, 1), 0.18593798261109884Q));
    const std::array<Real, 3> cn = mackinnon_critical_values(Deterministic::NONE, 1, 105);
    EXPECT_TRUE(agrees(cn[0], -2.58736231292517Q, 1e-13Q));

    const std::vector<Real> rw = coint_column("generated.txt", 0);
    const std::vector<Real> ar = coint_column("generated.txt", 1);
    ASSERT_EQ(rw.size(), 200u);
    // ur.df(rw, type="trend", lags=3): tau3 and the standard error of z.lag.1
    f = augmented_dickey_fuller(rw.data(), rw.size(), Deterministic::TREND, 3, LagSelection::FIXED);
    EXPECT_TRUE(agrees(f.tau, -1.4371625874830374Q));
    EXPECT_TRUE(agrees(f.se[0], 0.01323499884848766Q));
    EXPECT_TRUE(agrees(mackinnon_pvalue(f.tau, Deterministic::TREND, 1), 0.849670874536608Q));
    // ur.df(ar, type="drift", lags=6, selectlags="AIC"): one lag (3 coefficients)
    f = augmented_dickey_fuller(ar.data(), ar.size(), Deterministic::CONSTANT, 6,
                                LagSelection::AIC);
    EXPECT_EQ(f.lag, 1);
    EXPECT_TRUE(agrees(f.tau, -7.3797372646202772Q));

    // A constant series, and too few observations for the lags.
    const std::vector<Real> flat(20, Real(3));
    EXPECT_EQ(augmented_dickey_fuller(flat.data(), flat.size(), Deterministic::CONSTANT, 2,
                                      LagSelection::FIXED)
                  .status,
              UnitRootStatus::constant);
    EXPECT_EQ(
        augmented_dickey_fuller(rw.data(), 6, Deterministic::TREND, 2, LagSelection::FIXED).status,
        UnitRootStatus::too_few);
}

TEST(CointReference, PhillipsPerronAndKpss) {
    const std::vector<Real> lynx = coint_column("lynx.txt", 0);
    // ur.pp(lynx, type="Z-tau" / "Z-alpha", model="constant", lags="short")
    PhillipsPerronFit p = phillips_perron(lynx.data(), lynx.size(), Deterministic::CONSTANT,
                                          default_bandwidth(113, false));
    EXPECT_EQ(p.bandwidth, 4);
    EXPECT_TRUE(agrees(p.z_tau, -4.58630726253406Q));
    EXPECT_TRUE(agrees(p.z_alpha, -38.1522429352327Q));
    // mackinnonp(-4.58630726253406, "c")
    EXPECT_TRUE(
        agrees(mackinnon_pvalue(p.z_tau, Deterministic::CONSTANT, 1), 0.00013688783195225828Q));
    // ur.pp(lynx, type="Z-tau" / "Z-alpha", model="trend", use.lag=6)
    p = phillips_perron(lynx.data(), lynx.size(), Deterministic::TREND, 6);
    EXPECT_TRUE(agrees(p.z_tau, -3.81540844018574Q));
    EXPECT_TRUE(agrees(p.z_alpha, -25.1700317050368Q));
    const std::vector<Real> ar = coint_column("generated.txt", 1);
    // ur.pp(ar, type="Z-tau", model="constant", lags="long")
    p = phillips_perron(ar.data(), ar.size(), Deterministic::CONSTANT,
                        default_bandwidth(199, true));
    EXPECT_TRUE(agrees(p.z_tau, -7.7587364634119993Q));

    // ur.kpss(lynx, type="mu", lags="short"), ur.kpss(lynx, type="tau", lags="long")
    KpssFit k = kpss_statistic(lynx.data(), lynx.size(), Deterministic::CONSTANT,
                               default_bandwidth(114, false));
    EXPECT_TRUE(agrees(k.eta, 0.070146706723107Q));
    k = kpss_statistic(lynx.data(), lynx.size(), Deterministic::TREND,
                       default_bandwidth(114, true));
    EXPECT_EQ(k.bandwidth, 12);
    EXPECT_TRUE(agrees(k.eta, 0.0569605288460592Q));
    // tseries::kpss.test(w[1:m]): statistic and its interpolated p-value, inside the table
    // (m = 20, 60, 80) and beyond it (m = 40: 0.1)
    const std::vector<Real> w = coint_column("generated.txt", 4);
    const struct {
        int m, lag;
        Real eta, p;
    } cases[] = {{20, 2, 0.58622300363310154Q, 0.023888817851536223Q},
                 {60, 3, 0.56724643336885405Q, 0.026521073565573403Q},
                 {80, 3, 0.40842590901833925Q, 0.073523315078302051Q},
                 {40, 3, 0.27529929456338936Q, 0.1Q}};
    for (const auto& c : cases) {
        k = kpss_statistic(w.data(), std::size_t(c.m), Deterministic::CONSTANT,
                           default_bandwidth(c.m, false));
        EXPECT_EQ(k.bandwidth, c.lag) << c.m;
        EXPECT_TRUE(agrees(k.eta, c.eta)) << c.m;
        EXPECT_TRUE(agrees(kpss_pvalue(k.eta, Deterministic::CONSTANT), c.p)) << c.m;
    }
    // kpss.test(rw, null="Level"): 1.0547726058648921, beyond the 1% point
    const std::vector<Real> rw = coint_column("generated.txt", 0);
    k = kpss_statistic(rw.data(), rw.size(), Deterministic::CONSTANT,
                       default_bandwidth(200, false));
    EXPECT_TRUE(agrees(k.eta, 1.0547726058648921Q));
    EXPECT_TRUE(agrees(kpss_pvalue(k.eta, Deterministic::CONSTANT), 0.01Q));
}

TEST(CointReference, EngleGranger) {
    const std::vector<Real> x = coint_column("generated.txt", 2);
    const std::vector<Real> y = coint_column("generated.txt", 3);
    // m <- lm(y ~ x); coef(summary(m)); ur.df(residuals(m), type="none", lags=1)
    const CointRegression r = cointegrating_regression(y, {x, {}});
    ASSERT_TRUE(r.ok);
    const EstimationResults& s = r.result.record;
    EXPECT_TRUE(agrees(s.coef[0], 0.528292691130104Q));
    EXPECT_TRUE(agrees(s.stderrs[0], 0.0146026338754697Q));
    EXPECT_TRUE(agrees(s.coef[1], 1.093811938896886Q));
    EXPECT_TRUE(agrees(s.stderrs[1], 0.0853483519455115Q));
    const AdfFit f = augmented_dickey_fuller(s.residuals.data(), s.residuals.size(),
                                             Deterministic::NONE, 1, LagSelection::FIXED);
    EXPECT_TRUE(agrees(f.tau, -7.49733254431333Q));
    // mackinnonp(-7.49733254431333, "c", N=2), mackinnoncrit(2, "c", 198)
    EXPECT_TRUE(agrees(mackinnon_pvalue(f.tau, Deterministic::CONSTANT, 2), 5.368083795849033e-10Q,
                       1e-10Q));
    const std::array<Real, 3> c = mackinnon_critical_values(Deterministic::CONSTANT, 2, 198);
    EXPECT_TRUE(agrees(c[1], -3.367163129272523Q, 1e-13Q));
    EXPECT_FALSE(mackinnon_covers(Deterministic::NONE, 2));
    EXPECT_FALSE(mackinnon_covers(Deterministic::CONSTANT, 7));
}

} // namespace
} // namespace tarvex::testing
