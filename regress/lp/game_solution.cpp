// The linear program of a zero-sum game. With every payoff shifted to at least 1 (the value
// becomes v + shift > 0), the column player's program is max 1'y subject to A y <= 1, y >= 0:
// its optimum is 1/(v + shift), its solution scaled to sum 1 the column strategy, and its row
// duals scaled the same way the row strategy.
#include "regress/lp/game_solution.hpp"

#include <algorithm>

namespace tarvex {

GameSolution solve_game(const std::vector<Real>& payoff, int rows, int cols) {
    GameSolution g;
    const Real least = *std::min_element(payoff.begin(), payoff.end());
    const Real shift = Real(1) - least;
    LinearProgram lp;
    lp.rows = rows;
    lp.cols = cols;
    lp.maximise = true;
    lp.c.assign(std::size_t(cols), Real(1));
    lp.b.assign(std::size_t(rows), Real(1));
    lp.sense.assign(std::size_t(rows), RowSense::AT_MOST);
    lp.lower.assign(std::size_t(cols), Real(0));
    lp.upper.assign(std::size_t(cols), __builtin_huge_valq());
    lp.a.resize(payoff.size());
    for (std::size_t k = 0; k < payoff.size(); ++k) lp.a[k] = payoff[k] + shift;
    const LpSolution s = solve_linear_program(lp);
    g.status = s.status;
    g.pivots = s.iterations + s.exact_iterations;
    for (int i = 0; i < rows; ++i)
        for (int j = 0; j < cols; ++j) {
            const Real v = payoff[std::size_t(i * cols + j)];
            bool saddle = true;
            for (int k = 0; k < cols && saddle; ++k)
                saddle = payoff[std::size_t(i * cols + k)] >= v;
            for (int k = 0; k < rows && saddle; ++k)
                saddle = payoff[std::size_t(k * cols + j)] <= v;
            if (saddle) g.saddle_points.emplace_back(i + 1, j + 1);
        }
    if (s.status != LpStatus::OPTIMAL) return g;
    const Real shifted_value = Real(1) / s.objective;
    // A saddle point's entry is the value itself, with no rounding of the shift on the way.
    g.value = g.saddle_points.empty() ? shifted_value - shift
                                      : payoff[std::size_t((g.saddle_points[0].first - 1) * cols +
                                                           g.saddle_points[0].second - 1)];
    for (Real y : s.x) g.col_strategy.push_back(y * shifted_value);
    for (Real u : s.dual) g.row_strategy.push_back(u * shifted_value);
    return g;
}

} // namespace tarvex
