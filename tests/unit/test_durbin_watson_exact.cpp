// Symmetric eigenvalues and the exact Durbin-Watson test: the statistic with orders and gaps,
// the roots of M·A against their closed form 2 - 2cos(pi j/N), probabilities of quadratic forms
// against the ratio-of-normals and exponential-sum closed forms, and a three-observation
// regression worked by hand, with independent and with AR(1) errors, and its critical value.
#include "kernels/durbin_watson_exact.hpp"

#include "numeric/decimal.hpp"
#include "numeric/symmetric_eigen.hpp"

#include <gtest/gtest.h>

#include <cstddef>

namespace tarvex {
namespace {

::testing::AssertionResult close(Real actual, Real expected, Real tolerance) {
    if (fabsq(actual - expected) <= tolerance) return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure()
           << "got " << real_to_string(actual) << ", expected " << real_to_string(expected);
}

TEST(SymmetricEigen, KnownSpectraAreFound) {
    // The first-difference matrix D'D of order n has eigenvalues 2 - 2cos(pi j/n), j = 0..n-1.
    const int n = 9;
    std::vector<Real> a = difference_matrix(n, DifferenceScheme{});
    std::vector<Real> values;
    ASSERT_TRUE(symmetric_eigenvalues(a, n, values));
    ASSERT_EQ(values.size(), static_cast<std::size_t>(n));
    for (int j = 0; j < n; ++j)
        EXPECT_TRUE(close(values[j], 2 - 2 * cosq(M_PIq * j / n), 1e-32Q)) << j;

    // H diag(5, -3, 0.5, 2, 1e-6) H with the reflection H = I - 2vv'/v'v (orthogonal, symmetric).
    const Real diagonal[] = {5, -3, 0.5Q, 2, 1e-6Q};
    const Real v[] = {1, -2, 0.5Q, 3, 1};
    Real vv = 0;
    for (Real x : v) vv += x * x;
    const int m = 5;
    std::vector<Real> h(m * m), b(m * m, 0);
    for (int i = 0; i < m; ++i)
        for (int j = 0; j < m; ++j) h[j * m + i] = (i == j ? 1 : 0) - 2 * v[i] * v[j] / vv;
    for (int i = 0; i < m; ++i)
        for (int j = 0; j < m; ++j)
            for (int l = 0; l < m; ++l) b[j * m + i] += h[l * m + i] * diagonal[l] * h[l * m + j];
    ASSERT_TRUE(symmetric_eigenvalues(b, m, values));
    const Real sorted[] = {-3, 1e-6Q, 0.5Q, 2, 5};
    for (int j = 0; j < m; ++j) EXPECT_TRUE(close(values[j], sorted[j], 1e-31Q)) << j;

    // 1 by 1 and diagonal matrices come back exactly, sorted; the upper triangle is not read.
    std::vector<Real> one = {7};
    ASSERT_TRUE(symmetric_eigenvalues(one, 1, values));
    EXPECT_EQ(values[0], 7);
    std::vector<Real> diag = {4, 0, 0, 99, -1, 0, 99, 99, 2.5Q};
    ASSERT_TRUE(symmetric_eigenvalues(diag, 3, values));
    EXPECT_EQ(values, (std::vector<Real>{-1, 2.5Q, 4}));
    // A NaN cannot settle and is reported, not looped on.
    std::vector<Real> bad = {1, nanq(""), nanq(""), 1};
    EXPECT_FALSE(symmetric_eigenvalues(bad, 2, values));
}

TEST(DurbinWatsonStatistic, OrdersAndGaps) {
    // e = 1 -1 2 0 1, sum of squares 7. First differences -2 3 -2 1: d = 18/7. A gap after
    // observation 2 leaves out the 3: 9/7. Second-order differences 1 1 -1: 3/7.
    const std::vector<Real> e = {1, -1, 2, 0, 1};
    EXPECT_TRUE(close(durbin_watson_statistic(e, {1, 0}), 18 / 7.0Q, 1e-33Q));
    EXPECT_TRUE(close(durbin_watson_statistic(e, {1, 2}), 9 / 7.0Q, 1e-33Q));
    EXPECT_TRUE(close(durbin_watson_statistic(e, {2, 0}), 3 / 7.0Q, 1e-33Q));
    EXPECT_EQ(durbin_watson_statistic({0, 0, 0}, {1, 0}), 0);
    // e'Ae reproduces the sums of squared differences for each scheme.
    for (DifferenceScheme scheme :
         {DifferenceScheme{1, 0}, DifferenceScheme{1, 2}, DifferenceScheme{2, 0}}) {
        const std::vector<Real> a = difference_matrix(5, scheme);
        Real form = 0;
        for (int i = 0; i < 5; ++i)
            for (int j = 0; j < 5; ++j) form += e[i] * a[j * 5 + i] * e[j];
        EXPECT_TRUE(close(form / 7, durbin_watson_statistic(e, scheme), 1e-33Q));
    }
}

TEST(QuadraticFormProbability, ClosedFormsOfRatiosAndExponentialSums) {
    Real p = -1;
    // w = (2, -1): P(2 z1^2 <= z2^2) = P(|z2/z1| >= sqrt 2) = 1 - (2/pi) atan(sqrt 2).
    ASSERT_EQ(quadratic_form_lower_probability({2, -1}, p), DwStatus::ok);
    EXPECT_TRUE(close(p, 1 - 2 * atanq(sqrtq(2)) / M_PIq, 1e-20Q));
    // Symmetric weights: 1/2.
    ASSERT_EQ(quadratic_form_lower_probability({1, -1}, p), DwStatus::ok);
    EXPECT_TRUE(close(p, 0.5Q, 1e-20Q));
    // Paired weights make sums of exponentials: c = (3, -1) pairs give P(S > 0) = 3/4; c = (2, 1,
    // -1) give P(S > 0) = 2/1 * 2/3 + 1/(-1) * 1/2 = 5/6.
    ASSERT_EQ(quadratic_form_lower_probability({3, 3, -1, -1}, p), DwStatus::ok);
    EXPECT_TRUE(close(p, 0.25Q, 1e-20Q));
    ASSERT_EQ(quadratic_form_lower_probability({2, -1, 1, 2, -1, 1}, p), DwStatus::ok);
    EXPECT_TRUE(close(p, 1 / 6.0Q, 1e-20Q));
    // Twenty distinct pairs c_j = j - 7.5 (j = 1..20), weights of both signs: the sum of
    // exponentials has P(S > 0) = sum over c_j > 0 of prod_{k != j} c_j/(c_j - c_k).
    std::vector<Real> many;
    Real above = 0;
    for (int j = 1; j <= 20; ++j) {
        const Real c = j - 7.5Q;
        many.push_back(c);
        many.push_back(c);
        if (c > 0) {
            Real term = 1;
            for (int k = 1; k <= 20; ++k)
                if (k != j) term *= c / (c - (k - 7.5Q));
            above += term;
        }
    }
    ASSERT_EQ(quadratic_form_lower_probability(many, p), DwStatus::ok);
    EXPECT_TRUE(close(p, 1 - above, 1e-20Q));
    // All weights of one sign; all zero is no distribution.
    ASSERT_EQ(quadratic_form_lower_probability({0.5Q, 1, 3}, p), DwStatus::ok);
    EXPECT_TRUE(close(p, 0, 1e-20Q));
    ASSERT_EQ(quadratic_form_lower_probability({-0.5Q, -4}, p), DwStatus::ok);
    EXPECT_TRUE(close(p, 1, 1e-20Q));
    EXPECT_EQ(quadratic_form_lower_probability({0, 0}, p), DwStatus::integration_error);
    EXPECT_EQ(quadratic_form_lower_probability({1, nanq("")}, p), DwStatus::integration_error);
}

// The regression of y on an intercept alone, by Householder, kept for the test.
struct Factored {
    DataMatrix data;
    HouseholderSolve solve;
};

Factored intercept_only(const std::vector<Real>& y) {
    Factored out;
    out.data = DataMatrix(static_cast<int>(y.size()), 2);
    for (int i = 0; i < out.data.nobs; ++i) {
        out.data.at(i, 0) = 1;
        out.data.at(i, 1) = y[i];
    }
    out.solve = householder_solve(out.data);
    return out;
}

TEST(ExactDurbinWatson, InterceptOnlyRootsAreThoseOfTheDifferenceMatrix) {
    // The constant vector spans the null space of A, so M·A has the roots 2 - 2cos(pi j/N),
    // j = 1..N-1, on the residual space.
    const Factored f = intercept_only({3, 1, 4, 1, 5, 9, 2, 6});
    ASSERT_TRUE(f.solve.fit.ok());
    const DurbinWatsonForms forms = durbin_watson_forms(f.data, f.solve.factor, {});
    std::vector<Real> roots;
    ASSERT_EQ(durbin_watson_roots(forms, roots), DwStatus::ok);
    ASSERT_EQ(roots.size(), 7u);
    for (int j = 1; j < 8; ++j)
        EXPECT_TRUE(close(roots[j - 1], 2 - 2 * cosq(M_PIq * j / 8), 1e-31Q)) << j;
}

TEST(ExactDurbinWatson, ThreeObservationsWorkedByHand) {
    // y = 1 2 4 on an intercept: e = -4/3 -1/3 5/3, d = 5 / (42/9) = 15/14. The roots are 1 and
    // 3, so d <= d0 when (3 - d0) z2^2 <= (d0 - 1) z1^2, a Cauchy event:
    // P(d <= d0) = (2/pi) atan(sqrt((d0 - 1)/(3 - d0))) = (2/pi) atan(sqrt(1/27)) = 0.1210377...
    const Factored f = intercept_only({1, 2, 4});
    ASSERT_TRUE(f.solve.fit.ok());
    const Real d = durbin_watson_statistic(f.solve.fit.residuals, {});
    EXPECT_TRUE(close(d, 15 / 14.0Q, 1e-32Q));
    const DurbinWatsonForms forms = durbin_watson_forms(f.data, f.solve.factor, {});
    const DwProbability p = durbin_watson_probability(forms, d);
    ASSERT_EQ(p.status, DwStatus::ok);
    const Real expected = 2 * atanq(sqrtq(1 / 27.0Q)) / M_PIq;
    EXPECT_TRUE(close(p.lower, expected, 1e-20Q));
    EXPECT_TRUE(close(p.upper, 1 - expected, 1e-20Q));
    EXPECT_TRUE(close(p.lower, 0.121038Q, 5e-7Q)); // as the report prints it, F12.6

    // Critical value for alpha: (d - 1)/(3 - d) = tan(pi alpha/2)^2 = T, d = (1 + 3T)/(1 + T).
    const Real alpha = 0.05Q;
    const Real t = tanq(M_PIq * alpha / 2) * tanq(M_PIq * alpha / 2);
    Real critical = 0;
    ASSERT_EQ(durbin_watson_critical_value(forms, alpha, critical), DwStatus::ok);
    EXPECT_TRUE(close(critical, (1 + 3 * t) / (1 + t), 1e-12Q));

    // AR(1) errors with rho = 1/2 at d0 = 2. In the basis (1,-1,0)/sqrt2, (1,1,-2)/sqrt6 the forms
    // are B - 2I = [1/2, -sqrt3/2; -sqrt3/2, -1/2] and G = [1/2, 1/(4 sqrt3); 1/(4 sqrt3), 2/3];
    // (B - 2I)G has trace -1/3 and determinant -5/16, eigenvalues 5/12 and -3/4, so
    // P(d <= 2) = P(z1^2/z2^2 <= 9/5) = (2/pi) atan(3/sqrt5). Independent errors give 1/2.
    const DwProbability independent = durbin_watson_probability(forms, 2);
    EXPECT_TRUE(close(independent.lower, 0.5Q, 1e-20Q));
    const DurbinWatsonForms ar1 = durbin_watson_forms(f.data, f.solve.factor, {}, 0.5Q);
    const DwProbability correlated = durbin_watson_probability(ar1, 2);
    ASSERT_EQ(correlated.status, DwStatus::ok);
    EXPECT_TRUE(close(correlated.lower, 2 * atanq(3 / sqrtq(5)) / M_PIq, 1e-20Q));
}

TEST(ExactDurbinWatson, ProbabilityRisesWithTheStatisticAndNeedsTwoDegreesOfFreedom) {
    // A trend regression on 12 observations: P(d <= d0) increases from 0 to 1 across the roots.
    DataMatrix data(12, 3);
    for (int i = 0; i < 12; ++i) {
        data.at(i, 0) = i + 1;
        data.at(i, 1) = 1;
        data.at(i, 2) = (i * 7) % 5;
    }
    const HouseholderSolve solve = householder_solve(data);
    ASSERT_TRUE(solve.fit.ok());
    const DurbinWatsonForms forms = durbin_watson_forms(data, solve.factor, {});
    std::vector<Real> roots;
    ASSERT_EQ(durbin_watson_roots(forms, roots), DwStatus::ok);
    ASSERT_EQ(roots.size(), 10u);
    Real previous = -1;
    for (Real d0 = roots.front(); d0 <= roots.back(); d0 += 0.25Q) {
        const DwProbability p = durbin_watson_probability(forms, d0);
        ASSERT_EQ(p.status, DwStatus::ok);
        EXPECT_GT(p.lower, previous);
        EXPECT_TRUE(close(p.lower + p.upper, 1, 1e-30Q));
        previous = p.lower;
    }
    // With N - K = 1 there is no distribution to speak of.
    DataMatrix tiny(2, 2);
    tiny.at(0, 0) = tiny.at(1, 0) = 1;
    tiny.at(0, 1) = 1;
    tiny.at(1, 1) = 3;
    const HouseholderSolve small = householder_solve(tiny);
    const DurbinWatsonForms one = durbin_watson_forms(tiny, small.factor, {});
    EXPECT_EQ(durbin_watson_probability(one, 2).status, DwStatus::too_few_degrees_of_freedom);
    EXPECT_EQ(durbin_watson_roots(one, roots), DwStatus::too_few_degrees_of_freedom);
}

TEST(ExactDurbinWatson, WorkSpaceAndMissingSpaceAreReported) {
    // N = 10, K = 2: one 10 by 10 matrix and two 8 by 8 forms; with RHO two and five.
    EXPECT_EQ(durbin_watson_work_words(10, 2, false), 100 + 2 * 64);
    EXPECT_EQ(durbin_watson_work_words(10, 2, true), 200 + 5 * 64);
    EXPECT_EQ(durbin_watson_work_words(100000, 10, false), 10000000000LL + 2 * 99990LL * 99990LL);
    // Forms that could not be built answer every question with that status.
    DurbinWatsonForms forms;
    forms.status = DwStatus::insufficient_space;
    forms.size = 50;
    std::vector<Real> roots;
    Real critical = 0;
    EXPECT_EQ(durbin_watson_roots(forms, roots), DwStatus::insufficient_space);
    EXPECT_EQ(durbin_watson_probability(forms, 2).status, DwStatus::insufficient_space);
    EXPECT_EQ(durbin_watson_critical_value(forms, 0.05Q, critical), DwStatus::insufficient_space);
}

} // namespace
} // namespace tarvex
