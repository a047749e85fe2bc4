// The double-precision derivative generator over a block of rows at once: each cell holds the
// block's values, gradients and (on request) Hessians row by row, so that each instruction's
// rule runs as one loop over the rows instead of once a row through the interpreter. It takes
// the common operations (arithmetic, powers, exp, log, square root and the like) of a statement
// over few parameters; for the others the row-at-a-time evaluator (double_derivative.hpp) serves.
// For the operations it takes it computes every value and derivative by the same rule, with the
// same operations in the same order, as the row-at-a-time evaluator, so that both give the same
// bits. Like it, it only serves searches whose end point binary128 iterations take over.
#pragma once

#include "expr/executor.hpp"
#include "expr/program.hpp"

#include <cstddef>
#include <cstdint>
#include <functional>
#include <vector>

namespace tarvex::expr {

// How the variables of a program stand for parameters and data: `parameter(ref)` gives the
// parameter index (0-based) of the variable `ref`, or -1; `data(ref, count, out)` writes the
// values of a variable that is not a parameter at the block's `count` rows, false when there
// are none.
struct DoubleBlockBinding {
    std::function<int(int ref)> parameter;
    std::function<bool(int ref, std::size_t count, double* out)> data;
};

// A rule's derivative in one operand over the rows: `row` when it varies, else `constant`.
struct BlockCoefficient {
    const double* row = nullptr;
    double constant = 0;
    bool present() const { return row != nullptr || constant != 0; }
    double at(std::size_t i) const { return row ? row[i] : constant; }
};

class DoubleBlockEvaluator {
public:
    static constexpr std::size_t BLOCK = 256; // rows evaluated at once, at most
    static constexpr int MOST_PARAMETERS = 8; // the Hessian's pattern is one 64-bit mask

    // Whether the program's operations all have a block rule and there are at most
    // MOST_PARAMETERS parameters.
    static bool supported(const Program& program, int k);

    DoubleBlockEvaluator(const Program& program, DoubleBlockBinding binding, int k, bool second);
    // Evaluates the statement at the parameter values b (K values) over `count` <= BLOCK rows;
    // false when a value at some row is not finite or an operation is undefined there.
    bool evaluate(const double* b, std::size_t count);
    // After a successful evaluation, valid until the next: the values over the rows, and
    // derivative j (the Hessian's (i, j), i <= j) over the rows, or null where it is zero at
    // every row by the statement's form.
    const double* value() const { return &val_[at(result_) * BLOCK]; }
    const double* gradient(int j) const;
    const double* hessian(int i, int j) const;

private:
    struct Undefined {};
    using Coefficient = BlockCoefficient;

    const Program* p_;
    Decoded d_;
    DoubleBlockBinding bind_;
    std::size_t k_, count_ = 0;
    bool second_;
    std::vector<int> parameter_of_;    // each variable cell's parameter (-1: a datum), by cell
    std::vector<double> val_;          // cells x BLOCK
    std::vector<double> grad_;         // cells x K x BLOCK
    std::vector<double> hess_;         // cells x K x K x BLOCK (entries i <= j)
    std::vector<std::uint64_t> gmask_; // the cell's gradient entries that may be nonzero
    std::vector<std::uint64_t> hmask_; // its Hessian entries (bit 8 i + j, i <= j)
    std::vector<double> zeros_;        // BLOCK zeros, for entries outside a mask
    std::vector<double> scratch_;      // 6 x BLOCK: a rule's value and coefficients
    std::vector<double> g_, h_;        // a result's gradient and Hessian before it is stored
    std::vector<double> constants_;    // 5 x BLOCK: constant coefficients spread over the rows
    int result_ = 0;                   // the cell of the statement's value

    std::vector<int> slot_; // each cell's place in the arrays (-1: unused)
    // The cell's place: only the cells the statement uses have one.
    std::size_t at(int cell) const {
        return static_cast<std::size_t>(slot_[static_cast<std::size_t>(cell)]);
    }
    bool varies(int cell) const { return cell > 0 && gmask_[at(cell)] != 0; }
    const double* grad_of(int cell, std::size_t j) const;
    const double* hess_of(int cell, std::size_t i, std::size_t j) const;
    double* scratch(int n) { return &scratch_[static_cast<std::size_t>(n) * BLOCK]; }
    // The coefficient at each row: its own array, or its constant spread into buffer `slot`.
    const double* rows_of(Coefficient c, int slot);
    // r := the values in `value` with first derivatives da, db and second derivatives daa, dab,
    // dbb in the operands a and b (b = 0: one operand), by the row-at-a-time evaluator's rule.
    void set(int r, const double* value, int a, Coefficient da, int b = 0, Coefficient db = {},
             Coefficient daa = {}, Coefficient dab = {}, Coefficient dbb = {});
    void function(const Step& s);
    void binary(const Step& s);
};

} // namespace tarvex::expr
