// Two-stage least squares against R's AER::ivreg on two data sets under tests/data/iv:
//   cigarettes.txt: AER's CigarettesSW, year 1995 (48 states), columns log(packs),
//     log(price/cpi), log(income/population/cpi), (taxs - tax)/cpi, tax/cpi, each rounded to 10
//     significant digits (signif(., 10)) and the references computed from the rounded values;
//   generated.txt: 2000 rows from set.seed(20261207) (y x1 x2 w1 w2 w3 z1..z5, rounded to 6
//     decimals), x1 and x2 endogenous, w exogenous, z excluded instruments.
// R: fm <- ivreg(lpacks ~ lrprice + lrincome | lrincome + tdiff + taxcpi), and
//   fm <- ivreg(y ~ x1 + x2 + w1 + w2 + w3 | w1 + w2 + w3 + z1 + z2 + z3 + z4 + z5);
//   s <- summary(fm, diagnostics = TRUE): coef(fm), sqrt(diag(vcov(fm))), fm$sigma^2,
//   s$r.squared, s$diagnostics (weak instruments, Wu-Hausman, Sargan);
//   sqrt(diag(vcovHC(fm, type = "HC0"))), sqrt(diag(NeweyWest(fm, lag = 2, prewhite = FALSE,
//   adjust = FALSE))); Hansen's J by matrix algebra: S <- crossprod(Z * u) (plus, for lag 2,
//   w_j (G_j + t(G_j)), G_j <- t(Z[-(1:j),] * u[-(1:j)]) %*% (Z[1:(n-j),] * u[1:(n-j)]),
//   w_j = 1 - j/3), W <- solve(S), A <- t(Z) %*% X, c <- t(Z) %*% y,
//   b <- solve(t(A) %*% W %*% A, t(A) %*% W %*% c), g <- c - A %*% b, J = t(g) %*% W %*% g.
// All printed with digits = 17; R lists the constant first, the engine last.
#include "regress/iv/iv_estimate.hpp"

#include "ols_engine.hpp"
#include "reference_support.hpp"

#include <fstream>
#include <sstream>

namespace tarvex {
namespace {

using testing::agrees;

// y is column 0; the constant is the last column of `data.columns`.
IvData iv_data(const std::vector<std::vector<Real>>& c, std::vector<int> regressors,
               std::vector<int> instruments) {
    IvData d;
    d.n = c[0].size();
    d.y = c[0].data();
    for (const std::vector<Real>& col : c) d.columns.push_back(col.data());
    d.columns.push_back(nullptr);
    d.regressors = std::move(regressors);
    d.instruments = std::move(instruments);
    return d;
}

// The reference lists (R order: constant first) against the engine's (constant last).
void expect_constant_last(const std::vector<Real>& got, const std::vector<Real>& r) {
    ASSERT_EQ(got.size(), r.size());
    EXPECT_TRUE(agrees(got.back(), r[0]));
    for (std::size_t j = 1; j < r.size(); ++j) EXPECT_TRUE(agrees(got[j - 1], r[j])) << j;
}

TEST(IvReference, CigarettesMatchIvregWithDiagnostics) {
    const auto c = testing::read_table("iv/cigarettes.txt");
    ASSERT_EQ(c.size(), 5u);
    ASSERT_EQ(c[0].size(), 48u);
    const IvData d = iv_data(c, {1, 2, 5}, {2, 3, 4, 5});
    const IvEstimate e = estimate_iv(d, IvControl{});
    ASSERT_EQ(e.end, IvEnd::OK);
    ASSERT_EQ(e.endogenous, std::vector<int>{0});
    expect_constant_last(e.result.record.coef,
                         {9.89495554128115451Q, -1.27742413373689057Q, 0.28040482558664448Q});
    expect_constant_last(e.result.record.stderrs,
                         {1.05855994787127528Q, 0.26319859034812682Q, 0.23856543697813970Q});
    EXPECT_TRUE(agrees(e.sigma2, 0.035289877211362543Q));
    EXPECT_TRUE(agrees(e.result.record.sse, 1.588044474511314474Q));
    EXPECT_TRUE(agrees(e.result.record.rsqr, 0.429422417642034371Q));
    ASSERT_EQ(e.first_stage.size(), 1u);
    EXPECT_TRUE(agrees(e.first_stage[0].value, 244.73375376716452934Q));
    EXPECT_EQ(e.first_stage[0].df1, 2);
    EXPECT_EQ(e.first_stage[0].df2, 44);
    EXPECT_TRUE(agrees(e.wu_hausman.value, 3.06781622589943348Q));
    EXPECT_TRUE(agrees(e.wu_hausman.pvalue, 8.6825048579782432e-02Q, 1e-9Q));
    EXPECT_TRUE(agrees(e.sargan.value, 0.33262214424497039Q));
    EXPECT_TRUE(agrees(e.sargan.pvalue, 5.6411913866542041e-01Q, 1e-9Q));
    EXPECT_FALSE(e.hansen.available);
    // The same tests as the record's named statistics, in report order, with their laws.
    const std::vector<NamedStatistic>& named = e.result.record.statistics;
    ASSERT_EQ(named.size(), 3u);
    EXPECT_EQ(named[0].name, "FIRST-STAGE F");
    EXPECT_EQ(named[0].law, StatisticLaw::F);
    EXPECT_EQ(named[0].value, e.first_stage[0].value);
    EXPECT_EQ(named[0].df2, Real(44));
    EXPECT_EQ(named[1].name, "WU-HAUSMAN");
    EXPECT_EQ(named[1].pvalue, e.wu_hausman.pvalue);
    EXPECT_EQ(named[2].name, "SARGAN");
    EXPECT_EQ(named[2].law, StatisticLaw::CHI_SQUARE);
    EXPECT_EQ(named[2].df1, Real(1));

    IvControl white;
    white.robust = true;
    const IvEstimate h = estimate_iv(d, white);
    ASSERT_EQ(h.end, IvEnd::OK);
    expect_constant_last(h.result.record.stderrs,
                         {0.92875781151083092Q, 0.24168384369417778Q, 0.24582759979186802Q});
    EXPECT_TRUE(agrees(h.hansen.value, 0.33473588436333956Q));
    ASSERT_EQ(h.result.record.statistics.size(), 4u);
    EXPECT_EQ(h.result.record.statistics[3].name, "HANSEN J");
    EXPECT_EQ(h.result.record.statistics[3].value, h.hansen.value);
    IvControl newey = white;
    newey.lags = 2;
    const IvEstimate nw = estimate_iv(d, newey);
    expect_constant_last(nw.result.record.stderrs,
                         {0.92198028028026568Q, 0.25757582564919623Q, 0.25789035224881962Q});
    EXPECT_TRUE(agrees(nw.hansen.value, 0.38428481629291639Q));
}

TEST(IvReference, GeneratedTwoEndogenousMatchIvreg) {
    const auto c = testing::read_table("iv/generated.txt");
    ASSERT_EQ(c.size(), 11u);
    ASSERT_EQ(c[0].size(), 2000u);
    // Regressors x1 x2 w1 w2 w3 constant; instruments w1 w2 w3 z1..z5 constant.
    const IvData d = iv_data(c, {1, 2, 3, 4, 5, 11}, {3, 4, 5, 6, 7, 8, 9, 10, 11});
    const IvEstimate e = estimate_iv(d, IvControl{});
    ASSERT_EQ(e.end, IvEnd::OK);
    expect_constant_last(e.result.record.coef,
                         {1.00350713620494236Q, 0.71588314269574405Q, -0.54895694528968386Q,
                          0.34768031354158091Q, 0.21689783447571959Q, -0.10187584316233872Q});
    expect_constant_last(e.result.record.stderrs,
                         {0.027434474018465688Q, 0.047238484416954038Q, 0.053525678916125252Q,
                          0.034150711761129535Q, 0.027574718144605170Q, 0.027695901961942833Q});
    EXPECT_TRUE(agrees(e.sigma2, 1.49951409689943760Q));
    EXPECT_TRUE(agrees(e.result.record.rsqr, 0.54726314564370737Q));
    ASSERT_EQ(e.first_stage.size(), 2u);
    EXPECT_TRUE(agrees(e.first_stage[0].value, 127.1448467584253450Q)); // x1
    EXPECT_TRUE(agrees(e.first_stage[1].value, 88.0697506802874130Q));  // x2
    EXPECT_EQ(e.first_stage[1].df1, 5);
    EXPECT_EQ(e.first_stage[1].df2, 1991);
    EXPECT_TRUE(agrees(e.wu_hausman.value, 121.2647355650559007Q));
    EXPECT_EQ(e.wu_hausman.df1, 2);
    EXPECT_EQ(e.wu_hausman.df2, 1992);
    EXPECT_TRUE(agrees(e.sargan.value, 3.8055588734460244Q));
    EXPECT_EQ(e.sargan.df1, 3);

    IvControl newey;
    newey.robust = true;
    newey.lags = 2;
    const IvEstimate nw = estimate_iv(d, newey);
    expect_constant_last(nw.result.record.stderrs,
                         {0.027769389864114109Q, 0.047470566064146687Q, 0.053735580218366316Q,
                          0.034032476725326166Q, 0.027495109945479653Q, 0.028270067370089864Q});
    EXPECT_TRUE(agrees(nw.hansen.value, 4.1801595248237540Q));
    IvControl white;
    white.robust = true;
    const IvEstimate h = estimate_iv(d, white);
    expect_constant_last(h.result.record.stderrs,
                         {0.027455859803190531Q, 0.047671760039573796Q, 0.054334340771576325Q,
                          0.034468058120431307Q, 0.027143108788432572Q, 0.027916869833880732Q});
    EXPECT_TRUE(agrees(h.hansen.value, 4.0511649713489444Q));

    // Too few excluded instruments, and an instrument repeated as a combination.
    const IvEstimate under = estimate_iv(iv_data(c, {1, 2, 11}, {6, 11}), IvControl{});
    EXPECT_EQ(under.end, IvEnd::UNDERIDENTIFIED);
    EXPECT_EQ(under.excluded, 1);
    std::vector<std::vector<Real>> dup = c;
    dup.push_back(c[6]);
    for (Real& v : dup.back()) v *= 2;
    const IvEstimate collinear = estimate_iv(iv_data(dup, {1, 12}, {6, 7, 11, 12}), IvControl{});
    EXPECT_EQ(collinear.end, IvEnd::INSTRUMENTS_COLLINEAR);
    EXPECT_EQ(collinear.bad_column, 2);
}

} // namespace
} // namespace tarvex
