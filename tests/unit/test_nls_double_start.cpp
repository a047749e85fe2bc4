// NLINEAR on a long sample, whose first iterations are taken in double and the last ones in
// binary128, against the same fit made in binary128 throughout: the estimates, standard errors
// and sum of squares agree within the convergence tolerance, the residuals of the double start
// sum to zero to binary128's resolution (the condition of the minimum), and the report names
// the iterations in double; data beyond double's range fall back to binary128 throughout, bit for
// bit; and Ctrl-C stops the double iterations.
#include "test_support.hpp"

#include "core/run.hpp"
#include "numeric/exact_sums.hpp"
#include "numeric/qmath.hpp"
#include "regress/nonlin/equation_model.hpp"
#include "regress/nonlin/model_block.hpp"
#include "regress/nonlin/nls_double_start.hpp"
#include "regress/nonlin/nonlin_estimate.hpp"

#include <climits>
#include <gtest/gtest.h>

namespace tarvex::testing {
namespace {

// 100,500 rows (past the 100,000 from which the double iterations are taken) of
// y = 2 + 3 exp(0.5 x1 - 0.8 x2) + e, with x1, x2 and e from fixed sequences.
std::string nls_long_fit(const std::string& scale) {
    return "sample 1 100500\n"
           "genr t = time(0)\n"
           "genr x1 = mod(t*7919, 1000)/1000\n"
           "genr x2 = mod(t*104729, 997)/997 - 0.5\n"
           "genr e = mod(t*15485863, 1009)/1009 - 0.5\n"
           "genr y = (2 + 3*exp(0.5*x1 - 0.8*x2) + e)*" +
           scale +
           "\n"
           "nlinear / coef=nb resid=r\n"
           "coef a 1 b 1 c 0.1 d -0.1\n"
           "eq y = a + b*exp(c*x1 + d*x2)\n"
           "end\nstop\n";
}

struct NlsDoubleStartFrom {
    int saved = nlinear_double_start_from();
    explicit NlsDoubleStartFrom(int n) { set_nlinear_double_start_from(n); }
    ~NlsDoubleStartFrom() { set_nlinear_double_start_from(saved); }
};

// The largest relative difference of two lists of values.
double nls_largest_difference(const std::vector<Real>& a, const std::vector<Real>& b) {
    EXPECT_EQ(a.size(), b.size());
    Real worst = 0;
    for (std::size_t i = 0; i < a.size() && i < b.size(); ++i)
        worst = std::max(worst, qm::abs(a[i] - b[i]) / (qm::abs(b[i]) + 1e-300Q));
    return static_cast<double>(worst);
}

TEST(NlinearDoubleStart, SameEstimatesAsBinary128Throughout) {
    ScriptRun doubled(nls_long_fit("1"));
    std::unique_ptr<ScriptRun> plain;
    {
        NlsDoubleStartFrom never(INT_MAX);
        plain = std::make_unique<ScriptRun>(nls_long_fit("1"));
    }
    const EstimationResults &d = doubled.run->last_estimation, &p = plain->run->last_estimation;
    ASSERT_EQ(d.command, "NLINEAR") << doubled.output;
    EXPECT_NE(doubled.output.find("ITERATIONS IN DOUBLE PRECISION, THE REST IN QUADRUPLE"),
              std::string::npos)
        << doubled.output;
    EXPECT_EQ(plain->output.find("IN DOUBLE PRECISION"), std::string::npos);
    EXPECT_NE(doubled.output.find("CONVERGENCE REACHED"), std::string::npos);
    // The binary128 fit throughout stops once its Gauss-Newton step is below CONVERGE (1e-28),
    // the double start's once its step is at binary128's rounding: the two agree to within
    // that tolerance, and everything printed agrees but the iteration lines.
    EXPECT_LE(nls_largest_difference(d.coef, p.coef), 1e-27);
    EXPECT_LE(nls_largest_difference(d.stderrs, p.stderrs), 1e-25);
    EXPECT_LE(nls_largest_difference({d.sse}, {p.sse}), 1e-32);
    // At the minimum the residuals are orthogonal to the derivative in A, which is 1: their sum
    // (exact) vanishes against the sum of their sizes to binary128's resolution.
    ASSERT_EQ(d.residuals.size(), std::size_t(100500));
    const Real sum = exact_mean_and_centred_squares(d.residuals.data(), 100500).mean * 100500;
    EXPECT_LE(static_cast<double>(qm::abs(sum) / exact_abs_sum(d.residuals.data(), 100500)), 1e-31);
    const std::size_t table = doubled.output.find(" R-SQUARE");
    ASSERT_NE(table, std::string::npos);
    EXPECT_EQ(doubled.output.substr(table), plain->output.substr(plain->output.find(" R-SQUARE")));
}

// y scaled by 1e400: no value fits in double, so the fit is made in binary128 throughout, the
// same to the bit as without the double start.
TEST(NlinearDoubleStart, BeyondDoubleRangeFallsBackBitForBit) {
    ScriptRun doubled(nls_long_fit("1e400"));
    std::unique_ptr<ScriptRun> plain;
    {
        NlsDoubleStartFrom never(INT_MAX);
        plain = std::make_unique<ScriptRun>(nls_long_fit("1e400"));
    }
    const EstimationResults &d = doubled.run->last_estimation, &p = plain->run->last_estimation;
    ASSERT_EQ(d.command, "NLINEAR") << doubled.output;
    EXPECT_EQ(doubled.output.find("IN DOUBLE PRECISION"), std::string::npos);
    EXPECT_EQ(doubled.output, plain->output);
    EXPECT_EQ(d.coef, p.coef);
    EXPECT_EQ(d.cov, p.cov);
}

struct NlsStopAsked {};

TEST(NlinearDoubleStart, CtrlCStopsTheDoubleIterations) {
    ScriptRun data("sample 1 2000\ngenr t = time(0)\ngenr x = mod(t*7919, 1000)/1000\n"
                   "genr y = 1 + 2*exp(-3*x) + (mod(t*104729, 997)/997 - 0.5)/10\n");
    tarvex::Run& run = *data.run;
    ModelBlock block;
    block.names = {"A", "B", "C"};
    block.start = {0, 1, -0.1Q};
    block.equations = {"y = a + b*exp(c*x)"};
    EquationModel model;
    ASSERT_TRUE(compile_equation(run, block, true, model));
    ASSERT_TRUE(bind_observations(run, model, 1, 2000));
    const std::vector<Real> y = dependent_values(model);
    // Uninterrupted it finds the start (the minimum, y = 1 + 2 exp(-3 x) less noise).
    int calls = 0;
    const NlsDoubleStart found =
        nls_double_start(model, y, block.start, 1000000, 1000, [&calls] { ++calls; });
    ASSERT_TRUE(found.found);
    EXPECT_NEAR(static_cast<double>(found.theta[2]), -3, 0.1);
    EXPECT_GE(calls, found.iterations);
    // A stop asked for at the third check leaves at once.
    int asked = 0;
    EXPECT_THROW(nls_double_start(model, y, block.start, 1000000, 1000,
                                  [&asked] {
                                      if (++asked == 3) throw NlsStopAsked{};
                                  }),
                 NlsStopAsked);
    EXPECT_EQ(asked, 3);
}

} // namespace
} // namespace tarvex::testing
