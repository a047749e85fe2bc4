// The least-squares kernel on the exact cross-product matrix (kernels/): every certified digit
// of the NIST StRD linear sets and 24 digits of their exact rational solutions; the dependence
// decision of modified Gram-Schmidt on the inputs that end a regression with a collinearity
// message; the same bits on any number of threads and through a row list as from compacted
// copies; weighted rows as the regression forms them;
// residuals of the second pass against those of the exact coefficients.
#include "kernels/gram_cholesky.hpp"
#include "kernels/gram_residuals.hpp"

#include "kernels/gram_schmidt.hpp"
#include "kernels/householder.hpp"
#include "kernels/normal_equations.hpp"
#include "numeric/decimal.hpp"
#include "numeric/exact_dot.hpp"

#include "reference_support.hpp"
#include "strd_sets.hpp"

#include <gtest/gtest.h>

#include <cstring>
#include <fstream>
#include <map>
#include <random>
#include <sstream>
#include <string>
#include <vector>

namespace tarvex {
namespace {

using testing::bits_equal;

// ---- NIST StRD: y on x, x^2, ... (Longley: its six regressors), the intercept last ----

using testing::read_strd_data;
using testing::read_strd_values;
using testing::STRD_MODELS;
using testing::StrdData;
using StrdSet = testing::StrdModel;

GramColumns columns_of(const StrdSet& set, const StrdData& data) {
    GramColumns c;
    for (const auto& x : data.x) c.columns.push_back(x.data());
    if (set.intercept) c.columns.push_back(nullptr);
    c.columns.push_back(data.y.data());
    c.nobs = data.y.size();
    return c;
}

using testing::relative_error;

TEST(GramKernel, StrdEveryCertifiedDigitAnd24ExactDigits) {
    const auto certified = read_strd_values("certified.tsv");
    const auto exact = read_strd_values("exact.tsv");
    ASSERT_GT(certified.size(), 100u);
    ASSERT_GT(exact.size(), 100u);
    for (const StrdSet& set : STRD_MODELS) {
        SCOPED_TRACE(set.name);
        const StrdData data = read_strd_data(set);
        const GramFit fit = gram_least_squares(columns_of(set, data), DEPENDENCE_RATIO);
        ASSERT_TRUE(fit.ok());
        const int n = fit.nobs;
        const int k = fit.nregs;
        ASSERT_EQ(k, set.degree + (set.intercept ? 1 : 0));
        const Real variance = fit.sse / (n - k);
        std::map<std::string, Real> mine;
        for (int j = 0; j < k; ++j) {
            const int index = set.intercept ? (j == set.degree ? 0 : j + 1) : j;
            mine["b " + std::to_string(index)] = fit.coef[j];
            mine["sd " + std::to_string(index)] = sqrtq(variance * fit.inverse_at(j, j));
        }
        mine["residsd 0"] = sqrtq(variance);
        // R-squared: about the mean with an intercept, about zero without (exact sums of y).
        Real sum = 0, mean = 0, total = 0;
        for (Real v : data.y) sum += v;
        if (set.intercept) mean = sum / n;
        for (Real v : data.y) total += (v - mean) * (v - mean);
        mine["r2 0"] = 1 - fit.sse / total;
        // The second pass: residuals against y - Xb with the exact coefficients (to within the
        // size of the terms), and the residual standard deviation from their sum of squares.
        const GramColumns columns = columns_of(set, data);
        std::vector<Real> residuals(static_cast<std::size_t>(n)),
            fitted(static_cast<std::size_t>(n));
        const ResidualSums sums =
            gram_residuals(columns, fit.coef_wide, residuals.data(), fitted.data());
        ASSERT_TRUE(sums.finite);
        for (int i = 0; i < n; ++i) {
            ExactAccumulator reference;
            Real size = fabsq(data.y[i]);
            reference.add(data.y[i]);
            for (int j = 0; j < k; ++j) {
                const int index = set.intercept ? (j == set.degree ? 0 : j + 1) : j;
                const Real x = j == set.degree ? Real(1) : data.x[j][i];
                const Real b = exact.at(std::string(set.name) + " b " + std::to_string(index));
                reference.add_product(-x, b);
                size += fabsq(x * b);
            }
            EXPECT_LE(fabsq(residuals[i] - reference.result()), 1e-24Q * size) << i;
            EXPECT_LE(fabsq(fitted[i] + residuals[i] - data.y[i]), 1e-24Q * size) << i;
        }
        const std::string residsd = std::string(set.name) + " residsd 0";
        EXPECT_LE(relative_error(sqrtq(sums.sse / (n - k)), exact.at(residsd)), 1e-24Q);
        for (const auto& [key, value] : mine) {
            const std::string name = std::string(set.name) + " " + key;
            ASSERT_TRUE(certified.count(name) && exact.count(name)) << name;
            // NIST certifies 15 significant digits: half a unit of the 15th. Where a reference
            // is 0 (Wampler1 fits exactly) the error is absolute.
            EXPECT_LE(relative_error(value, certified.at(name)), 5e-15Q)
                << name << " " << real_to_string(value);
            EXPECT_LE(relative_error(value, exact.at(name)), 1e-24Q)
                << name << " " << real_to_string(value) << " against "
                << real_to_string(exact.at(name));
        }
        // The same data scaled by 2^e, e large enough for the largest sum of squares to pass
        // 2^16360, where a product of two entries of the factor would overflow, and by 2^-8100:
        // the results are the same bits, scaled (where they are normal numbers), and so are the
        // ratios that decide dependence.
        Real largest = 0;
        for (const auto& x : data.x)
            largest = fmaxq(largest, exact_sum_of_squares(x.data(), x.size()));
        largest = fmaxq(largest, exact_sum_of_squares(data.y.data(), data.y.size()));
        const auto same_scaled = [](Real got, Real want) {
            return fabsq(want) < FLT128_MIN ? ::testing::AssertionSuccess() : bits_equal(got, want);
        };
        for (int e : {(16360 - ilogbq(largest)) / 2, -8100}) {
            StrdData far = data;
            for (auto& x : far.x)
                for (Real& v : x) v = scalbnq(v, e);
            for (Real& v : far.y) v = scalbnq(v, e);
            const GramFit scaled = gram_least_squares(columns_of(set, far), DEPENDENCE_RATIO);
            ASSERT_TRUE(scaled.ok()) << e;
            EXPECT_TRUE(same_scaled(scaled.sse, scalbnq(fit.sse, 2 * e))) << e;
            ASSERT_EQ(scaled.remaining_ratio.size(), fit.remaining_ratio.size());
            for (std::size_t j = 0; j < fit.remaining_ratio.size(); ++j)
                EXPECT_TRUE(bits_equal(scaled.remaining_ratio[j], fit.remaining_ratio[j])) << j;
            for (int j = 0; j < k; ++j) {
                // The intercept carries the scale of y; a slope none.
                const bool intercept = set.intercept && j == set.degree;
                EXPECT_TRUE(same_scaled(scaled.coef[j], scalbnq(fit.coef[j], intercept ? e : 0)));
                EXPECT_TRUE(same_scaled(scaled.inverse_at(j, j),
                                        scalbnq(fit.inverse_at(j, j), intercept ? 0 : -2 * e)));
            }
        }
    }
}

// ---- Dependence: the kernel and today's solvers on the same columns ----
// Gram-Schmidt tests a regressor's remaining sum of squares against its sum of squares, the
// Householder and moment-matrix solvers the square root of the same ratio or the same ratio, so
// one ratio from the factor takes all three decisions.

struct Case {
    const char* what;
    std::vector<std::vector<Real>> x; // regressors in order; an empty one is the intercept
    std::vector<Real> y;
};

// The coefficients agree to the relative `tolerance` (fewer where the columns are nearly
// dependent). Returns the kernel's dependent column (-1 for none).
int expect_same_decision(const Case& c, Real tolerance = 1e-25Q) {
    SCOPED_TRACE(c.what);
    const int n = static_cast<int>(c.y.size());
    const int k = static_cast<int>(c.x.size());
    DataMatrix data(n, k + 1);
    GramColumns columns;
    columns.nobs = c.y.size();
    for (int j = 0; j < k; ++j) {
        for (int i = 0; i < n; ++i) data.at(i, j) = c.x[j].empty() ? Real(1) : c.x[j][i];
        columns.columns.push_back(c.x[j].empty() ? nullptr : c.x[j].data());
    }
    for (int i = 0; i < n; ++i) data.at(i, k) = c.y[i];
    columns.columns.push_back(c.y.data());
    DataMatrix work = data;
    const LeastSquaresFit gs = GSREG(work);
    work = data;
    EXPECT_EQ(householder_solve(work).fit.failed_column, gs.failed_column) << "HH";
    EXPECT_EQ(normal_equations_solve(data).failed_column, gs.failed_column) << "NORMAL";
    const GramFit kernel = gram_least_squares(columns, DEPENDENCE_RATIO);
    EXPECT_EQ(gs.status == SolveStatus::dependent_column,
              kernel.status == GramStatus::dependent_column);
    EXPECT_EQ(gs.failed_column, kernel.failed_column);
    EXPECT_EQ(gs.ok(), kernel.ok());
    if (gs.ok() && kernel.ok()) {
        for (int j = 0; j < k; ++j)
            EXPECT_LT(relative_error(kernel.coef[j], gs.coef[j]), tolerance) << j;
    }
    return kernel.failed_column;
}

TEST(GramKernel, DependenceDecidedAsTheSolversDecideIt) {
    const std::vector<Real> constant; // the intercept
    // The regression command's cases: a regressor twice, a constant regressor before the
    // intercept, two equal regressors, a column of zeros, a constant 2 beside the intercept.
    EXPECT_EQ(expect_same_decision({"y x x", {{1, 2, 3}, {1, 2, 3}, constant}, {1, 2, 4}}), 1);
    EXPECT_EQ(expect_same_decision({"y z x", {{5, 5, 5}, {1, 2, 3}, constant}, {1, 2, 4}}), 2);
    EXPECT_EQ(
        expect_same_decision(
            {"y x x2", {{1, 2, 3, 4, 5, 6}, {1, 2, 3, 4, 5, 6}, constant}, {1, 2, 4, 3, 5, 6}}),
        1);
    EXPECT_EQ(
        expect_same_decision(
            {"y zero x", {{0, 0, 0, 0, 0, 0}, {1, 2, 3, 4, 5, 6}, constant}, {1, 2, 4, 3, 5, 6}}),
        0);
    EXPECT_EQ(expect_same_decision(
                  {"y x c", {{1, 2, 3, 4, 6}, {2, 2, 2, 2, 2}, constant}, {0, 1, 1, 0, 1}}),
              2);
    // The solvers' cases: a combination of two columns, and a nearly dependent column on each
    // side of the 1e-30 ratio (delta 1e-13 kept, 1e-17 dependent); x1 - x0 is orthogonal to x0,
    // so the condition number is about 1/delta and that many digits go.
    EXPECT_EQ(
        expect_same_decision(
            {"2 x0 - x1", {{1, 2, 3, 4, 7}, {2, -1, 0, 5, 1}, {0, 5, 6, 3, 13}}, {0, 1, 4, 9, 16}}),
        2);
    for (Real delta : {1e-13Q, 1e-15Q, 1e-17Q}) {
        const Case near{
            "near", {{1, 2, 3, 4}, {1 + delta, 2 - delta, 3 - delta, 4 + delta}}, {0, 1, 0, 2}};
        EXPECT_EQ(expect_same_decision(near, 1e-16Q), delta > 1e-14Q ? -1 : 1);
        const GramFit fit = gram_least_squares(
            {{near.x[0].data(), near.x[1].data(), near.y.data()}, 4, nullptr}, DEPENDENCE_RATIO);
        // The remaining ratio of x1 is delta^2 * 4 / 30 (its part orthogonal to x0).
        ASSERT_EQ(fit.remaining_ratio.size(), 2u);
        EXPECT_LT(
            relative_error(fit.remaining_ratio[1], delta * delta * 4 / (30 + 4 * delta * delta)),
            1e-3Q);
    }
    // Fewer rows than regressors; an infinite value.
    EXPECT_EQ(
        gram_least_squares({{nullptr, nullptr, nullptr}, 1, nullptr}, DEPENDENCE_RATIO).status,
        GramStatus::too_few_observations);
    const std::vector<Real> bad = {1, __builtin_infq(), 3};
    EXPECT_EQ(gram_least_squares({{bad.data(), nullptr, bad.data()}, 3, nullptr}, DEPENDENCE_RATIO)
                  .status,
              GramStatus::non_finite);
}

// ---- Threads and weights ----

TEST(GramKernel, SameBitsOnAnyNumberOfThreadsWithRowListsAndWeightedRowsAsScaled) {
    const std::size_t n = 150001; // not a multiple of any thread count tried
    std::mt19937_64 rng(11);
    std::vector<std::vector<Real>> cols(4, std::vector<Real>(n));
    std::vector<Real> scale(n);
    for (std::size_t i = 0; i < n; ++i) {
        for (int j = 0; j < 3; ++j)
            cols[j][i] = Real(static_cast<long long>(rng() % 2000001) - 1000000) / 4096 * (j + 1);
        cols[3][i] =
            cols[0][i] - 2 * cols[2][i] + Real(static_cast<long long>(rng() % 1001) - 500) / 3;
        scale[i] = sqrtq(Real(1 + rng() % 7));
    }
    GramColumns data{
        {cols[0].data(), nullptr, cols[1].data(), cols[2].data(), cols[3].data()}, n, nullptr};
    const GramFit one = gram_least_squares(data, DEPENDENCE_RATIO, 1);
    ASSERT_TRUE(one.ok());
    for (int threads : {2, 3, 7}) {
        const GramFit many = gram_least_squares(data, DEPENDENCE_RATIO, threads);
        ASSERT_TRUE(many.ok());
        EXPECT_TRUE(bits_equal(many.sse, one.sse)) << threads;
        for (int j = 0; j < 4; ++j) EXPECT_TRUE(bits_equal(many.coef[j], one.coef[j])) << threads;
        for (std::size_t e = 0; e < one.xtx_inverse.size(); ++e)
            EXPECT_TRUE(bits_equal(many.xtx_inverse[e], one.xtx_inverse[e])) << threads;
    }
    // The residual pass: the same residuals and sums on one thread and on three.
    std::vector<Real> residuals_one(n), residuals_three(n);
    const ResidualSums sums_one =
        gram_residuals(data, one.coef_wide, residuals_one.data(), nullptr, 1);
    const ResidualSums sums_three =
        gram_residuals(data, one.coef_wide, residuals_three.data(), nullptr, 3);
    EXPECT_TRUE(bits_equal(sums_one.sse, sums_three.sse));
    EXPECT_TRUE(bits_equal(sums_one.sum, sums_three.sum));
    EXPECT_EQ(std::memcmp(residuals_one.data(), residuals_three.data(), n * sizeof(Real)), 0);
    // With the intercept the residuals sum to zero, up to the rounding of each.
    EXPECT_LT(fabsq(sums_one.sum), 1e-25Q * n * 1000);

    // A row list (every row but each fifth) reads the columns in place: the same bits as the
    // compacted copies, on any number of threads, with the residuals written at the rows' own
    // positions and the skipped positions untouched.
    std::vector<std::size_t> rows;
    for (std::size_t i = 0; i < n; ++i)
        if (i % 5 != 0) rows.push_back(i);
    std::vector<std::vector<Real>> kept(4);
    for (int j = 0; j < 4; ++j)
        for (std::size_t r : rows) kept[j].push_back(cols[j][r]);
    const GramColumns compact{
        {kept[0].data(), nullptr, kept[1].data(), kept[2].data(), kept[3].data()}, rows.size()};
    GramColumns listed = data;
    listed.nobs = rows.size();
    listed.rows = rows.data();
    const GramFit from_copy = gram_least_squares(compact, DEPENDENCE_RATIO, 1);
    std::vector<Real> compact_residuals(rows.size());
    gram_residuals(compact, from_copy.coef_wide, compact_residuals.data(), nullptr, 1);
    for (int threads : {1, 3}) {
        const GramFit in_place = gram_least_squares(listed, DEPENDENCE_RATIO, threads);
        ASSERT_TRUE(in_place.ok());
        EXPECT_TRUE(bits_equal(in_place.sse, from_copy.sse));
        for (int j = 0; j < 4; ++j) EXPECT_TRUE(bits_equal(in_place.coef[j], from_copy.coef[j]));
        std::vector<Real> at_positions(n, Real(-7));
        gram_residuals(listed, in_place.coef_wide, at_positions.data(), nullptr, threads);
        for (std::size_t i = 0; i < rows.size(); ++i)
            ASSERT_TRUE(bits_equal(at_positions[rows[i]], compact_residuals[i])) << i;
        for (std::size_t i = 0; i < n; i += 5) ASSERT_TRUE(bits_equal(at_positions[i], -7)) << i;
    }
    // Gram-Schmidt on the copy the same regression makes today: Gram-Schmidt keeps about 30
    // digits here, so that is the agreement asked for.
    DataMatrix copy(static_cast<int>(n), 5);
    for (std::size_t i = 0; i < n; ++i) {
        copy.at(static_cast<int>(i), 0) = cols[0][i];
        copy.at(static_cast<int>(i), 1) = 1;
        copy.at(static_cast<int>(i), 2) = cols[1][i];
        copy.at(static_cast<int>(i), 3) = cols[2][i];
        copy.at(static_cast<int>(i), 4) = cols[3][i];
    }
    DataMatrix weighted = copy;
    for (int c = 0; c < 5; ++c)
        for (std::size_t i = 0; i < n; ++i) weighted.at(static_cast<int>(i), c) *= scale[i];
    const LeastSquaresFit gs = GSREG(copy);
    const LeastSquaresFit gs_weighted = GSREG(weighted);
    data.row_scale = scale.data();
    const GramFit kernel_weighted = gram_least_squares(data, DEPENDENCE_RATIO);
    ASSERT_TRUE(gs.ok() && gs_weighted.ok() && kernel_weighted.ok());
    for (int j = 0; j < 4; ++j) {
        EXPECT_LT(relative_error(one.coef[j], gs.coef[j]), 1e-28Q) << j;
        EXPECT_LT(relative_error(kernel_weighted.coef[j], gs_weighted.coef[j]), 1e-28Q) << j;
        EXPECT_LT(relative_error(kernel_weighted.inverse_at(j, j), gs_weighted.inverse_at(j, j)),
                  1e-28Q)
            << j;
    }
    EXPECT_LT(relative_error(one.sse, gs.sse), 1e-28Q);
    EXPECT_LT(relative_error(sums_one.sse, gs.sse), 1e-28Q);
    EXPECT_LT(relative_error(kernel_weighted.sse, gs_weighted.sse), 1e-28Q);
    // The weights change the fit: the weighted and unweighted coefficients differ.
    EXPECT_GT(relative_error(kernel_weighted.coef[0], one.coef[0]), 1e-6Q);
}

} // namespace
} // namespace tarvex
