// Unfolds the comma chains that carry a function's arguments.
#include "expr/arguments.hpp"

namespace tarvex::expr {

namespace {

// Index of the comma instruction before k that produced `cell`, or -1.
int comma_producing(const Program& program, int k, int cell) {
    if (program.is_variable_cell(cell) || program.is_constant_cell(cell)) return -1;
    for (int j = k - 1; j >= 0; --j)
        if (program.result(j) == cell && program.op(j) != OP_END)
            return program.op(j) == OP_COMMA ? j : -1;
    return -1;
}

void unfold(const Program& program, int k, int cell, std::vector<int>& out) {
    const int j = comma_producing(program, k, cell);
    if (j < 0) {
        out.push_back(cell);
        return;
    }
    unfold(program, j, program.a(j), out);
    unfold(program, j, program.b(j), out);
}

} // namespace

std::vector<int> function_arguments(const Program& program, int k) {
    std::vector<int> out;
    unfold(program, k, program.a(k), out);
    return out;
}

Arity function_arity(int op) {
    switch (op) {
    case OP_LAG:
    case OP_UNI:
    case OP_NOR:
    case OP_SIN:
        return {1, 2};
    case OP_MIN:
    case OP_MAX:
        return {1, -1};
    case OP_MOD:
    case OP_RECODE:
        return {2, 2};
    default:
        return {1, 1};
    }
}

void mark_direct_uses(Program& program) {
    auto use = [&](int cell) {
        if (program.is_variable_cell(cell)) program.direct[cell] = true;
    };
    for (int k = 0; k < program.instructions(); ++k) {
        const int op = program.op(k);
        if (op == OP_COMMA) continue; // its operands belong to the function that follows
        if (op == OP_SUBSCRIPT) {
            use(program.b(k)); // the index (or the copied value); the variable A is read by index
            continue;
        }
        if (!is_function(op)) {
            use(program.a(k));
            if (OPERANDS[op] == 2) use(program.b(k));
            continue;
        }
        const std::vector<int> args = function_arguments(program, k);
        for (std::size_t j = 0; j < args.size(); ++j) {
            const bool by_reference =
                (j == 0 && (op == OP_LAG || op == OP_DATA || op == OP_SAMP)) ||
                (j == 1 && op == OP_RECODE);
            if (!by_reference) use(args[j]);
        }
    }
}

} // namespace tarvex::expr
