// Quantile regression on small problems full of ties and repeated rows (degenerate vertices):
// the simplex's sum of check losses must equal the least over every basis of K observations,
// found by trying them all (integer data, so each basis is solved exactly by Cramer's rule).
#include "regress/robust/quantile_simplex.hpp"
#include "tests/unit/reference_support.hpp"

#include <gtest/gtest.h>
#include <random>

namespace tarvex {
namespace {

struct TinyProblem {
    int k = 2;
    std::vector<std::vector<long long>> cols; // k - 1 regressors (the intercept is implicit)
    std::vector<long long> y;
};

long long det_of(std::vector<std::vector<long long>> m) {
    // Fraction-free elimination (Bareiss): exact for the small integers used here.
    const std::size_t k = m.size();
    long long sign = 1, prev = 1;
    for (std::size_t c = 0; c < k; ++c) {
        std::size_t p = c;
        while (p < k && m[p][c] == 0) ++p;
        if (p == k) return 0;
        if (p != c) {
            std::swap(m[p], m[c]);
            sign = -sign;
        }
        for (std::size_t r = c + 1; r < k; ++r) {
            for (std::size_t j = c + 1; j < k; ++j)
                m[r][j] = (m[r][j] * m[c][c] - m[r][c] * m[c][j]) / prev;
            m[r][c] = 0;
        }
        prev = m[c][c];
    }
    return sign * m[k - 1][k - 1];
}

long long design_at(const TinyProblem& t, std::size_t i, int j) {
    return j == 0 ? 1 : t.cols[std::size_t(j - 1)][i];
}

// The least sum of check losses over every nonsingular basis of K observations.
Real brute_force_optimum(const TinyProblem& t, Real tau) {
    const std::size_t n = t.y.size();
    const int k = t.k;
    Real best = -1;
    std::vector<std::size_t> pick(static_cast<std::size_t>(k));
    for (int r = 0; r < k; ++r) pick[std::size_t(r)] = std::size_t(r);
    for (;;) {
        std::vector<std::vector<long long>> m(static_cast<std::size_t>(k),
                                              std::vector<long long>(static_cast<std::size_t>(k)));
        for (int r = 0; r < k; ++r)
            for (int j = 0; j < k; ++j)
                m[std::size_t(r)][std::size_t(j)] = design_at(t, pick[std::size_t(r)], j);
        const long long det = det_of(m);
        if (det != 0) {
            std::vector<Real> b(static_cast<std::size_t>(k));
            for (int j = 0; j < k; ++j) {
                auto mj = m;
                for (int r = 0; r < k; ++r)
                    mj[std::size_t(r)][std::size_t(j)] = t.y[pick[std::size_t(r)]];
                b[std::size_t(j)] = Real(det_of(mj)) / Real(det);
            }
            Real obj = 0;
            for (std::size_t i = 0; i < n; ++i) {
                Real fit = 0;
                for (int j = 0; j < k; ++j) fit += Real(design_at(t, i, j)) * b[std::size_t(j)];
                obj += check_loss(Real(t.y[i]) - fit, tau);
            }
            if (best < 0 || obj < best) best = obj;
        }
        int r = k - 1;
        while (r >= 0 && pick[std::size_t(r)] == n - std::size_t(k - r)) --r;
        if (r < 0) break;
        ++pick[std::size_t(r)];
        for (int q = r + 1; q < k; ++q) pick[std::size_t(q)] = pick[std::size_t(q - 1)] + 1;
    }
    return best;
}

// A problem of n rows: `distinct` rows of small integers, the rest drawn again from them.
TinyProblem tiny_problem(std::mt19937& gen, int k, int n, int distinct, int spread) {
    std::uniform_int_distribution<int> value(0, spread);
    TinyProblem t;
    t.k = k;
    t.cols.assign(std::size_t(k - 1), {});
    for (int i = 0; i < n; ++i) {
        const int from =
            i < distinct ? -1 : std::uniform_int_distribution<int>(0, distinct - 1)(gen);
        for (auto& c : t.cols) c.push_back(from < 0 ? value(gen) : c[std::size_t(from)]);
        t.y.push_back(from < 0 ? value(gen) : t.y[std::size_t(from)]);
    }
    return t;
}

void expect_brute_force_optimum(const TinyProblem& t, Real tau, int trial) {
    const Real best = brute_force_optimum(t, tau);
    if (best < 0) return; // no basis: the design is degenerate
    std::vector<std::vector<Real>> cols;
    for (const auto& c : t.cols) cols.emplace_back(c.begin(), c.end());
    std::vector<const Real*> x{nullptr};
    for (const auto& c : cols) x.push_back(c.data());
    const std::vector<Real> y(t.y.begin(), t.y.end());
    const QuantileFit f = fit_quantile(x, y.data(), y.size(), tau);
    ASSERT_EQ(f.end, QuantileEnd::OPTIMAL) << "trial " << trial << " tau " << double(tau);
    // Agreement to binary128's rounding of the data's size (an exact fit rounds to about 1E-34).
    Real size = 1;
    for (const long long v : t.y) size += Real(v < 0 ? -v : v);
    const Real gap = f.objective - best;
    EXPECT_LE(gap < 0 ? -gap : gap, 1e-28Q * size)
        << "trial " << trial << " tau " << double(tau) << ": " << double(f.objective) << " vs "
        << double(best);
    for (const Real dual : f.duals) {
        EXPECT_GE(dual, tau - 1 - 1e-26Q) << "trial " << trial;
        EXPECT_LE(dual, tau + 1e-26Q) << "trial " << trial;
    }
}

TEST(QuantileDegenerate, TiesAndRepeatsReachTheBruteForceOptimum) {
    std::mt19937 gen(20261208);
    const Real taus[] = {0.1Q, 0.25Q, 0.5Q, 0.75Q, 0.9Q};
    for (int trial = 0; trial < 240; ++trial) {
        const int k = 2 + trial % 2;
        const int n = 6 + trial % 5;
        // Few distinct rows of few values: most residuals tie at zero somewhere.
        const int distinct = std::max(k + 1, n - 1 - trial % 4);
        const TinyProblem t = tiny_problem(gen, k, n, distinct, trial % 3 == 0 ? 2 : 6);
        for (const Real tau : taus) expect_brute_force_optimum(t, tau, trial);
    }
}

// Rows repeated many times (a bootstrap sample of a small data set) around an exact fit.
TEST(QuantileDegenerate, RepeatedRowsOfAnExactFit) {
    TinyProblem t;
    t.k = 2;
    t.cols.assign(1, {});
    for (int i = 0; i < 10; ++i) {
        t.cols[0].push_back(i % 3);
        t.y.push_back(2 * (i % 3) + 1 + (i == 9 ? 5 : 0));
    }
    for (const Real tau : {0.2Q, 0.5Q, 0.8Q}) {
        expect_brute_force_optimum(t, tau, -1);
        EXPECT_TRUE(
            testing::agrees(brute_force_optimum(t, tau), 5 * tau, 1e-30Q)); // the line 2x + 1
    }
}

// An observation whose regressors and response are all zero: where it is in the basis, the
// intercept solved from the basis is zero only to rounding, and that rounding must not count
// as a residual of the zero row (which would leave the optimum unproven).
TEST(QuantileDegenerate, ARowOfZerosInTheBasis) {
    TinyProblem t;
    t.k = 3;
    t.cols = {{2, 3, 5, 2, 0, 5, 5, 5}, {1, 0, 1, 2, 0, 2, 1, 2}};
    t.y = {3, 1, 2, 2, 0, 6, 2, 6};
    for (const Real tau : {0.1Q, 0.25Q, 0.5Q, 0.75Q, 0.9Q}) expect_brute_force_optimum(t, tau, -2);
    EXPECT_TRUE(testing::agrees(brute_force_optimum(t, 0.25Q), 2.125Q, 1e-30Q));
}

} // namespace
} // namespace tarvex
