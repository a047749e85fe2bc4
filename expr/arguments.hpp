// Arguments of a function instruction: the comma operation pairs its two operands for the
// function that follows, so MIN(A, B, C) reaches MIN as one temporary made by two commas. These
// helpers unfold that chain, for the compiler's checks and the executor's decoding alike.
#pragma once

#include "expr/program.hpp"

#include <vector>

namespace tarvex::expr {

// The argument cells of instruction k, in the order written (one cell when no comma feeds it).
std::vector<int> function_arguments(const Program& program, int k);
// Number of arguments each function accepts (minimum and maximum; -1 = any number).
struct Arity {
    int min = 1;
    int max = 1;
};
Arity function_arity(int op);
// Marks the variable cells whose value at the current observation is read (program.direct); a
// variable that only appears lagged, subscripted, or as the argument of DATA, SAMP or a RECODE
// table is not read there.
void mark_direct_uses(Program& program);

} // namespace tarvex::expr
