// POOL's estimators against R's plm on the Grunfeld investment panel (data("Grunfeld",
// package="plm"), columns firm year inv value capital, tests/data/pool/grunfeld.txt), the same
// with nine rows dropped (Grunfeld[-c(3, 21, 22, 40, 77, 78, 79, 150, 200), ],
// grunfeld_unbalanced.txt) and a generated unbalanced panel of 400 cross-sections and 2238 rows
// (generated.txt; id t y x1 x2 x3). R code, G the data frame:
//   p <- plm(inv ~ value + capital, data=G, model="pooling")
//   w <- plm(inv ~ value + capital, data=G, model="within")
//   r <- plm(inv ~ value + capital, data=G, model="random", random.method="swar")
//   tw <- plm(inv ~ value + capital, data=G, model="within", effect="twoways")
//   ti <- plm(inv ~ value + capital, data=G, model="within", effect="time")
// clustered covariances vcovHC(m, method="arellano", cluster="group", type="HC0" or "HC1");
// every value printed with formatC(v, digits=17, format="g").
#include "regress/pool/pool_estimate.hpp"
#include "regress/pool/pool_panel.hpp"

#include "reference_support.hpp"

#include <algorithm>
#include <fstream>
#include <gtest/gtest.h>
#include <sstream>
#include <string>

namespace tarvex {
namespace {

using testing::agrees;

// Reads the columns of a panel file: the first is the cross-section identifier, `y_col` the
// dependent variable and the regressors follow it.
PoolData read_panel(const std::string& name, int y_col, int columns) {
    std::ifstream in(std::string(TARVEX_TEST_DATA_DIR) + "/pool/" + name);
    std::vector<Real> ids;
    PoolData d;
    d.x.resize(std::size_t(columns - y_col - 1));
    std::string line;
    while (std::getline(in, line)) {
        std::istringstream row(line);
        std::vector<Real> v;
        std::string word;
        while (row >> word) v.push_back(strtoflt128(word.c_str(), nullptr));
        if (int(v.size()) != columns) continue;
        ids.push_back(v[0]);
        d.y.push_back(v[std::size_t(y_col)]);
        for (std::size_t j = 0; j < d.x.size(); ++j)
            d.x[j].push_back(v[std::size_t(y_col) + 1 + j]);
    }
    PanelGroups g;
    groups_by_id(ids, g);
    d.group = g.group;
    d.rows = g.rows;
    d.period = g.period; // the files list each cross-section's years in order
    d.periods = g.periods;
    return d;
}

PoolEstimate fit(const PoolData& d, PoolModel m, PoolCovariance c = PoolCovariance::CLASSICAL) {
    PoolControl control;
    control.model = m;
    control.covariance = c;
    return estimate_pool(d, control);
}

// plm's order of the coefficients is the intercept first, ours the slopes then CONSTANT.
void expect_plm_order(const std::vector<Real>& got, std::vector<Real> r) {
    ASSERT_EQ(got.size(), r.size());
    std::rotate(r.begin(), r.begin() + 1, r.end());
    for (std::size_t j = 0; j < r.size(); ++j) EXPECT_TRUE(agrees(got[j], r[j])) << j;
}

// The within estimator has the slopes alone.
void expect_slopes(const std::vector<Real>& got, const std::vector<Real>& r) {
    ASSERT_EQ(got.size(), r.size());
    for (std::size_t j = 0; j < r.size(); ++j) EXPECT_TRUE(agrees(got[j], r[j])) << j;
}

TEST(PoolReference, GrunfeldBalancedAgainstPlm) {
    const PoolData d = read_panel("grunfeld.txt", 2, 5);
    ASSERT_EQ(d.y.size(), 200u);
    ASSERT_EQ(d.rows.size(), 10u);

    const PoolEstimate p = fit(d, PoolModel::POOLED);
    ASSERT_EQ(p.end, PoolEnd::OK);
    expect_plm_order(p.result.record.coef,
                     {-42.714369436559359Q, 0.11556215636055213Q, 0.23067848873196961Q}); // coef(p)
    expect_plm_order(p.result.record.stderrs, {9.5116760314238729Q, 0.0058357095572206304Q,
                                               0.025475801476508936Q}); // sqrt(diag(vcov(p)))
    EXPECT_TRUE(agrees(p.result.record.rsqr, 0.8124080125447285Q));     // summary(p)$r.squared
    EXPECT_TRUE(agrees(p.result.record.sse, 1755850.4840899117Q));      // deviance(p)

    const PoolEstimate w = fit(d, PoolModel::FIXED);
    ASSERT_EQ(w.end, PoolEnd::OK);
    expect_slopes(w.result.record.coef, {0.11012380412071845Q, 0.31006534130013874Q});
    expect_slopes(w.result.record.stderrs, {0.011856694214043837Q, 0.017354502775552554Q});
    EXPECT_TRUE(agrees(w.result.record.rsqr, 0.7667575837481404Q)); // summary(w)$r.squared[1]
    EXPECT_TRUE(agrees(w.adjusted_r2, 0.75311042109510606Q));       // summary(w)$r.squared[2]
    EXPECT_TRUE(agrees(w.result.record.sse, 523478.14738625183Q));  // deviance(w)
    const Real fixef[] = {-70.296717455510361Q, 101.9058137306119Q,   -235.57184100931724Q,
                          -27.80929456045854Q,  -114.61681279778472Q, -23.161295134630421Q,
                          -66.553473535014618Q, -57.545657251575101Q, -87.222272418189021Q,
                          -6.5678435373802468Q}; // fixef(w)
    for (int g = 0; g < 10; ++g) EXPECT_TRUE(agrees(w.effects[g], fixef[g])) << g;
    EXPECT_TRUE(agrees(w.f_effects, 49.176625499418513Q)); // pFtest(w, p)$statistic
    EXPECT_EQ(w.f_df1, 9);
    EXPECT_EQ(w.f_df2, 188);
    EXPECT_TRUE(agrees(w.f_pvalue, 8.7001466995536578e-45Q, 1e-9Q)); // pFtest(w, p)$p.value

    const PoolEstimate r = fit(d, PoolModel::RANDOM);
    ASSERT_EQ(r.end, PoolEnd::OK);
    expect_plm_order(r.result.record.coef,
                     {-57.834414905032901Q, 0.10978115223248383Q, 0.30811298283071253Q});
    expect_plm_order(r.result.record.stderrs,
                     {28.89893526028979Q, 0.010492663549546493Q, 0.017180469089639917Q});
    EXPECT_TRUE(agrees(r.result.record.rsqr, 0.76950272266989583Q)); // summary(r)$r.squared[1]
    EXPECT_TRUE(agrees(r.adjusted_r2, 0.76716264878837193Q));        // summary(r)$r.squared[2]
    EXPECT_TRUE(agrees(r.sigma2_e, 2784.4582307779356Q));            // ercomp(r)$sigma2
    EXPECT_TRUE(agrees(r.sigma2_a, 7089.8000993080441Q));
    EXPECT_TRUE(agrees(r.theta_min, 0.8612236207478785Q)); // ercomp(r)$theta
    ASSERT_TRUE(r.hausman_done);
    EXPECT_TRUE(agrees(r.hausman, 2.3303668936754631Q));         // phtest(w, r)$statistic
    EXPECT_TRUE(agrees(r.hausman_pvalue, 0.31186544605488559Q)); // phtest(w, r)$p.value

    // Clustered by firm.
    expect_slopes(fit(d, PoolModel::FIXED, PoolCovariance::CLUSTER_HC0).result.record.stderrs,
                  {0.014342143712350326Q, 0.049792608723773134Q});
    expect_slopes(fit(d, PoolModel::FIXED, PoolCovariance::CLUSTER_HC1).result.record.stderrs,
                  {0.014414396782794223Q, 0.05004345468779773Q});
    expect_plm_order(fit(d, PoolModel::POOLED, PoolCovariance::CLUSTER_HC1).result.record.stderrs,
                     {19.425673919805075Q, 0.015116530432310827Q, 0.080809156694566106Q});
    expect_plm_order(fit(d, PoolModel::RANDOM, PoolCovariance::CLUSTER_HC0).result.record.stderrs,
                     {23.449626109783406Q, 0.012984019612477214Q, 0.051889024906328352Q});
}

TEST(PoolReference, UnbalancedPanelsAgainstPlm) {
    const PoolData d = read_panel("grunfeld_unbalanced.txt", 2, 5);
    ASSERT_EQ(d.y.size(), 191u);
    const PoolEstimate w = fit(d, PoolModel::FIXED);
    ASSERT_EQ(w.end, PoolEnd::OK);
    expect_slopes(w.result.record.coef, {0.12101059736549007Q, 0.29775566255241048Q});
    expect_slopes(w.result.record.stderrs, {0.012327594855789064Q, 0.017868174911768234Q});
    EXPECT_TRUE(agrees(w.effects[0], -100.10069764264142Q)); // fixef(w)[1]
    EXPECT_TRUE(agrees(w.effects[9], -7.3240095964738421Q)); // fixef(w)[10]
    EXPECT_TRUE(agrees(w.f_effects, 48.726028599639875Q));   // pFtest(w, p)$statistic
    EXPECT_EQ(w.f_df2, 179);
    expect_slopes(fit(d, PoolModel::FIXED, PoolCovariance::CLUSTER_HC0).result.record.stderrs,
                  {0.019864213760880288Q, 0.044865554991612704Q});

    const PoolEstimate r = fit(d, PoolModel::RANDOM);
    ASSERT_EQ(r.end, PoolEnd::OK);
    expect_plm_order(r.result.record.coef,
                     {-63.354391103800779Q, 0.1190326253818393Q, 0.29656437444583184Q});
    expect_plm_order(r.result.record.stderrs,
                     {29.353625780075813Q, 0.01089754066047126Q, 0.017645625135114001Q});
    EXPECT_TRUE(agrees(r.sigma2_e, 2679.8219815650837Q)); // ercomp(r)$sigma2
    EXPECT_TRUE(agrees(r.sigma2_a, 7319.1640391300152Q));
    EXPECT_TRUE(agrees(r.theta_min, 0.85479866415916872Q)); // range(ercomp(r)$theta)
    EXPECT_TRUE(agrees(r.theta_max, 0.86591879815185824Q));
    EXPECT_TRUE(agrees(r.result.record.rsqr, 0.77811407227721641Q));
    EXPECT_TRUE(agrees(r.hausman, 2.1307005961730905Q)); // phtest(w, r)$statistic

    // Generated: 400 cross-sections of 2 to 9 rows, y = 1 + .7 x1 - 1.2 x2 + .3 x3 + a + e with
    // a correlated with x1 (set.seed(20261207); see tests/data/pool/generated.txt).
    const PoolData g = read_panel("generated.txt", 2, 6);
    ASSERT_EQ(g.y.size(), 2238u);
    const PoolEstimate gw = fit(g, PoolModel::FIXED);
    expect_slopes(gw.result.record.coef,
                  {0.77933698098182713Q, -1.1644205458676593Q, 0.31322652270779877Q});
    expect_slopes(gw.result.record.stderrs,
                  {0.023437672469963904Q, 0.020316633494136267Q, 0.011728379641308715Q});
    expect_slopes(fit(g, PoolModel::FIXED, PoolCovariance::CLUSTER_HC1).result.record.stderrs,
                  {0.023464575330488614Q, 0.021018637693175555Q, 0.011784883717658923Q});
    const PoolEstimate gr = fit(g, PoolModel::RANDOM);
    expect_plm_order(gr.result.record.coef, {0.94592786050176059Q, 1.0378983202319922Q,
                                             -1.1674233756112411Q, 0.31984616391973825Q});
    expect_plm_order(gr.result.record.stderrs, {0.061086139531531393Q, 0.023893924011436255Q,
                                                0.022377726023795959Q, 0.01290969233018088Q});
    EXPECT_TRUE(agrees(gr.sigma2_a, 0.5090368353490341Q)); // ercomp(r)$sigma2[2]
    EXPECT_TRUE(agrees(gr.hausman, 3101.2891627930821Q));  // phtest(w, r)$statistic
}

TEST(PoolReference, GrunfeldTwoWayAndPeriodEffectsAgainstPlm) {
    const PoolData d = read_panel("grunfeld.txt", 2, 5);
    ASSERT_EQ(d.periods, 20);

    const PoolEstimate tw = fit(d, PoolModel::TWO_WAY);
    ASSERT_EQ(tw.end, PoolEnd::OK);
    EXPECT_EQ(tw.k, 2);
    expect_slopes(tw.result.record.coef, {0.11771585508260646Q, 0.35791627307342738Q}); // coef(tw)
    expect_slopes(tw.result.record.stderrs, // sqrt(diag(vcov(tw)))
                  {0.013751283003648231Q, 0.022719010882572502Q});
    EXPECT_EQ(tw.result.record.df, 169);                              // df.residual(tw)
    EXPECT_TRUE(agrees(tw.result.record.sse, 452147.07037893747Q));   // deviance(tw)
    EXPECT_TRUE(agrees(tw.result.record.rsqr, 0.72014521292440614Q)); // summary(tw)$r.squared
    EXPECT_TRUE(agrees(tw.adjusted_r2, 0.6704668483547741Q));
    EXPECT_TRUE(agrees(tw.f_effects, 17.403145644347763Q)); // pFtest(tw, p)$statistic
    EXPECT_EQ(tw.f_df1, 28);
    EXPECT_EQ(tw.f_df2, 169);
    EXPECT_TRUE(agrees(tw.f_pvalue, 1.7939227452654417e-36Q, 1e-9Q)); // pFtest(tw, p)$p.value
    // plm's levels put firm 1 and 1935 at the intercept mu: its fitted effect of firm i in year
    // t is ind_i + time_t - mu. Ours sum the period effects to zero; the sums must agree.
    const Real ind[] = {-86.900229941655425Q, 120.15400991386559Q,  -222.1310296421122Q,
                        8.4536121285902723Q,  -92.338825079366273Q, 15.988412527470629Q,
                        -35.433619996742678Q, -19.409715400288245Q, -56.682674237694066Q,
                        39.936892864412329Q}; // fixef(tw, effect="individual")
    const Real time[] = {-86.900229941655425Q, -106.09763516857532Q, -127.59023934993593Q,
                         -126.12663412576666Q, -156.37051785300378Q, -131.13531449431002Q,
                         -105.70469276083486Q, -108.04002186804172Q, -129.87785288412942Q,
                         -129.99900171037257Q, -142.58326983914935Q, -118.06951344459583Q,
                         -126.29247216787758Q, -130.61674441737921Q, -160.39532858926736Q,
                         -162.79634216633235Q, -149.38114183395373Q, -151.5325705661154Q,
                         -154.6181957963031Q,  -180.42645103932932Q}; // fixef(tw, effect="time")
    ASSERT_EQ(tw.effects.size(), 30u);
    Real period_sum = 0;
    for (int t = 0; t < 20; ++t) period_sum += tw.effects[std::size_t(10 + t)];
    EXPECT_LT(fabsq(period_sum), 1e-25Q);
    for (int i = 0; i < 10; ++i)
        for (int t = 0; t < 20; t += 7)
            EXPECT_TRUE(agrees(tw.effects[std::size_t(i)] + tw.effects[std::size_t(10 + t)],
                               ind[i] + time[t] - ind[0]))
                << i << " " << t;
    // The fitted values are x'b plus both effects (row 21: firm 2 in 1935).
    const EstimationResults& r = tw.result.record;
    EXPECT_TRUE(agrees(r.predicted[20], r.coef[0] * d.x[0][20] + r.coef[1] * d.x[1][20] +
                                            tw.effects[1] + tw.effects[10]));
    expect_slopes(fit(d, PoolModel::TWO_WAY, PoolCovariance::CLUSTER_HC0).result.record.stderrs,
                  {0.0097120236868350664Q, 0.042931108939973824Q}); // vcovHC(tw, "arellano")

    const PoolEstimate ti = fit(d, PoolModel::PERIOD);
    ASSERT_EQ(ti.end, PoolEnd::OK);
    expect_slopes(ti.result.record.coef, {0.11679779211067126Q, 0.21970657845072944Q}); // coef(ti)
    expect_slopes(ti.result.record.stderrs, {0.0063313024281314171Q, 0.032296107316904105Q});
    EXPECT_TRUE(agrees(ti.result.record.sse, 1712971.7427713638Q));   // deviance(ti)
    EXPECT_TRUE(agrees(ti.result.record.rsqr, 0.80381118375547533Q)); // summary(ti)$r.squared
    EXPECT_TRUE(agrees(ti.f_effects, 0.23450830673313941Q));          // pFtest(ti, p)
    EXPECT_EQ(ti.f_df1, 19);
    EXPECT_EQ(ti.f_df2, 178);
    EXPECT_TRUE(agrees(ti.f_pvalue, 0.9996881878095023Q));
    ASSERT_EQ(ti.effects.size(), 20u);
    EXPECT_TRUE(agrees(ti.effects[0], -23.574967685593677Q)); // fixef(ti)[1]
    EXPECT_TRUE(agrees(ti.effects[9], -45.69231766551745Q));
    EXPECT_TRUE(agrees(ti.effects[19], -35.889838332581235Q));
    expect_slopes(fit(d, PoolModel::PERIOD, PoolCovariance::CLUSTER_HC0).result.record.stderrs,
                  {0.016184762130110282Q, 0.093253104296029371Q}); // clustered by firm
}

TEST(PoolReference, RandomEffectsVarianceComponentsAsPlmErcomp) {
    const PoolEstimate r = fit(read_panel("grunfeld.txt", 2, 5), PoolModel::RANDOM);
    ASSERT_EQ(r.end, PoolEnd::OK);
    // ercomp(r): var 2784.46 7089.80, std.dev 52.77 84.20, share 0.282 0.718, theta 0.8612.
    const std::vector<Real> c = variance_components(r);
    ASSERT_EQ(c.size(), 9u); // column after column
    EXPECT_TRUE(agrees(c[0], 2784.4582307779356Q));
    EXPECT_TRUE(agrees(c[1], 7089.8000993080441Q));
    EXPECT_TRUE(agrees(c[3] * c[3], 2784.4582307779356Q));
    EXPECT_TRUE(agrees(c[4] * c[4], 7089.8000993080441Q));
    EXPECT_TRUE(agrees(c[6], 2784.4582307779356Q / (2784.4582307779356Q + 7089.8000993080441Q)));
    EXPECT_TRUE(agrees(c[6] + c[7], 1));
    for (std::size_t i : {2u, 5u, 8u}) EXPECT_TRUE(agrees(c[i], 0.8612236207478785Q)) << i;

    // Firm 2 without its first two years: G <- Grunfeld[!(firm == 2 & year < 1937), ].
    PoolData d = read_panel("grunfeld.txt", 2, 5);
    PoolData u;
    u.x.resize(2);
    std::vector<Real> ids;
    for (std::size_t i = 0; i < d.y.size(); ++i) {
        if (i == 20 || i == 21) continue;
        u.y.push_back(d.y[i]);
        u.x[0].push_back(d.x[0][i]);
        u.x[1].push_back(d.x[1][i]);
        ids.push_back(Real(d.group[i]));
    }
    PanelGroups g;
    groups_by_id(ids, g);
    u.group = g.group, u.rows = g.rows;
    const std::vector<Real> cu = variance_components(fit(u, PoolModel::RANDOM));
    EXPECT_TRUE(agrees(cu[0], 2787.455489985839Q)); // ercomp(r)$sigma2
    EXPECT_TRUE(agrees(cu[1], 7156.2958814585754Q));
    EXPECT_TRUE(agrees(cu[2], 0.85446255821879902Q)); // range(ercomp(r)$theta)
    EXPECT_TRUE(agrees(cu[8], 0.8617846041169952Q));
    EXPECT_TRUE(agrees(cu[5], 0.86111896358079554Q)); // mean(ercomp(r)$theta)
}

// EmplUK (data("EmplUK", package="plm"): 140 firms, 1976-1984, 7 to 9 years each; columns firm
// year emp wage capital in tests/golden/pool/empluk.txt), the equation log(emp) on log(wage)
// and log(capital), the periods the years. R, E the data frame:
//   tw <- plm(log(emp) ~ log(wage) + log(capital), data=E, effect="twoways", model="within")
//   ti <- plm(log(emp) ~ log(wage) + log(capital), data=E, effect="time", model="within")
//   p <- plm(log(emp) ~ log(wage) + log(capital), data=E, model="pooling")
// fitted values log(E$emp) - resid(m); every value printed with formatC(v, digits=17, format="g").
PoolData read_empluk() {
    std::ifstream in(std::string(TARVEX_TEST_DATA_DIR) + "/../golden/pool/empluk.txt");
    std::vector<Real> ids, years;
    PoolData d;
    d.x.resize(2);
    std::string line;
    while (std::getline(in, line)) {
        std::istringstream row(line);
        std::vector<Real> v;
        std::string word;
        while (row >> word) v.push_back(strtoflt128(word.c_str(), nullptr));
        if (v.size() != 5) continue;
        ids.push_back(v[0]);
        years.push_back(v[1]);
        d.y.push_back(logq(v[2]));
        d.x[0].push_back(logq(v[3]));
        d.x[1].push_back(logq(v[4]));
    }
    PanelGroups g;
    groups_by_id(ids, g);
    periods_by_time(years, g);
    d.group = g.group;
    d.rows = g.rows;
    d.period = g.period;
    d.periods = g.periods;
    return d;
}

TEST(PoolReference, EmplUKUnbalancedTwoWayAgainstPlm) {
    const PoolData d = read_empluk();
    ASSERT_EQ(d.y.size(), 1031u);
    ASSERT_EQ(d.rows.size(), 140u);
    ASSERT_EQ(d.periods, 9);

    const PoolEstimate tw = fit(d, PoolModel::TWO_WAY);
    ASSERT_EQ(tw.end, PoolEnd::OK);
    const EstimationResults& r = tw.result.record;
    expect_slopes(r.coef, {-0.27314822842164044Q, 0.56480359926803159Q});    // coef(tw)
    expect_slopes(r.stderrs, {0.05515034900732526Q, 0.021221148924068695Q}); // sqrt(diag(vcov(tw)))
    EXPECT_EQ(r.df, 881);                                      // df.residual(tw): N - K - n - T + 1
    EXPECT_TRUE(agrees(r.sse, 14.517554316059522Q));           // deviance(tw)
    EXPECT_TRUE(agrees(r.rsqr, 0.4515509258053429Q));          // summary(tw)$r.squared
    EXPECT_TRUE(agrees(tw.adjusted_r2, 0.35879393141827842Q)); // the same, adjrsq
    EXPECT_TRUE(agrees(tw.f_effects, 120.65955789082079Q));    // pFtest(tw, p)$statistic
    EXPECT_EQ(tw.f_df1, 147);
    EXPECT_EQ(tw.f_df2, 881);
    // Fitted values, rows 1, 8, 500 and 1031: x'b + a_i + g_t with the effects as stored.
    const std::size_t rows[] = {0, 7, 499, 1030};
    const Real fitted[] = {1.5756499930962087Q, 4.340709025378648Q, 2.426260464830639Q,
                           0.019476485202803928Q};
    ASSERT_EQ(tw.effects.size(), 149u);
    Real period_sum = 0;
    for (int t = 0; t < 9; ++t) period_sum += tw.effects[std::size_t(140 + t)];
    EXPECT_LT(fabsq(period_sum), 1e-30Q);
    for (int j = 0; j < 4; ++j) {
        const std::size_t i = rows[j];
        EXPECT_TRUE(agrees(r.predicted[i], fitted[j])) << i;
        const Real from_effects = r.coef[0] * d.x[0][i] + r.coef[1] * d.x[1][i] +
                                  tw.effects[std::size_t(d.group[i])] +
                                  tw.effects[std::size_t(140 + d.period[i])];
        EXPECT_TRUE(agrees(from_effects, fitted[j])) << i;
    }

    const PoolEstimate ti = fit(d, PoolModel::PERIOD);
    ASSERT_EQ(ti.end, PoolEnd::OK);
    expect_slopes(ti.result.record.coef, {-0.37085632971350901Q, 0.80736956241644608Q}); // coef(ti)
    expect_slopes(ti.result.record.stderrs, {0.065482919793196537Q, 0.011350683867245881Q});
    EXPECT_TRUE(agrees(ti.f_effects, 1.2373552200241258Q)); // pFtest(ti, p)$statistic
    const Real time_fitted[] = {1.2513899183373343Q, 3.9190612822613984Q, 1.9065915698555935Q,
                                0.28733295554797778Q};
    for (int j = 0; j < 4; ++j)
        EXPECT_TRUE(agrees(ti.result.record.predicted[rows[j]], time_fitted[j])) << rows[j];
}

// Random effects on a panel of 4,000 cross-sections of 20 periods (80,000 rows, long enough for
// the passes over the rows to be shared between two threads), against plm on the same doubles:
//   n <- 80000; i <- 1:n; id <- (i - 1) %/% 20 + 1; tt <- (i - 1) %% 20 + 1
//   a <- ((id * 613) %% 101) / 50 - 1; e <- ((i * 31337) %% 2003) / 2003 - 0.5
//   z1 <- ((i * 7919) %% 1009) / 100 + a; z2 <- ((i * 104729) %% 997) / 100
//   yp <- 1 + 0.5 * z1 - 0.25 * z2 + a + e
//   P <- pdata.frame(data.frame(id, tt, yp, z1, z2), index = c("id", "tt"))
//   r <- plm(yp ~ z1 + z2, data = P, model = "random", random.method = "swar")
//   w <- plm(yp ~ z1 + z2, data = P, model = "within")
// The rows cross the two threads' shares and the blocks of rows the deviations are summed in.
TEST(PoolReference, LongPanelOnTwoThreadsAgainstPlm) {
    PoolData d;
    d.x.resize(2);
    std::vector<Real> ids;
    for (long long i = 1; i <= 80000; ++i) {
        const long long id = (i - 1) / 20 + 1;
        const double a = double((id * 613) % 101) / 50 - 1;
        const double e = double((i * 31337) % 2003) / 2003 - 0.5;
        const double z1 = double((i * 7919) % 1009) / 100 + a;
        const double z2 = double((i * 104729) % 997) / 100;
        ids.push_back(Real(id));
        d.y.push_back(Real(1 + 0.5 * z1 - 0.25 * z2 + a + e));
        d.x[0].push_back(Real(z1));
        d.x[1].push_back(Real(z2));
    }
    PanelGroups g;
    groups_by_id(ids, g);
    d.group = g.group;
    d.rows = g.rows;
    d.period = g.period;
    d.periods = g.periods;
    const PoolEstimate r = fit(d, PoolModel::RANDOM);
    ASSERT_EQ(r.end, PoolEnd::OK);
    expect_plm_order(r.result.record.coef,
                     {0.9684223808230159Q, 0.50610151211640819Q, -0.24999530669598943Q}); // coef(r)
    expect_plm_order(r.result.record.stderrs, {0.0045954835876049543Q, 0.00044479455445900273Q,
                                               0.00045397655248353248Q}); // sqrt(diag(vcov(r)))
    EXPECT_TRUE(agrees(r.sigma2_e, 0.087181872126409987Q));               // ercomp(r)$sigma2
    EXPECT_TRUE(agrees(r.sigma2_a, 0.024090320005335102Q));
    ASSERT_TRUE(r.hausman_done);
    EXPECT_TRUE(agrees(r.hausman, 540.48662120113477Q)); // phtest(w, r)$statistic
    // R-square: the squared correlation of the quasi-demeaned y with its fitted values,
    //   qy <- pmodel.response(r); cor(qy, qy - as.numeric(resid(r)))^2
    EXPECT_TRUE(agrees(r.result.record.rsqr, 0.95230789257631565Q));
    // The residuals on the scale of y, (yp - cbind(1, z1, z2) %*% coef(r))[c(1, 40001, 80000)],
    // and the fitted values y less them.
    const std::vector<std::size_t> rows = {0, 40000, 79999};
    const Real re_resid[] = {-0.73037363785010889Q, 0.82542083778087916Q, -0.41997112022404548Q};
    for (std::size_t j = 0; j < rows.size(); ++j) {
        EXPECT_TRUE(agrees(r.result.record.residuals[rows[j]], re_resid[j])) << rows[j];
        EXPECT_TRUE(agrees(r.result.record.predicted[rows[j]], d.y[rows[j]] - re_resid[j]));
    }
    // sqrt(diag(vcovHC(r, method="arellano", cluster="group", type="HC0")))
    expect_plm_order(fit(d, PoolModel::RANDOM, PoolCovariance::CLUSTER_HC0).result.record.stderrs,
                     {0.0093968597896673008Q, 0.0002671546556533301Q, 0.00027618332825246015Q});
    // The within fit: the slopes and the demeaned residuals of rows 1, 40001 and 80000 exact, in
    // rational arithmetic on the same doubles (Python fractions: each cross-section's mean
    // subtracted exactly, then the 2 x 2 normal equations solved by Cramer's rule and printed to
    // 40 digits; plm's double values agree to 1E-10 only, lost to cancellation); the standard
    // errors sqrt(diag(vcov(w))), summary(w)$r.squared["rsq"], and the clustered standard errors
    // sqrt(diag(vcovHC(w, method="arellano", cluster="group", type="HC1"))) from plm.
    const PoolEstimate w = fit(d, PoolModel::FIXED);
    ASSERT_EQ(w.end, PoolEnd::OK);
    const Real exact = 1e-30Q;
    EXPECT_TRUE(
        agrees(w.result.record.coef[0], 0.4999978258573568484220354742294299966672Q, exact));
    EXPECT_TRUE(
        agrees(w.result.record.coef[1], -0.2499956276442216177329263431693483102380Q, exact));
    expect_slopes(w.result.record.stderrs, {0.00035904537321575447Q, 0.00036570204399448446Q});
    EXPECT_TRUE(agrees(w.result.record.rsqr, 0.96937728332990314Q));
    const Real fe_resid[] = {0.1222174592326278246956037659330647766908Q,
                             0.4221977862961429191871237594744381244064Q,
                             0.07779561848350457975427711380646061405947Q};
    for (std::size_t j = 0; j < rows.size(); ++j)
        EXPECT_TRUE(agrees(w.result.record.residuals[rows[j]], fe_resid[j], exact)) << rows[j];
    expect_slopes(fit(d, PoolModel::FIXED, PoolCovariance::CLUSTER_HC1).result.record.stderrs,
                  {0.00025533217440605941Q, 0.00026932325332767727Q});
}

} // namespace
} // namespace tarvex
