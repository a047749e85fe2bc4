// Linear programs: maximise or minimise c'x subject to rows a_i'x <= b_i, = b_i or >= b_i and
// bounds l <= x <= u. A bounded-variable primal simplex (two phases, no big M) finds the optimal
// basis in double for speed; the vertex x_B = B^-1 (b - N x_N) and the duals y = B^-T c_B are
// then recomputed in binary128 from that basis, with residuals formed exactly, and the
// certificate (primal feasibility, dual feasibility of the reduced costs, complementary
// slackness) is checked in binary128. When the check fails the simplex goes on pivoting in
// binary128 from the same basis. Degenerate problems fall back to Bland's rule, which cannot
// cycle. Vectors in, a struct out: any command may reuse it.
#pragma once

#include "numeric/real.hpp"

#include <vector>

namespace tarvex {

enum class RowSense { AT_MOST = -1, EQUAL = 0, AT_LEAST = 1 };

struct LinearProgram {
    int rows = 0, cols = 0;
    std::vector<Real> c;         // cols
    std::vector<Real> a;         // rows x cols, row-major
    std::vector<Real> b;         // rows
    std::vector<RowSense> sense; // rows
    std::vector<Real> lower;     // cols; -inf for none
    std::vector<Real> upper;     // cols; +inf for none
    bool maximise = false;
    long long pivot_limit = 0; // pivots each stage may take; 0: 50 (rows + cols) + 10000
};

enum class LpStatus { OPTIMAL, INFEASIBLE, UNBOUNDED, NO_CERTIFICATE };

// The pivots each simplex stage may take when the problem sets no limit of its own.
long long default_pivot_limit(int rows, int cols);

struct LpSolution {
    LpStatus status = LpStatus::NO_CERTIFICATE;
    std::vector<Real> x;       // cols
    std::vector<Real> dual;    // rows: change of the objective per unit of b_i
    std::vector<Real> reduced; // cols: c_j - y'a_j
    std::vector<Real> slack;   // rows: b_i - a_i'x
    Real objective = 0;
    long long iterations = 0;       // pivots and bound flips in double
    long long exact_iterations = 0; // pivots taken in binary128 after a failed certificate
};

LpSolution solve_linear_program(const LinearProgram& problem);

} // namespace tarvex
