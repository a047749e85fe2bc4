// The QP report: the problem, the verified status, the objective, the variables with their bound
// multipliers, the rows with slacks and multipliers, and the binary128 verification of the
// optimality conditions.
#pragma once

#include "kernels/quadratic_program.hpp"

namespace tarvex {

struct Run;
void report_quadratic_program(Run& run, const QuadraticProgram& qp, const QpSolution& s);

} // namespace tarvex
