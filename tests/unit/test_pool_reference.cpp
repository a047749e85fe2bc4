// POOL's estimators against R's plm on the Grunfeld investment panel (data("Grunfeld",
// package="plm"), columns firm year inv value capital, tests/data/pool/grunfeld.txt), the same
// with nine rows dropped (Grunfeld[-c(3, 21, 22, 40, 77, 78, 79, 150, 200), ],
// grunfeld_unbalanced.txt) and a generated unbalanced panel of 400 cross-sections and 2238 rows
// (generated.txt; id t y x1 x2 x3). R code, G the data frame:
//   p <- plm(inv ~ value + capital, data=G, model="pooling")
//   w <- plm(inv ~ value + capital, data=G, model="within")
//   r <- plm(inv ~ value + capital, data=G, model="random", random.method="swar")
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

} // namespace
} // namespace tarvex
