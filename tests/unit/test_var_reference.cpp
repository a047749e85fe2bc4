// VAR's estimates, criteria, stability, causality tests, impulse responses and variance
// decomposition against statsmodels 0.13 (statsmodels.tsa.api.VAR), with
//   x = np.loadtxt('tests/data/var/usgrowth.txt'); r = VAR(x).fit(2)
// The data are US quarterly consumption growth, income growth (400 log differences, rounded to
// 8 decimals) and the Treasury bill rate, 1950Q2-2000Q4, from examples/usmacro.csv. statsmodels
// orders each equation's coefficients constant first; here the constant comes last.
#include "regress/var/var_dynamics.hpp"
#include "regress/var/var_estimate.hpp"
#include "regress/var/var_forecast.hpp"
#include "regress/var/var_irf_stderr.hpp"

#include "kernels/symmetric_solve.hpp"
#include "numeric/decimal.hpp"
#include "numeric/qmath.hpp"
#include "reference_support.hpp"

#include <fstream>
#include <gtest/gtest.h>
#include <sstream>

namespace tarvex::testing {
namespace {

struct VarColumns {
    std::vector<std::vector<Real>> columns;
    VarData data() const {
        VarData d;
        for (const std::vector<Real>& c : columns) d.series.push_back(c.data());
        d.n = columns.front().size();
        return d;
    }
};

VarColumns usgrowth() {
    std::ifstream in(std::string(TARVEX_TEST_DATA) + "/var/usgrowth.txt");
    VarColumns out;
    out.columns.resize(3);
    for (std::string line; std::getline(in, line);) {
        std::istringstream fields(line);
        std::string field;
        for (std::size_t k = 0; fields >> field && k < 3; ++k) {
            Real v = 0;
            if (parse_real(field, v)) out.columns[k].push_back(v);
        }
    }
    return out;
}

Real at(const std::vector<Real>& coef, int r, int e) {
    return coef[std::size_t(r) * 3 + std::size_t(e)];
}

TEST(VarReference, CoefficientsCovarianceLikelihoodAndCriteria) {
    const VarColumns x = usgrowth();
    ASSERT_EQ(x.columns[0].size(), 203u);
    VarTerms terms;
    terms.lags = 2;
    const VarFit f = fit_var(x.data(), terms, 2);
    ASSERT_EQ(f.end, VarEnd::OK);
    EXPECT_EQ(f.t, 201);
    EXPECT_EQ(f.m, 7);
    // r.params (rows const, y1.L1, y2.L1, y3.L1, y1.L2, y2.L2, y3.L2)
    EXPECT_TRUE(agrees(at(f.coef, 6, 0), 2.9521866391296725Q));
    EXPECT_TRUE(agrees(at(f.coef, 6, 1), 3.3038919956352535Q));
    EXPECT_TRUE(agrees(at(f.coef, 6, 2), 0.10214919122509131Q));
    EXPECT_TRUE(agrees(at(f.coef, 0, 0), -0.10934839136750443Q));
    EXPECT_TRUE(agrees(at(f.coef, 2, 0), -1.1068075475626569Q));
    EXPECT_TRUE(agrees(at(f.coef, 1, 1), -0.08125916050925885Q));
    EXPECT_TRUE(agrees(at(f.coef, 5, 2), -0.1930669387118953Q));
    EXPECT_TRUE(agrees(at(f.coef, 4, 2), -0.00923422907290056Q));
    // r.sigma_u (divided by T - m) and r.llf
    EXPECT_TRUE(agrees(f.sigma[0], 9.473703463024409Q));
    EXPECT_TRUE(agrees(f.sigma[1], 5.2109890302634385Q));
    EXPECT_TRUE(agrees(f.sigma[5], 0.5018171741059582Q));
    EXPECT_TRUE(agrees(f.sigma[8], 0.5084566380382204Q));
    EXPECT_TRUE(agrees(f.sigma_ml[0], 9.473703463024409Q * 194 / 201));
    EXPECT_TRUE(agrees(f.llf, -1210.516579478969Q));
    // r.bse: sqrt of the diagonal of kron((X'X)^-1, sigma_u)
    EXPECT_TRUE(agrees(qm::sqrt(f.xtx_inv[6 * 7 + 6] * f.sigma[0]), 0.6458322733444334Q));
    EXPECT_TRUE(agrees(qm::sqrt(f.xtx_inv[2 * 7 + 2] * f.sigma[4]), 0.33871314764602584Q));

    // VAR(x).select_order(4).ics: orders 0..4 on rows 5.. of the data
    const std::vector<VarCriteria> c = var_order_criteria(x.data(), terms, 4);
    ASSERT_EQ(c.size(), 5u);
    EXPECT_TRUE(agrees(c[0].aic, 6.5537326877297755Q));
    EXPECT_TRUE(agrees(c[2].aic, 3.5801726252970867Q));
    EXPECT_TRUE(agrees(c[4].aic, 3.4676990493355966Q));
    EXPECT_TRUE(agrees(c[1].bic, 3.8742620320790673Q));
    EXPECT_TRUE(agrees(c[3].hq, 3.77441540865104Q));
    EXPECT_TRUE(agrees(c[0].fpe, 701.8592894259965Q));
    EXPECT_TRUE(agrees(c[4].fpe, 32.08081067886021Q));
}

TEST(VarReference, TrendCountsFromTheFirstObservationOfTheRange) {
    const VarColumns x = usgrowth();
    VarTerms terms;
    terms.lags = 2;
    terms.trend = true;
    const VarFit f = fit_var(x.data(), terms, 2);
    ASSERT_EQ(f.end, VarEnd::OK);
    // VAR(x).fit(2, trend='ct'): params[:, 0] (const, trend, ...) and llf
    EXPECT_TRUE(agrees(at(f.coef, 7, 0), 2.558656802429235Q));
    EXPECT_TRUE(agrees(at(f.coef, 6, 0), 0.00905404018472162Q));
    EXPECT_TRUE(agrees(at(f.coef, 0, 0), -0.1340639792865001Q));
    EXPECT_TRUE(agrees(f.llf, -1205.56977034829Q));
}

TEST(VarReference, StabilityCausalityResponsesAndDecomposition) {
    const VarColumns x = usgrowth();
    VarTerms terms;
    terms.lags = 2;
    const VarFit f = fit_var(x.data(), terms, 2);
    ASSERT_EQ(f.end, VarEnd::OK);
    const LagMatrices a = var_lag_matrices(f.coef, 3, 2);
    // 1 / np.abs(r.roots), largest first
    const std::vector<Real> moduli = companion_moduli(a, 3);
    ASSERT_EQ(moduli.size(), 6u);
    EXPECT_TRUE(agrees(moduli[0], 0.9451960176003821Q));
    EXPECT_TRUE(agrees(moduli[1], 0.5357713726405744Q));
    EXPECT_TRUE(agrees(moduli[2], 0.4938599753221139Q));
    EXPECT_TRUE(agrees(moduli[3], 0.1651711730282988Q));
    EXPECT_TRUE(agrees(moduli[4], 0.08241659325356826Q));
    EXPECT_TRUE(agrees(moduli[5], 0.08241659325356826Q));

    // r.test_causality(others, [j], kind='f') and r.test_inst_causality([j])
    const Real granger[3] = {4.0168621118838415Q, 3.0003297101498627Q, 4.753038441108465Q};
    const Real granger_p[3] = {0.0031890054699311586Q, 0.01811358151173006Q,
                               0.0008838733947630874Q};
    const Real instant[3] = {41.978922825497065Q, 42.53857094509947Q, 10.466763619244308Q};
    const Real instant_p[3] = {7.662892452110328e-10Q, 5.792508573290539e-10Q,
                               0.005335451277959748Q};
    for (int j = 0; j < 3; ++j) {
        std::vector<int> others;
        for (int i = 0; i < 3; ++i)
            if (i != j) others.push_back(i);
        const WaldTest g = granger_test(f.coef, f.xtx_inv, f.sigma, 3, f.m, 2, f.t, j, others);
        ASSERT_TRUE(g.ok);
        EXPECT_EQ(g.df1, 4);
        EXPECT_EQ(g.df2, 582);
        EXPECT_TRUE(agrees(g.statistic, granger[j]));
        EXPECT_TRUE(agrees(g.pvalue, granger_p[j], 1e-9Q));
        const WaldTest c = instantaneous_test(f.sigma, 3, f.t, j, others);
        ASSERT_TRUE(c.ok);
        EXPECT_TRUE(agrees(c.statistic, instant[j]));
        EXPECT_TRUE(agrees(c.pvalue, instant_p[j], 1e-9Q));
    }

    // r.irf(4).irfs[1] (plain) and .orth_irfs[2]
    const auto plain = impulse_responses(a, 3, 4, {});
    EXPECT_TRUE(agrees(plain[1][0 * 3 + 2], -1.1068075475626569Q));
    EXPECT_TRUE(agrees(plain[1][2 * 3 + 0], 0.03205009309421281Q));
    std::vector<Real> lower;
    int failed = -1;
    ASSERT_TRUE(cholesky_factor(f.sigma, 3, lower, failed));
    const auto orth = impulse_responses(a, 3, 4, lower);
    EXPECT_TRUE(agrees(orth[2][0], 0.7350158625069805Q));
    EXPECT_TRUE(agrees(orth[2][1 * 3 + 2], -0.3475619677132474Q));
    EXPECT_TRUE(agrees(orth[2][2 * 3 + 1], 0.13665073515206494Q));
    // r.fevd(5).decomp[:, 3, :]: the fourth step
    const auto fevd = variance_decomposition(orth, 3);
    EXPECT_TRUE(agrees(fevd[3][0], 0.8957608055356555Q));
    EXPECT_TRUE(agrees(fevd[3][1 * 3 + 1], 0.6989096282452264Q));
    EXPECT_TRUE(agrees(fevd[3][2 * 3 + 0], 0.10079014016521212Q));
}

TEST(VarReference, DeltaMethodStandardErrorsOfTheResponses) {
    const VarColumns x = usgrowth();
    VarTerms terms;
    terms.lags = 2;
    const VarFit f = fit_var(x.data(), terms, 2);
    ASSERT_EQ(f.end, VarEnd::OK);
    const LagMatrices a = var_lag_matrices(f.coef, 3, 2);
    std::vector<Real> lower;
    int failed = -1;
    ASSERT_TRUE(cholesky_factor(f.sigma, 3, lower, failed));
    VarResponseInputs in;
    in.lags = &a;
    in.xtx_inv = &f.xtx_inv;
    in.m = f.m;
    in.sigma = &f.sigma;
    in.factor = &lower;
    in.k = 3;
    in.t = f.t;
    in.horizon = 4;
    const auto plain = impulse_response_stderr(in, false);
    const auto orth = impulse_response_stderr(in, true);
    ASSERT_EQ(plain.size(), 5u);
    ASSERT_EQ(orth.size(), 5u);
    const auto same_step = [](const std::vector<Real>& got, const Real(&want)[9]) {
        for (int i = 0; i < 9; ++i) EXPECT_TRUE(agrees(got[std::size_t(i)], want[i])) << i;
    };
    // r.irf(4).stderr(orth=False)[h], row-major: step 0 is exact, step 1 the lag-1 coefficients'
    // own standard errors (r.bse), later steps through G_i.
    for (Real v : plain[0]) EXPECT_EQ(v, 0);
    same_step(plain[1], {0.07259925980307884Q, 0.07556591477670677Q, 0.3113211070260435Q,
                         0.0789870113195227Q, 0.08221469174792742Q, 0.33871314764602584Q,
                         0.016818964744441594Q, 0.01750624537988761Q, 0.07212330728266594Q});
    same_step(plain[3], {0.045513964169983684Q, 0.03593180601511209Q, 0.13952729654822676Q,
                         0.03608147248360645Q, 0.028805478392676477Q, 0.1289476056961746Q,
                         0.02756622269866667Q, 0.025752785773269775Q, 0.11217592383147748Q});
    same_step(plain[4], {0.03857852467311702Q, 0.025548202085635397Q, 0.1194295876199946Q,
                         0.026756357632964706Q, 0.014960232341733727Q, 0.11253759309588929Q,
                         0.029104374814148425Q, 0.025009773634848242Q, 0.11901977121782045Q});
    // r.irf(4).stderr(orth=True)[h]: step 0 from the residual covariance alone (zero above the
    // diagonal, where the Cholesky factor is zero whatever sigma).
    same_step(orth[0], {0.15351360371294898Q, 0, 0, 0.2205941105231219Q, 0.14410357448796518Q, 0,
                        0.04981117024569256Q, 0.04910876830579737Q, 0.0345736308597301Q});
    same_step(orth[2], {0.2097921818989935Q, 0.21154796629701525Q, 0.10490816888054075Q,
                        0.22068853065518584Q, 0.22508939968989944Q, 0.10979582921417601Q,
                        0.09102635858342689Q, 0.09278111237814901Q, 0.081256750274118Q});
    same_step(orth[4], {0.10979514721466999Q, 0.07274497978176007Q, 0.0831129295310422Q,
                        0.08176697251141861Q, 0.045135000438121256Q, 0.07866540940613867Q,
                        0.10484172103214329Q, 0.0866290000987368Q, 0.08923012983661478Q});
}

TEST(VarReference, ForecastsAndTheirStandardErrorsAfterTheLastRow) {
    const VarColumns x = usgrowth();
    VarTerms terms;
    terms.lags = 2;
    const VarData d = x.data();
    const VarFit f = fit_var(d, terms, 2);
    ASSERT_EQ(f.end, VarEnd::OK);
    VarForecastPart part;
    part.equations = 3;
    part.terms = terms;
    part.next_row = long(d.n);
    part.m = f.m;
    part.coef = f.coef;
    part.sigma = f.sigma;
    for (std::size_t row = d.n - 2; row < d.n; ++row)
        for (int e = 0; e < 3; ++e) part.history.push_back(x.columns[std::size_t(e)][row]);
    std::vector<Real> value, se;
    part.system_forecast(3, {}, value, se);
    ASSERT_EQ(value.size(), 9u);
    ASSERT_EQ(se.size(), 9u);
    // r.forecast(x[-2:], 3), row after row
    const Real want[9] = {3.662581636054943Q,  3.147361396556387Q, 6.021617604625127Q,
                          3.1970052111957217Q, 3.331114501376409Q, 6.007192916551624Q,
                          3.373225852365089Q,  3.214458408789678Q, 5.986814186214121Q};
    // np.sqrt(np.diag(m)) for m in r.forecast_cov(3): the first step is sqrt(diag(sigma_u)).
    const Real want_se[9] = {3.0779381837561988Q, 3.348755053709676Q,  0.7130614546013692Q,
                             3.2362199568938137Q, 3.444488072400985Q,  1.1178783374932608Q,
                             3.3245396509191814Q, 3.4662196673706682Q, 1.3906591172674783Q};
    for (int i = 0; i < 9; ++i) {
        EXPECT_TRUE(agrees(value[std::size_t(i)], want[i])) << i;
        EXPECT_TRUE(agrees(se[std::size_t(i)], want_se[i])) << i;
    }

    // The trend goes on from the last row: VAR(x).fit(2, trend='ct').forecast(x[-2:], 2)
    VarTerms ct = terms;
    ct.trend = true;
    const VarFit g = fit_var(d, ct, 2);
    ASSERT_EQ(g.end, VarEnd::OK);
    part.terms = ct;
    part.m = g.m;
    part.coef = g.coef;
    part.sigma = g.sigma;
    part.system_forecast(2, {}, value, se);
    EXPECT_TRUE(agrees(value[0], 4.4941654213690745Q));
    EXPECT_TRUE(agrees(value[2], 6.096835610078327Q));
    EXPECT_TRUE(agrees(value[3], 3.760406340485643Q));
    EXPECT_TRUE(agrees(value[4], 3.227122377961608Q));
}

TEST(VarReference, ExogenousVariablesInEveryEquation) {
    // ex = np.column_stack([(np.arange(n) >= 100).astype(float), np.sin(np.arange(n) / 5.0)])
    // r = VAR(x, exog=ex).fit(2): statsmodels orders const, exog0, exog1, lags; here the lags,
    // the exogenous variables, then the constant.
    const VarColumns x = usgrowth();
    const std::size_t n = x.columns[0].size();
    std::vector<Real> step(n), wave(n);
    for (std::size_t i = 0; i < n; ++i) {
        step[i] = i >= 100 ? 1 : 0;
        wave[i] = qm::sin(Real(i) / 5);
    }
    VarData d = x.data();
    d.exog = {step.data(), wave.data()};
    VarTerms terms;
    terms.lags = 2;
    const VarFit f = fit_var(d, terms, 2);
    ASSERT_EQ(f.end, VarEnd::OK);
    ASSERT_EQ(f.m, 9);
    // r.params
    EXPECT_TRUE(agrees(at(f.coef, 8, 0), 3.014221385983604Q));
    EXPECT_TRUE(agrees(at(f.coef, 6, 0), 1.1005279357545623Q));
    EXPECT_TRUE(agrees(at(f.coef, 7, 1), -0.2880910388011427Q));
    EXPECT_TRUE(agrees(at(f.coef, 5, 2), -0.18398868535447016Q));
    EXPECT_TRUE(agrees(at(f.coef, 0, 1), 0.3080482906615182Q));
    // r.llf, r.bse[1, 0] (exog0 in the first equation)
    EXPECT_TRUE(agrees(f.llf, -1203.7708624399652Q));
    EXPECT_TRUE(agrees(qm::sqrt(f.xtx_inv[6 * 9 + 6] * f.sigma[0]), 0.5385914401932747Q));
    // r.aic: the exogenous coefficients count among the free ones (K (K p + 3))
    const Real free = Real(2 * 9 + 3 * var_other_terms(d, terms));
    EXPECT_TRUE(agrees(f.log_det_ml + 2 * free / f.t, 3.7328450439556993Q));

    // r.irf(3).stderr(orth=False)[2]: the lag block of the covariance only
    const LagMatrices a = var_lag_matrices(f.coef, 3, 2);
    std::vector<Real> lower;
    int failed = -1;
    ASSERT_TRUE(cholesky_factor(f.sigma, 3, lower, failed));
    VarResponseInputs in{&a, &f.xtx_inv, f.m, &f.sigma, &lower, 3, f.t, 3};
    const auto se = impulse_response_stderr(in, false);
    EXPECT_TRUE(agrees(se[2][0], 0.07330889838810768Q));
    EXPECT_TRUE(agrees(se[2][5], 0.16283233614903192Q));
    EXPECT_TRUE(agrees(se[2][7], 0.025744436955958315Q));

    // r.forecast(x[-2:], 2, exog_future=np.column_stack([np.ones(2),
    //                                                    np.sin(np.arange(n, n + 2) / 5.0)]))
    VarForecastPart part;
    part.equations = 3;
    part.terms = terms;
    part.next_row = long(n);
    part.m = f.m;
    part.coef = f.coef;
    part.sigma = f.sigma;
    part.exog_refs = {1, 2};
    for (std::size_t row = n - 2; row < n; ++row)
        for (int e = 0; e < 3; ++e) part.history.push_back(x.columns[std::size_t(e)][row]);
    std::vector<Real> value, fse;
    part.system_forecast(2, {1, qm::sin(Real(n) / 5), 1, qm::sin(Real(n + 1) / 5)}, value, fse);
    EXPECT_TRUE(agrees(value[0], 4.091273232162009Q));
    EXPECT_TRUE(agrees(value[2], 6.054931065029739Q));
    EXPECT_TRUE(agrees(value[4], 3.3486935715907524Q));
}

TEST(VarReference, RefusalsOfTheFit) {
    const VarColumns x = usgrowth();
    VarData d = x.data();
    d.n = 12;
    VarTerms terms;
    terms.lags = 4; // 13 coefficients an equation, 8 rows
    EXPECT_EQ(fit_var(d, terms, 4).end, VarEnd::TOO_FEW);
    // A series that is another one doubled.
    std::vector<Real> twice(x.columns[0]);
    for (Real& v : twice) v *= 2;
    VarData dup = x.data();
    dup.series[1] = twice.data();
    const VarFit f = fit_var(dup, VarTerms{}, 1);
    EXPECT_EQ(f.end, VarEnd::SINGULAR_X);
    EXPECT_EQ(f.bad_column, 1);
}

} // namespace
} // namespace tarvex::testing
