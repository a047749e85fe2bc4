// The three least-squares solvers (Gram-Schmidt, Householder, moment matrix) on a hand-worked
// regression, on dependent and degenerate data, and on the NIST StRD linear regression sets:
// every certified digit of the coefficients, standard errors, residual standard deviation and
// R-squared, and at least 24 digits of the exact rational solutions of the decimal data.
#include "kernels/gram_schmidt.hpp"
#include "kernels/householder.hpp"
#include "kernels/normal_equations.hpp"

#include "numeric/decimal.hpp"
#include "reference_support.hpp"
#include "strd_sets.hpp"

#include <gtest/gtest.h>

#include <fstream>
#include <functional>
#include <map>
#include <sstream>
#include <string>

namespace tarvex {
namespace {

enum class Method { gs, hh, normal };
const Method METHODS[] = {Method::gs, Method::hh, Method::normal};
const char* method_name(Method m) {
    return m == Method::gs ? "GS" : m == Method::hh ? "HH" : "NORMAL";
}

LeastSquaresFit solve(Method method, DataMatrix data) {
    switch (method) {
    case Method::gs:
        return GSREG(data);
    case Method::hh:
        return householder_solve(data).fit;
    case Method::normal:
        return normal_equations_solve(data);
    }
    return {};
}

using testing::relative_error;

// x then the intercept column, then y.
DataMatrix simple_regression(const std::vector<Real>& x, const std::vector<Real>& y) {
    DataMatrix data(static_cast<int>(x.size()), 3);
    for (int i = 0; i < data.nobs; ++i) {
        data.at(i, 0) = x[i];
        data.at(i, 1) = 1;
        data.at(i, 2) = y[i];
    }
    return data;
}

TEST(LeastSquares, HandWorkedSimpleRegressionForEveryMethod) {
    // x = 1..4, y = 2 3 5 6: Sxx = 5, Sxy = 7, slope 1.4, intercept 0.5, residuals .1 -.3 .3 -.1,
    // SSE 0.2; (X'X)^-1 = [1/Sxx, -xbar/Sxx; -xbar/Sxx, 1/n + xbar^2/Sxx] = [.2 -.5; -.5 1.5].
    const DataMatrix data = simple_regression({1, 2, 3, 4}, {2, 3, 5, 6});
    const Real tolerance = 1e-32Q;
    for (Method method : METHODS) {
        SCOPED_TRACE(method_name(method));
        const LeastSquaresFit fit = solve(method, data);
        ASSERT_TRUE(fit.ok());
        ASSERT_EQ(fit.coef.size(), 2u);
        EXPECT_LE(relative_error(fit.coef[0], 1.4Q), tolerance);
        EXPECT_LE(relative_error(fit.coef[1], 0.5Q), tolerance);
        EXPECT_LE(relative_error(fit.sse, 0.2Q), tolerance);
        EXPECT_LE(relative_error(fit.inverse_at(0, 0), 0.2Q), tolerance);
        EXPECT_LE(relative_error(fit.inverse_at(1, 1), 1.5Q), tolerance);
        EXPECT_LE(relative_error(fit.inverse_at(0, 1), -0.5Q), tolerance);
        EXPECT_EQ(fit.inverse_at(0, 1), fit.inverse_at(1, 0));
        const Real residuals[] = {0.1Q, -0.3Q, 0.3Q, -0.1Q};
        ASSERT_EQ(fit.residuals.size(), 4u);
        for (int i = 0; i < 4; ++i)
            EXPECT_LE(fabsq(fit.residuals[i] - residuals[i]), 1e-32Q) << "row " << i;
        // Hat values x_i'(X'X)^-1 x_i = 1/n + (x_i - xbar)^2/Sxx: .7 .3 .3 .7.
        const std::vector<Real> hat = hat_diagonal(data, fit);
        EXPECT_LE(fabsq(hat[0] - 0.7Q) + fabsq(hat[1] - 0.3Q) + fabsq(hat[3] - 0.7Q), 1e-32Q);
    }
}

TEST(LeastSquares, ExactFitAndZeroDegreesOfFreedom) {
    // Two observations, two parameters: the line through both points, SSE 0.
    const DataMatrix data = simple_regression({1, 3}, {5, 9});
    for (Method method : METHODS) {
        SCOPED_TRACE(method_name(method));
        const LeastSquaresFit fit = solve(method, data);
        ASSERT_TRUE(fit.ok());
        EXPECT_LE(fabsq(fit.coef[0] - 2), 1e-32Q);
        EXPECT_LE(fabsq(fit.coef[1] - 3), 1e-32Q);
        EXPECT_LE(fit.sse, 1e-60Q);
    }
}

TEST(LeastSquares, DependentRegressorIsNamedByItsColumn) {
    // Column 2 = 2 * column 0 - column 1: dependent at the third regressor.
    DataMatrix data(5, 4);
    const Real x0[] = {1, 2, 3, 4, 7};
    const Real x1[] = {2, -1, 0, 5, 1};
    for (int i = 0; i < 5; ++i) {
        data.at(i, 0) = x0[i];
        data.at(i, 1) = x1[i];
        data.at(i, 2) = 2 * x0[i] - x1[i];
        data.at(i, 3) = i * i;
    }
    for (Method method : METHODS) {
        SCOPED_TRACE(method_name(method));
        const LeastSquaresFit fit = solve(method, data);
        EXPECT_EQ(fit.status,
                  method == Method::gs ? SolveStatus::dependent_column : SolveStatus::singular);
        EXPECT_EQ(fit.failed_column, 2);
        EXPECT_TRUE(fit.coef.empty());
    }
    // Twin and zero columns, and a nearly dependent column on either side of the threshold, are
    // decided alike by every solver and the kernel: the gram kernel's dependence test.
}

TEST(LeastSquares, TooFewObservations) {
    DataMatrix data(2, 4);
    for (Method method : METHODS)
        EXPECT_EQ(solve(method, data).status, SolveStatus::too_few_observations);
}

TEST(LeastSquares, RidgeShrinksTowardsZeroInBothForms) {
    // Orthogonal regressors x0 = (1,1,-1,-1), x1 = (1,-1,1,-1), so X'X = 4I and the least-squares
    // coefficient is x'y/4. Raw ridge: x'y/(4 + k). Scaled ridge: x'y/(4(1 + k)).
    DataMatrix data(4, 3);
    const Real y[] = {3, 1, -2, 0.5Q};
    for (int i = 0; i < 4; ++i) {
        data.at(i, 0) = i < 2 ? 1 : -1;
        data.at(i, 1) = i % 2 == 0 ? 1 : -1;
        data.at(i, 2) = y[i];
    }
    // x0'y = 3 + 1 + 2 - 0.5 = 5.5; x1'y = 3 - 1 - 2 - 0.5 = -0.5.
    const Real xty[] = {5.5Q, -0.5Q};
    const LeastSquaresFit plain = normal_equations_solve(data);
    NormalOptions scaled;
    scaled.ridge = 0.25Q; // the scaled form is the default
    NormalOptions raw = scaled;
    raw.form = RidgeForm::raw;
    const LeastSquaresFit ridge_raw = normal_equations_solve(data, raw);
    const LeastSquaresFit ridge_scaled = normal_equations_solve(data, scaled);
    ASSERT_TRUE(plain.ok() && ridge_raw.ok() && ridge_scaled.ok());
    for (int j = 0; j < 2; ++j) {
        EXPECT_LE(fabsq(plain.coef[j] - xty[j] / 4), 1e-32Q);
        EXPECT_LE(fabsq(ridge_raw.coef[j] - xty[j] / 4.25Q), 1e-32Q);
        EXPECT_LE(fabsq(ridge_scaled.coef[j] - xty[j] / 5), 1e-32Q);
    }
    EXPECT_LE(fabsq(ridge_raw.inverse_at(0, 0) - 1 / 4.25Q), 1e-32Q);
    EXPECT_LE(fabsq(ridge_scaled.inverse_at(1, 1) - 1 / 5.0Q), 1e-32Q);
    EXPECT_LE(fabsq(ridge_raw.inverse_at(0, 1)), 1e-32Q);
    // The residuals and SSE belong to the shrunken coefficients.
    Real sse = 0;
    for (int i = 0; i < 4; ++i) {
        const Real e = y[i] - ridge_raw.coef[0] * data.at(i, 0) - ridge_raw.coef[1] * data.at(i, 1);
        EXPECT_LE(fabsq(ridge_raw.residuals[i] - e), 1e-32Q);
        sse += e * e;
    }
    EXPECT_LE(fabsq(ridge_raw.sse - sse), 1e-31Q);
}

TEST(LeastSquares, NonFiniteDataGiveNonFiniteResultsWithoutHarm) {
    // A NaN or an infinity in the data must not crash or loop; what comes back is either a
    // status or coefficients that are not finite, never plausible numbers.
    for (Real bad : {nanq(""), __builtin_infq()}) {
        DataMatrix data = simple_regression({1, 2, 3, 4}, {2, 3, 5, 6});
        data.at(2, 0) = bad;
        for (Method method : METHODS) {
            const LeastSquaresFit fit = solve(method, data);
            if (fit.ok()) {
                bool finite = true;
                for (Real b : fit.coef) finite = finite && !isnanq(b) && !isinfq(b);
                EXPECT_FALSE(finite && !isnanq(fit.sse) && !isinfq(fit.sse)) << method_name(method);
            }
        }
    }
}

// ---- NIST StRD ----

using testing::read_strd_data;
using testing::read_strd_values;
using testing::STRD_MODELS;
using testing::StrdModel;

// The set as one data matrix: the regressors, the intercept column last among them, then y.
DataMatrix read_model(const StrdModel& model) {
    const testing::StrdData set = read_strd_data(model);
    const int k = model.degree + (model.intercept ? 1 : 0);
    DataMatrix data(static_cast<int>(set.y.size()), k + 1);
    for (int i = 0; i < data.nobs; ++i) {
        for (int j = 0; j < model.degree; ++j) data.at(i, j) = set.x[j][i];
        if (model.intercept) data.at(i, model.degree) = 1;
        data.at(i, k) = set.y[i];
    }
    return data;
}

// The statistics a regression report prints, in the files' numbering.
struct StrdEstimates {
    std::map<std::string, Real> values; // "b 3", "sd 3", "residsd 0", "r2 0"
};

StrdEstimates estimates(const StrdModel& model, const DataMatrix& data,
                        const LeastSquaresFit& fit) {
    StrdEstimates out;
    const int n = data.nobs;
    const int k = data.nregs();
    const Real variance = fit.sse / (n - k);
    for (int j = 0; j < k; ++j) {
        const int index = model.intercept ? (j == model.degree ? 0 : j + 1) : j;
        out.values["b " + std::to_string(index)] = fit.coef[j];
        out.values["sd " + std::to_string(index)] = sqrtq(variance * fit.inverse_at(j, j));
    }
    out.values["residsd 0"] = sqrtq(variance);
    // R-squared: centred with an intercept, uncentred without.
    const Real* y = data.column(k);
    Real mean = 0;
    if (model.intercept) {
        for (int i = 0; i < n; ++i) mean += y[i];
        mean /= n;
    }
    Real total = 0;
    for (int i = 0; i < n; ++i) total += (y[i] - mean) * (y[i] - mean);
    out.values["r2 0"] = 1 - fit.sse / total;
    return out;
}

// Scale of an absolute comparison where the reference value is 0 (Wampler1 and 2 fit exactly):
// the largest reference value of the same kind.
void check_against(const StrdModel& model, const StrdEstimates& mine,
                   const std::map<std::string, Real>& reference, Real tolerance, const char* what) {
    for (const auto& [key, value] : mine.values) {
        const auto found = reference.find(std::string(model.name) + " " + key);
        ASSERT_NE(found, reference.end()) << model.name << " " << key;
        const Real expected = found->second;
        Real error;
        if (expected != 0)
            error = relative_error(value, expected);
        else
            error = fabsq(value); // statistics that are exactly 0 for an exact fit
        EXPECT_LE(error, tolerance)
            << what << " " << model.name << " " << key << ": got " << real_to_string(value)
            << ", reference " << real_to_string(expected);
    }
}

TEST(StrdRegression, EveryCertifiedDigitAnd24ExactDigitsForEveryMethod) {
    const auto certified = read_strd_values("certified.tsv");
    const auto exact = read_strd_values("exact.tsv");
    ASSERT_GT(certified.size(), 100u);
    ASSERT_GT(exact.size(), 100u);
    for (const StrdModel& model : STRD_MODELS) {
        const DataMatrix data = read_model(model);
        ASSERT_GT(data.nobs, 2) << model.name;
        for (Method method : METHODS) {
            SCOPED_TRACE(std::string(model.name) + " by " + method_name(method));
            const LeastSquaresFit fit = solve(method, data);
            ASSERT_TRUE(fit.ok());
            const StrdEstimates mine = estimates(model, data, fit);
            // NIST certifies 15 significant digits: agreement to half a unit of the 15th.
            check_against(model, mine, certified, 5e-15Q, "certified");
            check_against(model, mine, exact, 1e-24Q, "exact");
        }
    }
}

TEST(StrdRegression, DataFilesReadCompletely) {
    // Observation counts NIST gives for each set.
    const std::map<std::string, int> counts = {
        {"Norris", 36}, {"Pontius", 40}, {"NoInt1", 11},   {"NoInt2", 3},
        {"Filip", 82},  {"Longley", 16}, {"Wampler1", 21}, {"Wampler5", 21},
    };
    for (const StrdModel& model : STRD_MODELS) {
        const auto found = counts.find(model.name);
        if (found != counts.end()) {
            EXPECT_EQ(read_model(model).nobs, found->second) << model.name;
        }
    }
}

} // namespace
} // namespace tarvex
