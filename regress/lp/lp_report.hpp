// Writing the results of LP and GAMES (the report changes nothing).
#pragma once

#include "kernels/linear_program.hpp"
#include "regress/lp/game_solution.hpp"

namespace tarvex {

struct Run;

void report_linear_program(Run& run, const LinearProgram& lp, const LpSolution& s);
void report_game(Run& run, int rows, int cols, const GameSolution& g);

// The error of a linear program (LP's or a game's) whose simplex ended without a basis that
// passed the binary128 optimality check: within the pivot limit, or stopped by it.
void report_uncertified(Run& run, long long pivots, long long limit, int err);

} // namespace tarvex
