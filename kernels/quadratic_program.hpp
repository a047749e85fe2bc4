// Convex quadratic programs: minimise 1/2 x'Qx + c'x (Q symmetric positive semidefinite) subject
// to rows a_i'x <= b_i, = b_i or >= b_i and bounds l <= x <= u.
//
// A primal active-set method: a feasible vertex from the linear-program kernel starts it; each
// step minimises over the free variables with the working rows held as equalities (the KKT
// system solved by dense LU), stops at the first constraint in the way and adds it, and drops the
// working constraint whose multiplier has the wrong sign once the step vanishes. Variables at a
// bound leave the system, so a problem with many bounds at their limit (a long-only portfolio)
// solves a system the size of its free variables. The search runs in double for speed; at its
// end x and the multipliers are recomputed in binary128 from the final working set (the KKT
// system solved in binary128 and refined with exactly formed residuals), and the optimality
// conditions are verified in binary128: stationarity, primal feasibility, the multipliers'
// signs and complementary slackness. A failed verification continues the search in binary128
// from the same working set. Vectors in, a struct out: any command may reuse it.
#pragma once

#include "kernels/linear_program.hpp"
#include "numeric/real.hpp"

#include <vector>

namespace tarvex {

struct QuadraticProgram {
    int rows = 0, cols = 0;
    std::vector<Real> q;         // cols x cols, row-major, symmetric
    std::vector<Real> c;         // cols
    std::vector<Real> a;         // rows x cols, row-major
    std::vector<Real> b;         // rows
    std::vector<RowSense> sense; // rows
    std::vector<Real> lower;     // cols; -inf for none
    std::vector<Real> upper;     // cols; +inf for none
    long long step_limit = 0;    // active-set steps each stage may take; 0: the default
};

// The default limit of active-set steps per stage (the search in double, the one in binary128).
long long qp_default_step_limit(int rows, int cols);

enum class QpStatus { OPTIMAL, INFEASIBLE, UNBOUNDED, NO_CERTIFICATE };

// The optimality conditions as verified in binary128, each the largest violation found.
struct QpVerification {
    Real stationarity = 0;    // |Qx + c - A'y - z| over the free variables
    Real feasibility = 0;     // rows and bounds violated
    Real sign = 0;            // multipliers of the wrong sign
    Real complementarity = 0; // |y_i (a_i'x - b_i)| and |z_j (x_j - bound)|
    Real tolerance = 0;       // what each must not exceed (scaled to the problem)
    bool passed = false;
};

struct QpSolution {
    QpStatus status = QpStatus::NO_CERTIFICATE;
    std::vector<Real> x;     // cols
    std::vector<Real> dual;  // rows: change of the optimum per unit of b_i (0 off the active set)
    std::vector<Real> bound; // cols: multipliers of the bounds (change per unit of the bound)
    std::vector<Real> slack; // rows: b_i - a_i'x
    std::vector<bool> active_row;
    Real objective = 0;
    int active_rows = 0, active_bounds = 0;
    long long iterations = 0;       // active-set steps in double
    long long exact_iterations = 0; // steps taken in binary128 after a failed verification
    bool unique_x = true;           // false when Q is flat along a direction the active set allows
    QpVerification check;
};

QpSolution solve_quadratic_program(const QuadraticProgram& problem);

} // namespace tarvex
