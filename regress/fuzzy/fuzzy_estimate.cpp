// The linear program of fuzzy regression and its solution as centres, spreads and band.
#include "regress/fuzzy/fuzzy_estimate.hpp"

#include "numeric/qmath.hpp"

namespace tarvex {

LinearProgram fuzzy_linear_program(const FuzzyData& data, Real h) {
    const std::size_t n = data.y.size(), k = data.x.size();
    const Real width = 1 - h;
    const Real inf = __builtin_huge_valq();
    LinearProgram lp;
    lp.rows = int(2 * n);
    lp.cols = int(2 * k);
    lp.c.assign(2 * k, Real(0));
    lp.a.assign(4 * n * k, Real(0));
    lp.lower.assign(k, -inf);
    lp.lower.resize(2 * k, Real(0));
    lp.upper.assign(2 * k, inf);
    for (std::size_t i = 0; i < n; ++i) {
        Real* above = &lp.a[(2 * i) * 2 * k];
        Real* below = &lp.a[(2 * i + 1) * 2 * k];
        for (std::size_t j = 0; j < k; ++j) {
            const Real xij = data.x[j][i], size = qm::abs(xij);
            above[j] = below[j] = xij;
            above[k + j] = width * size;
            below[k + j] = -width * size;
            lp.c[k + j] += size;
        }
        lp.b.push_back(data.y[i]);
        lp.b.push_back(data.y[i]);
        lp.sense.push_back(RowSense::AT_LEAST);
        lp.sense.push_back(RowSense::AT_MOST);
    }
    return lp;
}

FuzzyFit fit_fuzzy_regression(const FuzzyData& data, Real h) {
    const LpSolution s = solve_linear_program(fuzzy_linear_program(data, h));
    FuzzyFit f;
    f.status = s.status;
    f.iterations = s.iterations + s.exact_iterations;
    if (s.status != LpStatus::OPTIMAL) return f;
    const std::size_t n = data.y.size(), k = data.x.size();
    f.centre.assign(s.x.begin(), s.x.begin() + std::ptrdiff_t(k));
    f.spread.assign(s.x.begin() + std::ptrdiff_t(k), s.x.end());
    f.total_spread = s.objective;
    const Real width = 1 - h;
    for (std::size_t i = 0; i < n; ++i) {
        Real centre = 0, spread = 0;
        for (std::size_t j = 0; j < k; ++j) {
            centre += f.centre[j] * data.x[j][i];
            spread += f.spread[j] * qm::abs(data.x[j][i]);
        }
        f.fitted.push_back(centre);
        f.lower.push_back(centre - width * spread);
        f.upper.push_back(centre + width * spread);
    }
    return f;
}

} // namespace tarvex
