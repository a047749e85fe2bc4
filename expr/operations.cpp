// Name lookups in the operation table: functions written before "(", dotted operators, and the
// names listings print.
#include "expr/operations.hpp"

namespace tarvex::expr {

int function_op(std::string_view upper_name) {
    for (int op = FIRST_FUNCTION_OP; op <= LAST_FUNCTION_OP; ++op)
        if (is_function(op) && FUNCTION_NAMES[op - FIRST_FUNCTION_OP] == upper_name) return op;
    for (int op = OP_MORE_FIRST; op <= OP_MORE_LAST; ++op)
        if (MORE_FUNCTION_NAMES[op - OP_MORE_FIRST] == upper_name) return op;
    return 0;
}

int dotted_op(std::string_view upper_letters) {
    for (int op = OP_E; op <= OP_NOT; ++op)
        if (FUNCTION_NAMES[op - FIRST_FUNCTION_OP] == upper_letters) return op;
    return 0;
}

std::string_view op_name(int op) {
    switch (op) {
    case OP_USER_CALL:
        return "USER";
    case OP_ADD:
        return "+";
    case OP_SUB:
        return "-";
    case OP_MUL:
        return "*";
    case OP_DIV:
        return "/";
    case OP_POW:
        return "**";
    case OP_SUBSCRIPT:
        return "()";
    case OP_NEG:
        return "NEG";
    case OP_CLOSE:
        return ")";
    case OP_COMMA:
        return ",";
    case OP_READ:
        return "READ";
    default:
        break;
    }
    if (op >= FIRST_FUNCTION_OP && op <= OP_NOT) return FUNCTION_NAMES[op - FIRST_FUNCTION_OP];
    if (is_more_function(op)) return MORE_FUNCTION_NAMES[op - OP_MORE_FIRST];
    return "?";
}

} // namespace tarvex::expr
