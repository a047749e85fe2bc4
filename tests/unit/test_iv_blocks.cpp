// Two-stage least squares over row blocks against the same data in memory: the rows served in
// blocks of several sizes (one row, a few rows, a block edge inside every pass, one block for
// all), with an endogenous regressor, over-identifying instruments and the constant: the
// coefficients, their standard errors, SSE, R-square and every test the same to the bit. Also a
// small exactly identified equation checked against its closed form, the observations holding
// the missing code found in the first pass, and a failed read.
#include "regress/iv/iv_bound_passes.hpp"
#include "regress/iv/iv_estimate.hpp"

#include "memory_rows.hpp"
#include "reference_support.hpp"

#include <gtest/gtest.h>

#include <random>
#include <vector>

namespace tarvex {
namespace {

using testing::bits_equal;
using testing::MemoryRows;

// y = 1 + 2 x - z2/3 + u, x endogenous (it carries u), instruments z1, z2, z3 and the constant.
// Block columns: y, x, z1, z2, z3. Distinct columns of the layout: x, z1, z2, z3, constant.
struct Equation {
    std::vector<Real> y, x, z1, z2, z3;
};

Equation make_equation(int rows) {
    std::mt19937_64 gen(2718);
    std::uniform_int_distribution<int> digits(-99999, 99999);
    Equation d;
    for (int t = 0; t < rows; ++t) {
        const Real z1 = Real(digits(gen)) / 1000, z2 = Real(digits(gen)) / 7;
        const Real z3 = Real(digits(gen)) / 300, u = Real(digits(gen)) / 3000;
        const Real x = z1 + z2 / 50 + z3 / 9 + u;
        d.x.push_back(x);
        d.z1.push_back(z1);
        d.z2.push_back(z2);
        d.z3.push_back(z3);
        d.y.push_back(1 + 2 * x - z2 / 3 + u);
    }
    return d;
}

IvLayout equation_layout(std::size_t n) {
    IvLayout layout;
    layout.n = n;
    layout.regressors = {0, 2, 4};     // x, z2, constant
    layout.instruments = {1, 2, 3, 4}; // z1, z2, z3, constant
    layout.constant = {false, false, false, false, true};
    return layout;
}

TEST(IvBlocks, SameBitsAsInMemoryForEveryBlockSize) {
    const int rows = 3001;
    const Equation d = make_equation(rows);
    IvData data;
    data.n = rows;
    data.y = d.y.data();
    data.columns = {d.x.data(), d.z1.data(), d.z2.data(), d.z3.data(), nullptr};
    const IvLayout layout = equation_layout(rows);
    data.regressors = layout.regressors;
    data.instruments = layout.instruments;
    const IvEstimate memory = estimate_iv(data, IvControl{});
    ASSERT_EQ(memory.end, IvEnd::OK);
    ASSERT_TRUE(memory.sargan.available);
    ASSERT_TRUE(memory.wu_hausman.available);
    const EstimationResults& m = memory.result.record;
    for (const std::size_t block :
         {std::size_t(1), std::size_t(7), std::size_t(1000), std::size_t(rows)}) {
        SCOPED_TRACE("block of " + std::to_string(block));
        MemoryRows source({d.y, d.x, d.z1, d.z2, d.z3}, block);
        BlockIvPasses passes(source, {1, 2, 3, 4, -1}, 0, nullptr, 0);
        IvEstimate e;
        ASSERT_TRUE(estimate_iv_passes(layout, passes, e));
        ASSERT_EQ(e.end, IvEnd::OK);
        const EstimationResults& r = e.result.record;
        ASSERT_EQ(r.coef.size(), m.coef.size());
        for (std::size_t j = 0; j < r.coef.size(); ++j) {
            EXPECT_TRUE(bits_equal(r.coef[j], m.coef[j]));
            EXPECT_TRUE(bits_equal(r.stderrs[j], m.stderrs[j]));
        }
        EXPECT_TRUE(bits_equal(r.sse, m.sse));
        EXPECT_TRUE(bits_equal(r.rsqr, m.rsqr));
        EXPECT_TRUE(bits_equal(e.adjr2, memory.adjr2));
        EXPECT_TRUE(bits_equal(e.sargan.value, memory.sargan.value));
        EXPECT_TRUE(bits_equal(e.wu_hausman.value, memory.wu_hausman.value));
        ASSERT_EQ(e.first_stage.size(), 1u);
        EXPECT_TRUE(bits_equal(e.first_stage[0].value, memory.first_stage[0].value));
        // The record keeps no rows over blocks.
        EXPECT_TRUE(r.residuals.empty());
        EXPECT_EQ(r.n, rows);
    }
}

TEST(IvBlocks, ExactlyIdentifiedClosedFormMissingCodeAndFailedRead) {
    // y on x with z as its instrument, no constant: b = z'y / z'x = 30/33, the residuals
    // y - b x = (1, -8, 13, -6)/11, SSE = 270/121.
    const std::vector<Real> y{1, 2, 3, 4}, x{1, 3, 2, 5}, z{1, 2, 3, 4};
    IvLayout layout;
    layout.n = 4;
    layout.regressors = {0};
    layout.instruments = {1};
    layout.constant = {false, false};
    MemoryRows source({y, x, z}, 3, -1, true);
    std::vector<std::vector<long long>> missing;
    BlockIvPasses passes(source, {1, 2}, 0, &missing, Real(3));
    IvEstimate e;
    ASSERT_TRUE(estimate_iv_passes(layout, passes, e));
    ASSERT_EQ(e.end, IvEnd::OK);
    EXPECT_NEAR(double(e.result.record.coef[0] - Real(30) / 33), 0, 1e-33);
    EXPECT_NEAR(double(e.result.record.sse - Real(270) / 121), 0, 1e-32);
    // 3 (taken as the missing code here) is y at observation 3, x at 2 and z at 3.
    ASSERT_EQ(missing.size(), 3u);
    EXPECT_EQ(missing[0], std::vector<long long>{3});
    EXPECT_EQ(missing[1], std::vector<long long>{2});
    EXPECT_EQ(missing[2], std::vector<long long>{3});

    // A read that fails in the first pass: no estimate, the reader's line kept.
    MemoryRows failing({y, x, z}, 2, 3, true);
    BlockIvPasses broken(failing, {1, 2}, 0, nullptr, 0);
    EXPECT_FALSE(estimate_iv_passes(layout, broken, e));
    EXPECT_EQ(broken.failure(), " ...ERROR..READING ROW 3");
}

} // namespace
} // namespace tarvex
