// Pieces of the executor TRANS shared by its files: the decoded form of a program (each
// function's arguments unfolded, each variable cell bound to its workspace elements) and the
// per-command state that the operations update.
#pragma once

#include "expr/program.hpp"
#include "workspace/workspace.hpp"

#include <string>
#include <vector>

namespace tarvex::expr {

// A variable of the list, bound to its elements for the run.
struct BoundVariable {
    int ref = 0;
    VarInfo info;
    Real* scalar = nullptr; // the result scalar a reference -k reads and writes
    Real* first = nullptr;  // element 1 of a workspace variable (elements `inc` words apart)
    long long rows = 0;     // elements reachable as observations
    std::string name;       // for messages, without trailing blanks
    bool direct = false;    // its value at t is loaded into its cell
    long long base = 1;     // the element at `first` (a window's first observation)
    SeriesWindow* window = nullptr; // a series outside the work area, seen through a window

    // Element k (1-based) of the variable.
    Real& at(Run& run, long long k) const;
    // Element k of a bound workspace variable or a window (first != nullptr).
    Real& element_at(long long k) const { return first[(k - base) * info.inc]; }
};

// One instruction with its arguments unfolded.
struct Step {
    int op = 0;
    int a = 0, b = 0, r = 0; // cells (r: the kind for OP_END)
    int first_arg = 0;       // index of the first argument cell in Decoded::args
    int nargs = 0;
    int reg = -1; // register of LAG of an expression, SUM, one-argument MIN/MAX
    // Set when the run binds the program: a LAG distance or a power that is a constant.
    bool fixed_lag = false; // LAG with no distance or a constant one: lag_distance holds it
    long long lag_distance = 1;
    long long fixed_power = -1; // ** by a constant whole number 0..1024, else -1
};

// Running value kept for one LAG, SUM, MIN or MAX across the processed observations.
struct Register {
    Real value = 0;
    bool started = false;
    std::vector<Real> history; // LAG of an expression by more than one observation
};

struct Decoded {
    std::vector<Step> steps;
    std::vector<int> args;
    int registers = 0;
};

// Unfolds the program's functions and numbers its registers.
Decoded decode(const Program& program);

// The missing-value code as messages print it: general form, 8 significant digits, no blanks.
std::string code_text(Real code);

} // namespace tarvex::expr
