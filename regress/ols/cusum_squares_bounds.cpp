// Durbin's critical values of the CUSUM of squares by the response surface of Edgerton and
// Wells (1994, Oxford Bulletin of Economics and Statistics 56, 355-365). The coefficients are
// the published ones as statsmodels' recursive least squares ships them (one column per level).
#include "regress/ols/cusum_squares_bounds.hpp"

#include "numeric/qmath.hpp"
#include "regress/ols/recursive_residuals.hpp"

namespace tarvex {

namespace {

struct CusumSquaresColumn {
    int level_percent; // two-sided
    Real a, b, c;
};

// One-sided levels 10, 5, 2.5, 1 and 0.5 percent: the two-sided 20, 10, 5, 2 and 1 percent.
const CusumSquaresColumn CUSUM_SQUARES_COLUMNS[] = {
    {20, 1.0729830Q, -0.6698868Q, -0.5816458Q}, {10, 1.2238734Q, -0.6700069Q, -0.7351697Q},
    {5, 1.3581015Q, -0.6701218Q, -0.8858694Q},  {2, 1.5174271Q, -0.6702672Q, -1.0847745Q},
    {1, 1.6276236Q, -0.6703724Q, -1.2365861Q},
};

const CusumSquaresColumn* cusum_squares_column(int level_percent) {
    for (const CusumSquaresColumn& c : CUSUM_SQUARES_COLUMNS)
        if (c.level_percent == level_percent) return &c;
    return nullptr;
}

} // namespace

bool cusum_squares_level_tabulated(int level_percent) {
    return cusum_squares_column(level_percent) != nullptr;
}

Real cusum_squares_critical(int r, int level_percent) {
    const CusumSquaresColumn* c = cusum_squares_column(level_percent);
    const Real m = Real(r) / 2 - 1;
    const Real root = qm::sqrt(m);
    return c->a / root + c->b / m + c->c / (m * root);
}

CusumSquaresBounds cusum_squares_bounds(const RecursiveTests& t, int level_percent) {
    CusumSquaresBounds b;
    b.level = level_percent;
    if (t.count < CUSUM_SQUARES_FEWEST || !cusum_squares_level_tabulated(level_percent)) return b;
    b.done = true;
    b.c0 = cusum_squares_critical(t.count, level_percent);
    for (int j = 0; j < t.count; ++j) {
        b.lower.push_back(t.expected[j] - b.c0);
        b.upper.push_back(t.expected[j] + b.c0);
        if (b.first_crossing < 0 && cusum_squares_outside(t, b, j)) b.first_crossing = j;
    }
    return b;
}

bool cusum_squares_outside(const RecursiveTests& t, const CusumSquaresBounds& b, int j) {
    return b.done && (t.cusumsq[j] < b.lower[j] || t.cusumsq[j] > b.upper[j]);
}

} // namespace tarvex
