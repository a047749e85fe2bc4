// The linear program of fuzzy regression and its solution as centres, spreads and band.
#include "regress/fuzzy/fuzzy_estimate.hpp"

#include "numeric/exact_sums.hpp"
#include "numeric/qmath.hpp"

namespace tarvex {

LinearProgram fuzzy_dual_program(const FuzzyData& data, Real h) {
    const std::size_t n = data.y.size(), k = data.x.size();
    const Real width = 1 - h;
    LinearProgram lp;
    lp.maximise = true;
    lp.rows = int(2 * k);
    lp.cols = int(2 * n);
    lp.a.assign(2 * k * 2 * n, Real(0));
    lp.lower.assign(2 * n, Real(0));
    lp.upper.assign(2 * n, __builtin_huge_valq());
    std::vector<Real> spread_weight(k);
    for (std::size_t i = 0; i < n; ++i) {
        lp.c.push_back(data.y[i]);  // u_i: the band's upper edge reaches y_i
        lp.c.push_back(-data.y[i]); // v_i: its lower edge does
    }
    for (std::size_t j = 0; j < k; ++j) {
        Real* centre = &lp.a[j * 2 * n];
        Real* spread = &lp.a[(k + j) * 2 * n];
        std::vector<Real> sizes(n);
        for (std::size_t i = 0; i < n; ++i) {
            const Real xij = data.x[j][i];
            sizes[i] = qm::abs(xij);
            centre[2 * i] = xij;
            centre[2 * i + 1] = -xij;
            spread[2 * i] = spread[2 * i + 1] = width * sizes[i];
        }
        spread_weight[j] = exact_sum(sizes.data(), n); // sum_i |x_ij|, rounded once
    }
    lp.b.assign(k, Real(0));
    lp.b.insert(lp.b.end(), spread_weight.begin(), spread_weight.end());
    lp.sense.assign(k, RowSense::EQUAL);
    lp.sense.resize(2 * k, RowSense::AT_MOST);
    return lp;
}

FuzzyFit fit_fuzzy_regression(const FuzzyData& data, Real h) {
    const LpSolution s = solve_linear_program(fuzzy_dual_program(data, h));
    FuzzyFit f;
    // The dual's infeasibility is the estimate's unboundedness and the other way round.
    f.status = s.status == LpStatus::INFEASIBLE  ? LpStatus::UNBOUNDED
               : s.status == LpStatus::UNBOUNDED ? LpStatus::INFEASIBLE
                                                 : s.status;
    f.iterations = s.iterations + s.exact_iterations;
    if (s.status != LpStatus::OPTIMAL) return f;
    const std::size_t n = data.y.size(), k = data.x.size();
    // The centres and spreads are the dual values of the dual's rows, exact from its certified
    // basis: the change of the largest y'(u - v) per unit of each row's right side.
    f.centre.assign(s.dual.begin(), s.dual.begin() + std::ptrdiff_t(k));
    f.spread.assign(s.dual.begin() + std::ptrdiff_t(k), s.dual.end());
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
