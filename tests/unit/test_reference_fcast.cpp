// FCAST forecasts and their standard errors against an independent statistics package (R 4.2),
// inside the estimation sample and beyond it. The standard error of a forecast is
// sqrt(se.fit**2 + sigma**2), se.fit being R's standard error of the fitted mean. Each value
// is printed by R to 17 significant digits; the comparison asks for 11.
//
// R session used for every value below:
//   d <- data.frame(x1 = c(3,5,2,8,7,4,9,6,10,1,12,11),
//                   x2 = c(1.5,2.0,0.5,3.5,2.5,1.0,4.0,3.0,2.0,0.0,5.5,4.5),
//                   y  = c(10.2,14.1,7.9,19.8,18.3,11.0,22.7,15.4,23.9,5.1,29.8,25.6))
//   fit <- lm(y ~ x1 + x2, data = d)
//   nd <- data.frame(x1 = c(3, 8, 13, 15), x2 = c(1.5, 3.5, 6.0, 3.0))  # obs 1, 4, 13, 14
//   pr <- predict(fit, nd, se.fit = TRUE)
#include "ols_engine.hpp"

#include "reference_support.hpp"

#include <gtest/gtest.h>

namespace tarvex {
namespace {

using testing::OlsEngine;

const Real XMISS = -99999;

using testing::agrees;

TEST(ReferenceFcast, PredictionStandardErrorsInAndBeyondTheSample) {
    OlsEngine e;
    e.data("Y", {10.2Q, 14.1Q, 7.9Q, 19.8Q, 18.3Q, 11.0Q, 22.7Q, 15.4Q, 23.9Q, 5.1Q, 29.8Q, 25.6Q,
                 XMISS, XMISS});
    e.data("X1", {3, 5, 2, 8, 7, 4, 9, 6, 10, 1, 12, 11, 13, 15});
    e.data("X2",
           {1.5Q, 2.0Q, 0.5Q, 3.5Q, 2.5Q, 1.0Q, 4.0Q, 3.0Q, 2.0Q, 0.0Q, 5.5Q, 4.5Q, 6.0Q, 3.0Q});
    e.sample(1, 12);
    e.statement("OLS Y X1 X2", true);
    e.statement("FCAST / BEG=1 END=14 PREDICT=P FCSE=S", true);
    const int obs[4] = {1, 4, 13, 14};
    // pr$fit
    const Real forecast[4] = {9.7296347031963446Q, 20.286225266362248Q, 31.012709284627086Q,
                              33.944155251141552Q};
    // sqrt(pr$se.fit^2 + pr$residual.scale^2)
    const Real se[4] = {0.6985003238009122Q, 0.6744455275281076Q, 0.77637238514228868Q,
                        1.1371432010543863Q};
    for (int i = 0; i < 4; ++i) {
        EXPECT_TRUE(agrees(e.value("P", obs[i]), forecast[i])) << "observation " << obs[i];
        EXPECT_TRUE(agrees(e.value("S", obs[i]), se[i])) << "observation " << obs[i];
    }
}

} // namespace
} // namespace tarvex
