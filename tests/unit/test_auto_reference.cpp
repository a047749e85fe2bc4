// AUTO's estimator against independent references on the 60 rows of tests/data/auto/ar60.txt
// (Y X Z), made in R 4.2 by
//   set.seed(42); n <- 60; x <- round(rnorm(n, 5, 2), 4); z <- round(runif(n), 4)
//   u <- as.numeric(arima.sim(list(ar=0.6), n, sd=1)); y <- round(1 + 2*x - 0.5*z + u, 4)
// Exact maximum likelihood, AR(1): the concentrated likelihood maximised in python3-mpmath at 50
// digits (the score's root by findroot on mp.diff of -n/2 (log 2 pi + 1 + log(SSE(rho)/n)) +
// log(1 - rho^2)/2, SSE from the Prais-Winsten rows). AR(1) and AR(2) against R's
//   arima(y, order=c(p,0,0), xreg=cbind(x,z), method="ML", transform.pars=FALSE,
//         optim.control=list(reltol=1e-15, maxit=1000))
// whose optimiser and numerical Hessian are good to about 7 and 5 digits. Cochrane-Orcutt and
// Prais-Winsten against the iteration written out in R (lm.fit on the transformed rows, rho =
// sum(u[-1]*u[-n])/sum(u[-n]^2) until it changes by less than 1e-15, then summary(lm) of the
// last transformed regression).
#include "regress/auto/auto_estimate.hpp"

#include "ols_engine.hpp"
#include "reference_support.hpp"

#include <gtest/gtest.h>

namespace tarvex::testing {
namespace {

struct ArSample {
    std::vector<Real> y, x, z;
    AutoData data() const {
        AutoData d;
        d.x = {x.data(), z.data(), nullptr};
        d.y = y.data();
        d.n = y.size();
        return d;
    }
};

ArSample read_ar60() {
    const std::vector<std::vector<Real>> c = read_table("auto/ar60.txt");
    ArSample s;
    if (c.size() == 3) s.y = c[0], s.x = c[1], s.z = c[2];
    return s;
}

AutoEstimate fit(const ArSample& s, AutoMethod method, int order) {
    AutoControl c;
    c.method = method;
    c.order = order;
    return estimate_auto(s.data(), c);
}

TEST(AutoReference, ExactMaximumLikelihood) {
    const ArSample s = read_ar60();
    ASSERT_EQ(s.y.size(), 60u);
    const AutoEstimate ar1 = fit(s, AutoMethod::ML, 1);
    ASSERT_EQ(ar1.end, AutoEnd::CONVERGED);
    // mpmath, 50 digits.
    EXPECT_TRUE(agrees(ar1.rho[0], 0.54799877197530927252783255119751676Q, 1e-24Q));
    EXPECT_TRUE(agrees(ar1.result.record.coef[0], 2.0821997621944061197558695350379981Q, 1e-25Q));
    EXPECT_TRUE(agrees(ar1.result.record.coef[1], -0.30953618921416173368158023439490069Q, 1e-24Q));
    EXPECT_TRUE(agrees(ar1.result.record.coef[2], 0.031248737601476682478500443620067921Q, 1e-23Q));
    EXPECT_TRUE(agrees(ar1.result.record.llf, -75.196638845311790689407584371494886Q, 1e-30Q));
    EXPECT_TRUE(agrees(ar1.sigma2, 0.71371309277952134495367608821289981Q, 1e-25Q));
    // R's arima: sqrt(diag(f$var.coef)) (ar1, intercept, x, z), its numerical Hessian.
    EXPECT_TRUE(agrees(ar1.result.record.stderrs[3], 0.1119756913443Q, 1e-5Q));
    EXPECT_TRUE(agrees(ar1.result.record.stderrs[2], 0.3709396507365Q, 1e-5Q));
    EXPECT_TRUE(agrees(ar1.result.record.stderrs[0], 0.0426970679978Q, 1e-5Q));
    EXPECT_TRUE(agrees(ar1.result.record.stderrs[1], 0.3706451631357Q, 1e-5Q));

    const AutoEstimate ar2 = fit(s, AutoMethod::ML, 2);
    ASSERT_EQ(ar2.end, AutoEnd::CONVERGED);
    // f2$coef, f2$loglik, sqrt(diag(f2$var.coef)).
    EXPECT_TRUE(agrees(ar2.rho[0], 0.5336041771322212Q, 1e-6Q));
    EXPECT_TRUE(agrees(ar2.rho[1], 0.0273690211624941Q, 1e-5Q));
    EXPECT_TRUE(agrees(ar2.result.record.coef[0], 2.0820718600159935Q, 1e-8Q));
    EXPECT_TRUE(agrees(ar2.result.record.coef[1], -0.3094731732057496Q, 1e-6Q));
    EXPECT_TRUE(agrees(ar2.result.record.llf, -75.175172965393Q, 1e-12Q));
    EXPECT_TRUE(agrees(ar2.result.record.stderrs[3], 0.1316725137816Q, 1e-5Q));
    EXPECT_TRUE(agrees(ar2.result.record.stderrs[4], 0.1320613006086Q, 1e-5Q));
    EXPECT_TRUE(agrees(ar2.result.record.stderrs[0], 0.0428987905422Q, 1e-5Q));
}

TEST(AutoReference, CochraneOrcuttAndPraisWinstenIterations) {
    const ArSample s = read_ar60();
    struct Want {
        AutoMethod method;
        Real rho, b[3], se[3], sse;
    };
    const Want wants[] = {
        {AutoMethod::CORC,
         0.512077637224664Q,
         {2.06961450074229Q, -0.25689067735075Q, -0.0530731345810304Q},
         {0.0433052868934813Q, 0.372856928357454Q, 0.361877551277471Q},
         39.3440363651807Q},
        {AutoMethod::PW,
         0.515722770152471Q,
         {2.0819929106838Q, -0.316689786668057Q, 0.0312099829024291Q},
         {0.0444093681776591Q, 0.384476016031922Q, 0.373379142254534Q},
         42.9161895763088Q},
    };
    for (const Want& w : wants) {
        const AutoEstimate e = fit(s, w.method, 1);
        ASSERT_EQ(e.end, AutoEnd::CONVERGED);
        EXPECT_TRUE(agrees(e.rho[0], w.rho, 1e-12Q));
        for (int j = 0; j < 3; ++j) {
            EXPECT_TRUE(agrees(e.result.record.coef[std::size_t(j)], w.b[j], 1e-12Q)) << j;
            EXPECT_TRUE(agrees(e.result.record.stderrs[std::size_t(j)], w.se[j], 1e-12Q)) << j;
        }
        EXPECT_TRUE(agrees(e.result.record.sse, w.sse, 1e-12Q));
    }
    // The one-step predictions add rho times the previous regression residual u = y - x'b; the
    // stored residuals are their errors.
    const AutoEstimate pw = fit(s, AutoMethod::PW, 1);
    const std::vector<Real>& b = pw.result.record.coef;
    const auto xb = [&](std::size_t t) { return b[0] * s.x[t] + b[1] * s.z[t] + b[2]; };
    for (std::size_t t = 1; t < 60; ++t) {
        const Real predicted = xb(t) + pw.rho[0] * (s.y[t - 1] - xb(t - 1));
        ASSERT_TRUE(agrees(pw.result.record.predicted[t], predicted, 1e-30Q)) << t;
        ASSERT_EQ(pw.result.record.residuals[t], s.y[t] - pw.result.record.predicted[t]) << t;
    }
}

TEST(AutoReference, ErrorsThatCannotBeStationaryAreRefused) {
    // Residuals that grow by 10% a period about a straight line: Cochrane-Orcutt's rho, the
    // ratio of their lagged products, is above 1.
    ArSample s;
    Real growth = 1;
    for (int t = 0; t < 40; ++t) {
        growth *= Real(1.1Q);
        s.y.push_back(growth + Real((t * 37) % 11) / 50);
        s.x.push_back(Real(t));
        s.z.push_back(Real((t * 31) % 7));
    }
    const AutoEstimate e = fit(s, AutoMethod::CORC, 1);
    EXPECT_EQ(e.end, AutoEnd::NONSTATIONARY);
    EXPECT_GE(fabsq(e.rho[0]), 1);
}

} // namespace
} // namespace tarvex::testing
