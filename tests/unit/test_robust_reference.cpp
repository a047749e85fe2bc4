// ROBUST's estimators against exact and R 4.2 values on tests/golden/robust/rob40.txt (y x z,
// 40 rows, three outliers).
// Quantile coefficients: the exact rational vertex, found by python3 fractions over every basis
// of 3 observations (minimum sum of check losses):
//   tau 1/2: basis 1 27 33, b = 3739286/2893975, 52763/115759, -3180/16537,
//            objective 525686171/23151800
//   tau 1/4: basis 12 13 24, b = 2952653/2555650, 20883/51113, -35441/153339,
//            objective 237961223/15333900
// (quantreg::rq(y ~ x + z, tau, method="br") prints the same to its 17 digits.)
// Standard errors: summary(rq(...), se="iid") and se="ker"; MASS::rlm(y ~ x + z, acc=1e-15,
// maxit=500) with psi.huber and psi.bisquare, summary(.)$coefficients, printed with
// print(., digits=15).
#include "regress/robust/quantile_simplex.hpp"
#include "regress/robust/robust_estimate.hpp"
#include "tests/unit/reference_support.hpp"

#include "numeric/qmath.hpp"

#include <fstream>
#include <gtest/gtest.h>

namespace tarvex {
namespace {

using testing::agrees;

struct Rob40 {
    std::vector<Real> y, x, z;
    RobustData data() const {
        RobustData d;
        d.x = {x.data(), z.data(), nullptr};
        d.y = y.data();
        d.n = y.size();
        return d;
    }
};

Rob40 rob40() {
    std::ifstream in(std::string(TARVEX_TEST_DATA_DIR) + "/../golden/robust/rob40.txt");
    Rob40 r;
    std::string a, b, c;
    while (in >> a >> b >> c) {
        r.y.push_back(strtoflt128(a.c_str(), nullptr));
        r.x.push_back(strtoflt128(b.c_str(), nullptr));
        r.z.push_back(strtoflt128(c.c_str(), nullptr));
    }
    return r;
}

Real ratio(long long num, long long den) {
    return Real(num) / Real(den);
}

// Coefficients in the order x, z, intercept.
void expect_coefficients(const RobustEstimate& e, const std::vector<Real>& want, Real rel) {
    const std::vector<Real>& b = e.result.record.coef;
    ASSERT_EQ(b.size(), want.size());
    for (std::size_t j = 0; j < want.size(); ++j) EXPECT_TRUE(agrees(b[j], want[j], rel)) << j;
}
void expect_stderrs(const RobustEstimate& e, const std::vector<Real>& want) {
    const std::vector<Real>& s = e.result.record.stderrs;
    ASSERT_EQ(s.size(), want.size());
    for (std::size_t j = 0; j < want.size(); ++j) EXPECT_TRUE(agrees(s[j], want[j])) << j;
}

TEST(RobustReference, MedianRegressionIsTheExactVertexWithIidErrors) {
    const Rob40 d = rob40();
    ASSERT_EQ(d.y.size(), 40u);
    RobustControl c;
    const RobustEstimate e = estimate_robust(d.data(), c);
    ASSERT_EQ(e.end, RobustEnd::DONE);
    // Every digit of the rational solution.
    expect_coefficients(e, {ratio(52763, 115759), ratio(-3180, 16537), ratio(3739286, 2893975)},
                        1e-32Q);
    EXPECT_TRUE(agrees(e.objective, ratio(525686171, 23151800), 1e-32Q));
    EXPECT_EQ(e.basis, (std::vector<std::size_t>{0, 26, 32}));
    // summary(f, se="iid"): x, z, (Intercept)
    expect_stderrs(e, {0.0424707628099728Q, 0.0455397462855500Q, 0.2094599589779685Q});
    // 2 * pt(10.73209857252263, 37, lower.tail=FALSE) (summary.rq's 2 * (1 - pt(.)) loses the
    // digits of so small a tail)
    EXPECT_TRUE(agrees(e.result.record.pvalues[0], 6.45819930827685e-13Q, 1e-9Q));
}

TEST(RobustReference, LowerQuantileWithTheKernelSandwich) {
    const Rob40 d = rob40();
    RobustControl c;
    c.tau = 0.25Q;
    c.covariance = QuantileCovariance::KERNEL;
    const RobustEstimate e = estimate_robust(d.data(), c);
    ASSERT_EQ(e.end, RobustEnd::DONE);
    expect_coefficients(e, {ratio(20883, 51113), ratio(-35441, 153339), ratio(2952653, 2555650)},
                        1e-32Q);
    EXPECT_TRUE(agrees(e.objective, ratio(237961223, 15333900), 1e-32Q));
    // summary(f, se="ker")
    expect_stderrs(e, {0.101085774614086Q, 0.123848372850948Q, 0.507085627852492Q});
    // se="iid" at the same quantile
    c.covariance = QuantileCovariance::IID;
    expect_stderrs(estimate_robust(d.data(), c),
                   {0.0527318253015413Q, 0.0565422843039270Q, 0.2600661074517043Q});
}

TEST(RobustReference, HuberAndBisquareAsRlm) {
    const Rob40 d = rob40();
    RobustControl c;
    c.method = RobustMethod::HUBER;
    c.tuning = 1.345Q;
    RobustEstimate e = estimate_robust(d.data(), c);
    ASSERT_EQ(e.end, RobustEnd::DONE);
    expect_coefficients(e, {0.42491743617143285Q, -0.21081623079139822Q, 1.56995615742916006Q},
                        1e-11Q);
    expect_stderrs(e, {0.0652621789809320Q, 0.0699780949575013Q, 0.3218640878507826Q});
    EXPECT_TRUE(agrees(e.scale, 0.872237014950364Q, 1e-11Q));
    c.method = RobustMethod::BISQUARE;
    c.tuning = 4.685Q;
    e = estimate_robust(d.data(), c);
    ASSERT_EQ(e.end, RobustEnd::DONE);
    expect_coefficients(e, {0.43032143242248244Q, -0.25039863723567690Q, 1.42807576500557531Q},
                        1e-11Q);
    expect_stderrs(e, {0.0555929826315955Q, 0.0596101919720021Q, 0.2741769417605703Q});
    EXPECT_TRUE(agrees(e.scale, 0.932803602967767Q, 1e-11Q));
}

// With ties in integer data many residuals are zero off the basis (degenerate vertices); the
// simplex's objective must still be the least over every basis of two observations.
TEST(RobustSimplex, TiesReachTheBestVertex) {
    std::vector<Real> x, y;
    for (int i = 0; i < 15; ++i) {
        x.push_back(Real(i % 5));
        y.push_back(Real((i * 7) % 4 + i % 5));
    }
    for (const Real tau : {0.1Q, 0.5Q, 0.75Q}) {
        const QuantileFit f = fit_quantile({nullptr, x.data()}, y.data(), y.size(), tau);
        ASSERT_EQ(f.end, QuantileEnd::OPTIMAL);
        Real best = -1;
        for (std::size_t a = 0; a < x.size(); ++a)
            for (std::size_t b = a + 1; b < x.size(); ++b) {
                if (x[a] == x[b]) continue;
                const Real slope = (y[b] - y[a]) / (x[b] - x[a]);
                const Real level = y[a] - slope * x[a];
                Real obj = 0;
                for (std::size_t i = 0; i < x.size(); ++i)
                    obj += check_loss(y[i] - level - slope * x[i], tau);
                if (best < 0 || obj < best) best = obj;
            }
        EXPECT_TRUE(agrees(f.objective, best, 1e-30Q)) << double(tau);
        for (const Real dual : f.duals) {
            EXPECT_GE(dual, tau - 1 - 1e-28Q);
            EXPECT_LE(dual, tau + 1e-28Q);
        }
    }
    // A constant column beside the intercept leaves no basis.
    const std::vector<Real> ones(15, Real(1));
    EXPECT_EQ(fit_quantile({nullptr, ones.data()}, y.data(), y.size(), 0.5Q).end,
              QuantileEnd::DEGENERATE);
}

// The bootstrap is the same for a seed, and another seed gives other samples.
TEST(RobustSimplex, BootstrapRepeatsForItsSeed) {
    const Rob40 d = rob40();
    RobustControl c;
    c.covariance = QuantileCovariance::BOOT;
    c.replications = 50;
    c.seed = 17;
    const RobustEstimate a = estimate_robust(d.data(), c), b = estimate_robust(d.data(), c);
    ASSERT_EQ(a.end, RobustEnd::DONE);
    EXPECT_EQ(a.replications, 50);
    for (std::size_t j = 0; j < 3; ++j)
        EXPECT_TRUE(testing::bits_equal(a.result.record.stderrs[j], b.result.record.stderrs[j]));
    c.seed = 18;
    const RobustEstimate other = estimate_robust(d.data(), c);
    EXPECT_FALSE(testing::same_bits(a.result.record.stderrs[0], other.result.record.stderrs[0]));
    // The bootstrap's standard errors are of the size of the iid ones (0.04 for x).
    EXPECT_GT(a.result.record.stderrs[0], 0.01Q);
    EXPECT_LT(a.result.record.stderrs[0], 0.2Q);
}

} // namespace
} // namespace tarvex
