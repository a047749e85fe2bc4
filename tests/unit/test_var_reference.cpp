// VAR's estimates, criteria, stability, causality tests, impulse responses and variance
// decomposition against statsmodels 0.13 (statsmodels.tsa.api.VAR), with
//   x = np.loadtxt('tests/data/var/usgrowth.txt'); r = VAR(x).fit(2)
// The data are US quarterly consumption growth, income growth (400 log differences, rounded to
// 8 decimals) and the Treasury bill rate, 1950Q2-2000Q4, from examples/usmacro.csv. statsmodels
// orders each equation's coefficients constant first; here the constant comes last.
#include "regress/var/var_dynamics.hpp"
#include "regress/var/var_estimate.hpp"

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
    VarSpec spec;
    spec.lags = 2;
    const VarFit f = fit_var(x.data(), spec, 2);
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
    const std::vector<VarCriteria> c = var_order_criteria(x.data(), spec, 4);
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
    VarSpec spec;
    spec.lags = 2;
    spec.trend = true;
    const VarFit f = fit_var(x.data(), spec, 2);
    ASSERT_EQ(f.end, VarEnd::OK);
    // VAR(x).fit(2, trend='ct'): params[:, 0] (const, trend, ...) and llf
    EXPECT_TRUE(agrees(at(f.coef, 7, 0), 2.558656802429235Q));
    EXPECT_TRUE(agrees(at(f.coef, 6, 0), 0.00905404018472162Q));
    EXPECT_TRUE(agrees(at(f.coef, 0, 0), -0.1340639792865001Q));
    EXPECT_TRUE(agrees(f.llf, -1205.56977034829Q));
}

TEST(VarReference, StabilityCausalityResponsesAndDecomposition) {
    const VarColumns x = usgrowth();
    VarSpec spec;
    spec.lags = 2;
    const VarFit f = fit_var(x.data(), spec, 2);
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

TEST(VarReference, RefusalsOfTheFit) {
    const VarColumns x = usgrowth();
    VarData d = x.data();
    d.n = 12;
    VarSpec spec;
    spec.lags = 4; // 13 coefficients an equation, 8 rows
    EXPECT_EQ(fit_var(d, spec, 4).end, VarEnd::TOO_FEW);
    // A series that is another one doubled.
    std::vector<Real> twice(x.columns[0]);
    for (Real& v : twice) v *= 2;
    VarData dup = x.data();
    dup.series[1] = twice.data();
    const VarFit f = fit_var(dup, VarSpec{}, 1);
    EXPECT_EQ(f.end, VarEnd::SINGULAR_X);
    EXPECT_EQ(f.bad_column, 1);
}

} // namespace
} // namespace tarvex::testing
