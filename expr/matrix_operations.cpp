// Lookups in the table of MATRIX operations.
#include "expr/matrix_operations.hpp"

#include <array>

namespace tarvex::expr {

namespace {

struct MatrixOpRow {
    std::string_view written; // the function name, or the operator's own name
    std::string_view message; // the name messages print
    short strength;
    signed char operands;
};

inline constexpr std::array<MatrixOpRow, OP_MATRIX_LAST - OP_MATRIX_FIRST + 1> MATRIX_OPS = {{
    {"TRAN", "TRAN", 7, 1},
    {"KRON", "KRON", 6, 2},
    {"CONC", "CONC", 6, 2},
    {"SEMI", "SEMI", 2, 2},
    {"INV", "INV", 10, 1},
    {"IDEN", "IDEN", 10, 1},
    {"EIGVAL", "EIGVAL", 10, 1},
    {"EIGVEC", "EIGVEC", 10, 1},
    {"DET", "DET", 10, 1},
    {"DIAG", "DIAG", 10, 1},
    {"TRACE", "TRACE", 10, 1},
    {"RANK", "RANK", 10, 1},
    {"CHOL", "CHOL", 10, 1},
    {"SVD", "GINV", 10, 1},
    {"FACT", "FACT", 10, 1},
    {"VEC", "VEC", 10, 1},
    {"SYM", "SYM", 10, 1},
    {"TRI", "TRI", 10, 1},
}};

const MatrixOpRow& row(int op) {
    return MATRIX_OPS[static_cast<std::size_t>(op - OP_MATRIX_FIRST)];
}

} // namespace

int matrix_function_op(std::string_view upper_name) {
    for (int op = OP_INV; op <= OP_MATRIX_LAST; ++op)
        if (row(op).written == upper_name) return op;
    return 0;
}

int op_strength(int op) {
    if (is_matrix_op(op)) return row(op).strength;
    if (is_more_function(op)) return 10;
    return op >= 0 && op <= OP_LAST ? STRENGTH[static_cast<std::size_t>(op)] : 0;
}

int op_operands(int op) {
    if (is_matrix_op(op)) return row(op).operands;
    if (is_more_function(op)) return 1;
    return op >= 0 && op <= OP_LAST ? OPERANDS[static_cast<std::size_t>(op)] : 0;
}

std::string_view matrix_op_name(int op) {
    if (is_matrix_op(op)) return row(op).message;
    switch (op) {
    case OP_ADD:
        return "ADD";
    case OP_SUB:
        return "SUB";
    case OP_MUL:
        return "MULT";
    case OP_DIV:
        return "DIV";
    case OP_POW:
        return "**";
    case OP_SUBSCRIPT:
        return "SUBS";
    case OP_NEG:
        return "NEG";
    default:
        return op_name(op);
    }
}

} // namespace tarvex::expr
