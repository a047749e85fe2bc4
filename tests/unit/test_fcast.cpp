// Tests of FCAST against hand-worked values: forecasts and standard errors of a four-point
// regression (x'(X'X)**-1 x rational), the accuracy statistics and both decompositions of the
// mean square error for small series, a dynamic forecast by hand recursion, the log-linear
// back-transformation, the stored variables and $N, and the heteroskedasticity test. Typed
// coefficients, the refusals with their $ERR numbers, DIAGNOSE's options, the model MAX prints,
// the plot data file and IMLS's trend are pinned by the fcast/hand_checks golden; the other
// refusals by fcast/errors.
#include "kernels/fcast_accuracy.hpp"
#include "numeric/fortran_format.hpp"
#include "ols_engine.hpp"
#include "reference_support.hpp"
#include "regress/fcast/fcast_error_sums.hpp"
#include "regress/fcast/fcast_forecast.hpp"
#include "regress/fcast/fcast_model.hpp"
#include "regress/fcast/fcast_options.hpp"
#include "regress/fit/ols_fit.hpp"
#include "regress/ols/ols_residual_stats.hpp"
#include "workspace/workspace.hpp"

#include <gtest/gtest.h>

namespace tarvex {
namespace {

using Lines = std::vector<std::string>;
using testing::has_line;
using testing::OlsEngine;

const Real XMISS = -99999;

Real rel_error(Real got, Real want) {
    return want == 0 ? fabsq(got) : fabsq((got - want) / want);
}

// The number printed after `label` on the first line that begins with it (NaN when none).
Real printed(const Lines& lines, const std::string& label) {
    for (const std::string& l : lines)
        if (l.rfind(label, 0) == 0) {
            Real v = 0;
            if (parse_real_field(l.substr(label.size()), v)) return v;
        }
    return nanq("");
}

// y = 1 3 2 5 on x = 0 1 2 3 (observations 1-4); x goes on to 4 and 5 with y unknown.
// By hand: X'X = [14 6; 6 4], (X'X)**-1 = [4 -6; -6 14]/20, b = 1.1 and 1.1, fitted values
// 1.1 2.2 3.3 4.4, residuals -0.1 0.8 -1.3 0.6, SSE = 2.7, sigma**2 = 2.7/2 = 1.35.
struct FourPoints : OlsEngine {
    FourPoints() {
        data("Y", {1, 3, 2, 5, XMISS, XMISS});
        data("X", {0, 1, 2, 3, 4, 5});
        sample(1, 4);
    }
};

TEST(Fcast, HeteroskedasticityTestOfTheErrors) {
    // LM regresses the squared errors 0.01 0.64 1.69 0.36 on x = 0 1 2 3 and a constant:
    // Sxy = 1.05, Sxx = 5, SST = 1.5729, so the statistic n R^2 = 4 * 1.05^2 / (5 * 1.5729) =
    // 0.56075 on 1 degree of freedom, p = erfc(sqrt(0.56075 / 2)) = 0.454.
    FourPoints e;
    e.statement("OLS Y X", true);
    const Lines out = e.statement("FCAST / BEG=1 END=6 LM");
    EXPECT_TRUE(has_line(out, " HALL-PAGAN ASYMPTOTIC LM HETEROSKEDASTICITY TEST"));
    EXPECT_TRUE(
        has_line(out, " CHI-SQUARE =    0.5607 WITH  1 DEGREES OF FREEDOM, P-VALUE= 0.454"));
}

// The report of this forecast (accuracy statistics over 1-4, both decompositions, the forecast
// RMSE) and $N are pinned by the fcast/listing golden; here the stored values to the last bits.
TEST(Fcast, ForecastsAndStandardErrorsInsideAndBeyondTheEstimation) {
    FourPoints e;
    e.statement("OLS Y X", true);
    e.statement("FCAST / BEG=1 END=6 PREDICT=P RESID=R FCSE=S");
    const Real fitted[6] = {1.1Q, 2.2Q, 3.3Q, 4.4Q, 5.5Q, 6.6Q};
    // x'(X'X)**-1 x = (4x**2 - 12x + 14)/20 for x = 0 .. 5.
    const Real h[6] = {Real(14) / 20, Real(6) / 20,  Real(6) / 20,
                       Real(14) / 20, Real(30) / 20, Real(54) / 20};
    const Real resid[4] = {-0.1Q, 0.8Q, -1.3Q, 0.6Q};
    for (int t = 1; t <= 6; ++t) {
        EXPECT_LT(rel_error(e.value("P", t), fitted[t - 1]), 1e-30Q) << t;
        EXPECT_LT(rel_error(e.value("S", t), sqrtq(1.35Q * (1 + h[t - 1]))), 1e-30Q) << t;
        if (t <= 4)
            EXPECT_LT(rel_error(e.value("R", t), resid[t - 1]), 1e-30Q) << t;
        else
            EXPECT_EQ(e.value("R", t), XMISS) << t;
    }
    // The stored estimation is untouched: a second FCAST over 1-4 gives the OLS fitted values and
    // a mean error of zero.
    const Lines again = e.statement("FCAST / PREDICT=P2");
    EXPECT_EQ(e.run.res[R_N], 4);
    for (int t = 1; t <= 4; ++t) EXPECT_LT(rel_error(e.value("P2", t), fitted[t - 1]), 1e-30Q);
    EXPECT_LT(fabsq(printed(again, " MEAN ERROR =")), 1e-30Q);
}

TEST(Fcast, LongForecastsGiveEveryRowItsOwnValues) {
    // The four-point fit forecast over 70,000 observations, long enough for the rows to be
    // shared between two threads: every row must still hold the prediction 1.1 + 1.1 x and the
    // standard error sqrt(1.35 (1 + (4x**2 - 12x + 14)/20)) of its own x = t - 1.
    const long long n = 70000;
    std::vector<Real> y(n, XMISS), x(n);
    const Real four[4] = {1, 3, 2, 5};
    for (long long t = 0; t < n; ++t) x[t] = Real(t);
    for (int t = 0; t < 4; ++t) y[t] = four[t];
    OlsEngine e(1000000);
    e.data("Y", y);
    e.data("X", x);
    e.sample(1, 4);
    e.statement("OLS Y X", true);
    e.statement("FCAST / BEG=1 END=70000 PREDICT=P FCSE=S", true);
    EXPECT_EQ(e.run.res[R_N], n);
    int wrong = 0;
    for (long long t = 1; t <= n && wrong < 5; ++t) {
        const Real xv = Real(t - 1);
        const Real se = sqrtq(1.35Q * (1 + (4 * xv * xv - 12 * xv + 14) / 20));
        if (rel_error(e.value("P", t), 1.1Q + 1.1Q * xv) > 1e-29Q ||
            rel_error(e.value("S", t), se) > 1e-29Q) {
            ADD_FAILURE() << "observation " << t;
            ++wrong;
        }
    }
}

TEST(Fcast, ErrorStatisticsFromTheRowsAcrossTheThreadJoin) {
    // 140,001 rows, shared between two threads: every 5th has no y and every 13th no prediction,
    // so the errors in order skip rows, also where the halves meet. Errors are small integers
    // (y = p + e exactly), so the sums have exact integer references counted here.
    const int n = 140001;
    Forecast f;
    f.has_se = true;
    f.rows.resize(n);
    long long ss = 0, sum = 0, abs_sum = 0, lag = 0, diff = 0, count = 0, defined = 0;
    long long runs = 0, pos = 0, neg = 0, zero = 0, previous = 0, se_squares = 0;
    int last_sign = 0;
    OlsFit fit; // the errors in order, as the statistics of a fit take them
    for (int i = 0; i < n; ++i) {
        FcastRow& r = f.rows[std::size_t(i)];
        r.obs = i + 1;
        r.known = i % 5 != 2;
        r.defined = i % 13 != 6;
        const long long e = (i * 7919LL) % 7 - 3 + (i / 40000 == 1 ? 1 : 0);
        r.predicted = Real(i % 11);
        r.observed = r.predicted + Real(e);
        r.error = Real(e);
        r.se = Real(i % 3);
        if (!r.defined) continue;
        ++defined;
        se_squares += (i % 3) * (i % 3);
        if (!r.known) continue;
        if (count > 0) lag += e * previous, diff += (e - previous) * (e - previous);
        previous = e;
        ++count, ss += e * e, sum += e, abs_sum += e < 0 ? -e : e;
        const int sign = e > 0 ? 1 : e < 0 ? -1 : 0;
        pos += sign > 0, neg += sign < 0, zero += sign == 0;
        if (sign != 0 && sign != last_sign) ++runs;
        if (sign != 0) last_sign = sign;
        fit.y.push_back(r.observed), fit.fitted.push_back(r.predicted),
            fit.resid.push_back(r.error);
    }
    const auto sums = forecast_error_sums(f);
    EXPECT_EQ(sums->accuracy.rows(), count);
    EXPECT_EQ(sums->defined, defined);
    EXPECT_TRUE(testing::bits_equal(sums->se_squares.result(), Real(se_squares)));
    const ResidualStats s = forecast_error_stats(f, *sums);
    EXPECT_TRUE(testing::bits_equal(s.dw, Real(diff) / Real(ss)));
    EXPECT_TRUE(testing::bits_equal(s.rho, Real(lag) / Real(ss)));
    EXPECT_TRUE(testing::bits_equal(s.sum, Real(sum)));
    EXPECT_TRUE(testing::bits_equal(s.abs_sum, Real(abs_sum)));
    EXPECT_TRUE(testing::bits_equal(s.variance, Real(ss) / Real(count)));
    EXPECT_EQ(s.runs, runs);
    EXPECT_EQ(s.pos, pos);
    EXPECT_EQ(s.neg, neg);
    EXPECT_EQ(s.zero, zero);
    // Every statistic has the bits of the same statistics of the errors copied into a fit.
    fit.n = int(count);
    fit.df = Real(count);
    fit.sse = Real(ss);
    const ResidualStats copied = residual_stats(fit, false);
    const std::vector<std::pair<Real, Real>> pairs = {
        {s.r2op, copied.r2op},     {s.von_neumann, copied.von_neumann},
        {s.runs_z, copied.runs_z}, {s.skew, copied.skew},
        {s.kurt, copied.kurt},     {s.jb, copied.jb},
        {s.dw, copied.dw},         {s.rho, copied.rho}};
    for (const auto& [got, want] : pairs)
        EXPECT_TRUE(testing::bits_equal(got, want)) << double(got) << " " << double(want);
}

TEST(Fcast, AccuracyStatisticsAgainstHandValues) {
    // y = 2 4 6, p = 1 4 8: e = 1 0 -2.
    const FcastAccuracy a = forecast_accuracy({2, 4, 6}, {1, 4, 8});
    EXPECT_EQ(a.n, 3);
    EXPECT_LT(rel_error(a.mean_error, Real(-1) / 3), 1e-32Q);
    EXPECT_LT(rel_error(a.sse, 5), 1e-32Q);
    EXPECT_LT(rel_error(a.mse, Real(5) / 3), 1e-32Q);
    EXPECT_LT(rel_error(a.mae, 1), 1e-32Q);
    EXPECT_LT(rel_error(a.rmse, sqrtq(Real(5) / 3)), 1e-32Q);
    EXPECT_LT(rel_error(a.mspe, Real(1300) / 108), 1e-32Q);
    EXPECT_LT(rel_error(a.theil_u, sqrtq(Real(5)) / (sqrtq(Real(56)) + 9)), 1e-32Q);
    EXPECT_LT(rel_error(a.bias, Real(1) / 15), 1e-32Q);
    EXPECT_LT(rel_error(a.bias_second, Real(1) / 15), 1e-32Q);
    EXPECT_LT(rel_error(a.variance, (98 - 2 * sqrtq(Real(1776))) / 15), 1e-30Q);
    EXPECT_LT(rel_error(a.covariance, (2 * sqrtq(Real(1776)) - 84) / 15), 1e-30Q);
    EXPECT_LT(rel_error(a.regression, Real(512) / 555), 1e-30Q);
    EXPECT_LT(rel_error(a.disturbance, Real(2) / 185), 1e-29Q);

    // A zero observation is left out of the percentage error only; a perfect forecast has
    // U = 0 and no decomposition.
    const FcastAccuracy z = forecast_accuracy({0, 2}, {1, 1});
    EXPECT_LT(rel_error(z.mspe, 25), 1e-32Q);
    EXPECT_LT(rel_error(z.mse, 1), 1e-32Q);
    const FcastAccuracy perfect = forecast_accuracy({1, 2, 3}, {1, 2, 3});
    EXPECT_EQ(perfect.theil_u, 0);
    EXPECT_EQ(perfect.bias + perfect.variance + perfect.covariance, 0);
    EXPECT_EQ(forecast_accuracy({}, {}).n, 0);
}

// The listed forecasts of this model are in the fcast/dynamic golden; here the stored values to
// the bit.
TEST(Fcast, DynamicForecastFollowsTheHandRecursion) {
    OlsEngine e;
    e.data("Y", {4, 8, 9, 15, 20});
    e.data("X", {1, 2, 3, 4, 5});
    e.data("B", {0.5Q, 2, 1}); // y(t) = 0.5 y(t-1) + 2 x(t) + 1
    e.sample(1, 5);
    e.statement("FCAST Y Y(1.1) X / COEF=B DYNAMIC PREDICT=D NORSTAT");
    // y2 = 0.5*4 + 4 + 1 = 7, y3 = 3.5 + 7 = 10.5, y4 = 5.25 + 9 = 14.25, y5 = 7.125 + 11.
    const Real want[4] = {7, 10.5Q, 14.25Q, 18.125Q};
    for (int t = 2; t <= 5; ++t) EXPECT_EQ(e.value("D", t), want[t - 2]) << t;
    EXPECT_EQ(e.value("D", 1), XMISS); // before the range
    // Static: each prediction uses the observed lag.
    e.statement("FCAST Y Y(1.1) X / COEF=B PREDICT=S NORSTAT", true);
    const Real statics[4] = {7, 11, 13.5Q, 18.5Q};
    for (int t = 2; t <= 5; ++t) EXPECT_EQ(e.value("S", t), statics[t - 2]) << t;
    // ESTEND=3: observed lags through observation 3, forecasts after it.
    e.statement("FCAST Y Y(1.1) X / COEF=B DYNAMIC ESTEND=3 PREDICT=E NORSTAT", true);
    EXPECT_EQ(e.value("E", 4), 0.5Q * 9 + 9);
    EXPECT_EQ(e.value("E", 5), 0.5Q * (0.5Q * 9 + 9) + 11);
}

TEST(Fcast, DynamicStandardErrorsAddTheLaggedErrorVariance) {
    OlsEngine e;
    e.data("Y", {1, 3, 4, 6, 5, 8, 9, XMISS, XMISS});
    e.sample(1, 7);
    e.statement("OLS Y Y(1.1) / COEF=B COVARIAN=V", true);
    e.statement("FCAST / DYNAMIC BEG=8 END=9 PREDICT=P FCSE=S NORSTAT");
    const Real phi = e.value("B", 1), c = e.value("B", 2), s2 = e.run.res[R_SIG2];
    const Real p8 = c + phi * 9, p9 = c + phi * p8;
    EXPECT_LT(rel_error(e.value("P", 8), p8), 1e-30Q);
    EXPECT_LT(rel_error(e.value("P", 9), p9), 1e-30Q);
    auto quad = [&](Real lag) {
        return lag * lag * e.value("V", 1) + 2 * lag * e.value("V", 2) + e.value("V", 4);
    };
    // One step ahead: the usual formula; two steps: the error of step one, carried by phi.
    EXPECT_LT(rel_error(e.value("S", 8), sqrtq(s2 + quad(9))), 1e-30Q);
    EXPECT_LT(rel_error(e.value("S", 9), sqrtq(s2 * (1 + phi * phi) + quad(p8))), 1e-30Q);
}

TEST(Fcast, LogLinearForecastsAreTransformedBack) {
    OlsEngine e;
    // y = 2 x**3 exactly, so the log-log fit is perfect; x = 3 gives 54, x = -1 cannot be logged.
    e.data("Y", {2, 16, 128, XMISS, XMISS});
    e.data("X", {1, 2, 4, 3, -1});
    e.sample(1, 3);
    e.statement("OLS Y X / LOGLOG", true);
    e.statement("FCAST / BEG=1 END=5 PREDICT=P");
    EXPECT_LT(rel_error(e.value("P", 4), 54), 1e-30Q);
    EXPECT_LT(rel_error(e.value("P", 3), 128), 1e-30Q);
    EXPECT_EQ(e.value("P", 5), XMISS);
    EXPECT_EQ(e.run.res[R_N], 5);
}

// The forecast alone, without the statement: the observation whose regressor is missing has no
// prediction and an error note, and the others go on; nothing is written until the report.
TEST(Fcast, MissingRegressorLeavesThePredictionUndefined) {
    FourPoints e;
    e.elem(VFIND(e.run, "X"), 5) = XMISS;
    e.statement("OLS Y X", true);
    e.run.scan.NF = 0; // FCAST / options: the equation of the last estimation
    set_fcast_defaults(e.run, false, e.run.last_estimation.command);
    const FcastOptions o = read_fcast_options(e.run);
    FcastModel model;
    ASSERT_TRUE(build_fcast_model(e.run, o, model));
    FcastSettings settings;
    settings.obs = {4, 5, 6};
    const FcastResult r = compute_forecast(e.run, model, o, settings);
    EXPECT_TRUE(e.lines().empty());
    ASSERT_EQ(r.forecast.rows.size(), 3u);
    EXPECT_FALSE(r.forecast.rows[1].defined);
    EXPECT_LT(rel_error(r.forecast.rows[2].predicted, 6.6Q), 1e-30Q);
    const ReportNote* undefined =
        r.notes.find(NoteKind::ERROR, "PREDICTED VALUE UNDEFINED FOR OBS. NO.    5");
    ASSERT_NE(undefined, nullptr);
    // Observation 4 alone has y: its error is 5 - 4.4.
    ASSERT_TRUE(r.has_accuracy);
    EXPECT_EQ(r.accuracy.n, 1);
    EXPECT_LT(rel_error(r.accuracy.mean_error, 0.6Q), 1e-30Q);
    // Through the statement the prediction is stored as missing (the note's line is pinned by
    // the fcast/undefined golden).
    e.statement("FCAST / END=6 PREDICT=P NORSTAT");
    EXPECT_EQ(e.value("P", 5), XMISS);
    EXPECT_FALSE(e.run.flags.ODONT); // the command goes on
}

} // namespace
} // namespace tarvex
