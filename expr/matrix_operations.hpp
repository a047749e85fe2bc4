// The operators and functions that only MATRIX admits: their operation numbers (55 upwards),
// the names its messages print, binding strengths and operand counts. The compiler reads them
// through op_strength/op_operands, which cover the whole instruction set.
#pragma once

#include "expr/operations.hpp"

#include <string_view>

namespace tarvex::expr {

enum MatrixOp : int {
    OP_TRAN = 55,   //  r := a'                     (written after the operand)
    OP_KRON = 56,   //  r := a @ b                  Kronecker product
    OP_CONC = 57,   //  r := a | b                  b to the right of a
    OP_SEMI = 58,   //  r := a ; b                  b below a
    OP_INV = 59,    //  r := inverse of a
    OP_IDEN = 60,   //  r := n by n identity
    OP_EIGVAL = 61, //  r := eigenvalues (column, largest first)
    OP_EIGVEC = 62, //  r := eigenvectors (columns, in the order of EIGVAL)
    OP_DET = 63,    //  r := determinant
    OP_DIAG = 64,   //  r := diagonal of a square matrix, or the diagonal matrix of a vector
    OP_TRACE = 65,  //  r := sum of the diagonal
    OP_RANK = 66,   //  r := number of singular values above the rounding level
    OP_CHOL = 67,   //  r := lower triangle L with L L' = a
    OP_SVD = 68,    //  r := generalized inverse through the singular value decomposition
    OP_FACT = 69,   //  r := F with F F' = a for a non-negative definite symmetric a
    OP_VEC = 70,    //  r := columns stacked into one column
    OP_SYM = 71,    //  r := symmetric matrix from the lower triangle of a
    OP_TRI = 72,    //  r := lower triangle of a, zeros above
    OP_MATRIX_FIRST = OP_TRAN,
    OP_MATRIX_LAST = OP_TRI,
};

static_assert(static_cast<int>(OP_MATRIX_LAST) < static_cast<int>(OP_MORE_FIRST),
              "the added functions follow the MATRIX table");

inline constexpr bool is_matrix_op(int op) {
    return op >= OP_MATRIX_FIRST && op <= OP_MATRIX_LAST;
}
// The matrix functions written as a name before "(" (INV .. TRI).
inline constexpr bool is_matrix_function(int op) {
    return op >= OP_INV && op <= OP_MATRIX_LAST;
}

// Operation number of a matrix function name (0 when the name is not one).
int matrix_function_op(std::string_view upper_name);
// Binding strength and operand count of any operation, matrix operations included.
int op_strength(int op);
int op_operands(int op);
// The name MATRIX prints for an operation in its messages ("MULT", "INV", "GINV" ...).
std::string_view matrix_op_name(int op);

} // namespace tarvex::expr
