// Writing the results of LP and GAMES (the report changes nothing).
#pragma once

#include "kernels/linear_program.hpp"
#include "regress/lp/game_solution.hpp"

namespace tarvex {

struct Run;

void report_linear_program(Run& run, const LinearProgram& lp, const LpSolution& s);
void report_game(Run& run, int rows, int cols, const GameSolution& g);

} // namespace tarvex
