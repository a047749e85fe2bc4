// Two-person zero-sum games: the optimal mixed strategies of both players and the value of the
// game, by the linear program of the payoff matrix shifted to positive values, and the pure
// saddle points (an entry that is the least of its row and the greatest of its column).
#pragma once

#include "kernels/linear_program.hpp"

#include <utility>
#include <vector>

namespace tarvex {

struct GameSolution {
    LpStatus status = LpStatus::NO_CERTIFICATE;
    std::vector<Real> row_strategy; // the maximising row player's probabilities
    std::vector<Real> col_strategy; // the minimising column player's probabilities
    Real value = 0;
    std::vector<std::pair<int, int>> saddle_points; // one-based (row, column)
    long long pivots = 0; // the simplex pivots taken, in double and in binary128
};

// `payoff` is rows x cols row-major: what the column player pays the row player.
GameSolution solve_game(const std::vector<Real>& payoff, int rows, int cols);

} // namespace tarvex
