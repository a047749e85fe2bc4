// The MATRIX executor: runs a program compiled with OMAT once, on whole matrices. Cells are
// variable references (loaded whole from the workspace), temporaries and constants. Each
// instruction checks its operands' shapes, computes its result, and reports as MATRIX does;
// an error stops the program (ODONT, and OSCAN unless OTALK).
#pragma once

#include "core/shared_errors.hpp"
#include "expr/expr_errors.hpp"
#include "expr/matrix_value.hpp"
#include "expr/program.hpp"

#include <functional>
#include <map>
#include <string>
#include <string_view>
#include <utility>

namespace tarvex::expr {

// Runs the program; on success `result` holds the value of its last instruction.
bool run_matrix_program(Run& run, const Program& program, Matrix& result);

class MatrixExecutor {
public:
    MatrixExecutor(Run& run, const Program& program) : run_(run), p_(program) {}
    bool run(Matrix& result);

private:
    struct Stop {}; // thrown once an error has been reported

    Run& run_;
    const Program& p_;
    std::map<int, Matrix> temps_;
    std::map<int, std::pair<int, int>> commas_; // the two operands of each comma temporary
    int op_ = 0;                                // operation of the instruction being run
    bool illegal_reported_ = false;
    bool missing_reported_ = false;

    // ---- cells and messages (matrix_executor.cpp) -----------------------------------------
    Matrix value(int cell);
    Matrix load_variable(int ref);
    std::vector<int> arguments(int cell) const; // a comma chain unfolded, in written order
    [[noreturn]] void error(std::string_view message, int number);
    [[noreturn]] void dimension_error(const Matrix& a, const Matrix* b = nullptr);
    void note(std::string_view message);
    Real illegal(std::string_view name, Real operand);
    void reserve(long long rows, long long cols); // stops with NOCORE when it cannot fit
    Real xmiss() const;

    // ---- element by element (matrix_executor.cpp) -----------------------------------------
    Matrix elementwise(const Matrix& a, const std::function<Real(Real)>& f);
    Matrix elementwise(const Matrix& a, const Matrix& b, const std::function<Real(Real, Real)>& f);
    Matrix arithmetic(int op, const Matrix& a, const Matrix& b);
    Matrix function(int op, int a_cell);
    Matrix subscript(int var_cell, int index_cell);

    // ---- matrix operations (matrix_functions.cpp) -----------------------------------------
    Matrix matrix_operation(int op, const Matrix& a, const Matrix* b);
    Matrix product(const Matrix& a, const Matrix& b);
    Matrix eigen_values_or_vectors(const Matrix& a, bool vectors);
    void require_square(const Matrix& a);
    void require_finite(const Matrix& a);
};

} // namespace tarvex::expr
