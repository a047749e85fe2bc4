// The expression language's instruction set: operation numbers, the names the function table
// and the messages use, binding strengths and operand counts. This is the one place where the
// operations are defined; the compiler, the executor and the listing all read it.
//
// An instruction is four 32-bit integers:   OP | A | B | RESULT
//   OP      operation number (below)
//   A, B    operand cells (B = 0 for one operand, A = 0 for a plain copy)
//   RESULT  cell receiving the value; for OP 14 the statement kind
#pragma once

#include <array>
#include <string_view>

namespace tarvex::expr {

enum Op : int {
    OP_USER_CALL = 1, //  r := a            (user operation, no computation)
    OP_ADD = 2,       //  r := a + b
    OP_SUB = 3,       //  r := a - b
    OP_MUL = 4,       //  r := a * b
    OP_DIV = 5,       //  r := a / b        b = 0 illegal "DIV"
    OP_POW = 6,       //  r := a ** b       a < 0 with non-integer b illegal "**"
    OP_SUBSCRIPT = 7, //  r := b (A = 0), else element b of the variable in cell a
    OP_NEG = 8,       //  r := -a
    OP_CLOSE = 9,     //  )                 (compiler marker only)
    OP_COMMA = 10,    //  joins the arguments of the function that follows
    OP_EXP = 11,      //  r := e ** a
    OP_ABS = 12,      //  r := |a|
    OP_LOG = 13,      //  r := ln a         a <= 0 illegal "LOG"
    OP_END = 14,      //  end of statement: store, test or print cell a (RESULT = kind)
    OP_INT = 15,      //  r := a truncated toward zero
    OP_SQRT = 16,     //  r := sqrt a       a < 0 illegal "SQRT"
    OP_DUM = 17,      //  r := 1 if a > 0 else 0
    OP_LAG = 18,      //  r := x at t - n   (variable or lag register)
    OP_UNI = 19,      //  r := uniform random on (0, x) or (a, b)
    OP_NOR = 20,      //  r := normal random, sd x, or mean a and sd b
    OP_SUM = 21,      //  r := running sum of x (sum register)
    OP_SEAS = 22,     //  r := 1 at the first observation of every n
    OP_SIN = 23,      //  r := sin x, or sin(2 pi x / p)
    OP_TIME = 24,     //  r := t + x
    OP_MIN = 25,      //  r := smallest argument (running minimum for one)
    OP_MAX = 26,      //  r := largest argument (running maximum for one)
    OP_DATA = 27,     //  r := number of rows of a workspace variable
    OP_SAMP = 28,     //  r := 1 when the variable holds a usable value at t
    OP_NCDF = 29,     //  r := standard normal distribution function of a
    OP_LGAM = 30,     //  r := ln gamma(a)  a <= 0 illegal "LGAM"
    OP_MOD = 31,      //  r := remainder of a / b, sign of a
    OP_MISS = 32,     //  r := 1 when a is the missing-value code
    OP_RECODE = 33,   //  r := x recoded by a (low, high, new) table
    OP_USER = 34,     //  r := a            (user function, no computation)
    OP_E = 35,        //  r := a * 10 ** b
    OP_EQ = 36,       //  r := a = b
    OP_NE = 37,       //  r := a /= b
    OP_LT = 38,       //  r := a < b
    OP_LE = 39,       //  r := a <= b
    OP_GT = 40,       //  r := a > b
    OP_GE = 41,       //  r := a >= b
    OP_OR = 42,       //  r := a > 0 or b > 0
    OP_AND = 43,      //  r := a > 0 and b > 0
    OP_NOT = 44,      //  r := a <= 0
    OP_READ = 45,     //  reads values from the command input
    OP_LAST = OP_READ,
};

// Statement kinds carried in the RESULT field of an OP_END instruction.
enum StatementKind : int {
    KIND_STORE = 0,  // GENR, IF assignment: store into the target
    KIND_SKIPIF = 1, // mark the observation skipped when the value is above 0
    KIND_IF = 2,     // IF condition: skip the rest of the statement when not above 0
    KIND_TEST = 3,   // TEST: the value is the result
    KIND_ENDIF = 5,  // end the DO loop when the value is above 0
    KIND_CALC = 6,   // calculator: print the value
};

// Binding strength (higher binds tighter), indexed by operation number. Negation is 8, or 6
// when the unary-minus switch is on.
inline constexpr auto STRENGTH = std::to_array<short>({
    0,                                    // (unused)
    0,  5,  5,  6,  6,  7,  9,  8,  0, 1, // 1 user .. 10 comma
    10, 10, 10, 0,  10, 10, 10, 10,       // 11 EXP .. 18 LAG
    10, 10, 10, 10, 10, 10, 10, 10,       // 19 UNI .. 26 MAX
    10, 10, 10, 10, 10, 10, 0,  10,       // 27 DATA .. 34 USER
    9,  4,  4,  4,  4,  4,  4,  1,  2, 3, // 35 .E. .. 44 .NOT.
    0,                                    // 45 read
});
static_assert(STRENGTH.size() == OP_LAST + 1, "one strength for each operation");
inline constexpr short NEG_STRENGTH_UMINUS = 6;

// Operands each operation takes from the postfix list.
inline constexpr auto OPERANDS = std::to_array<signed char>({
    0, 2, 2, 2, 2, 2, 2, 2, 1, 0, 2, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1,
    1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 2, 2, 2, 2, 2, 2, 2, 2, 2, 1, 2,
});
static_assert(OPERANDS.size() == OP_LAST + 1, "one operand count for each operation");

// The function and dotted-operator table: entry k (1-based) has operation number 10 + k.
inline constexpr auto FUNCTION_NAMES = std::to_array<std::string_view>({
    "EXP", "ABS",  "LOG", "$",   "INT",  "SQRT", "DUM",  "LAG",  "UNI", "NOR",  "SUM",    "SEAS",
    "SIN", "TIME", "MIN", "MAX", "DATA", "SAMP", "NCDF", "LGAM", "MOD", "MISS", "RECODE", "USER",
    "E",   "EQ",   "NE",  "LT",  "LE",   "GT",   "GE",   "OR",   "AND", "NOT",
});
inline constexpr int FIRST_FUNCTION_OP = 11;
inline constexpr int LAST_FUNCTION_OP = 34;
static_assert(FIRST_FUNCTION_OP + static_cast<int>(FUNCTION_NAMES.size()) - 1 == OP_NOT,
              "entry k of the function table is operation 10 + k");

// Functions added after the original table. Their numbers follow the MATRIX operations (55 to
// 72), so that every number in the original table and the MATRIX table keeps its meaning.
enum MoreFunctionOp : int {
    OP_COS = 73,     //  r := cos a
    OP_TAN = 74,     //  r := tan a
    OP_ATAN = 75,    //  r := arc tangent of a, in (-pi/2, pi/2)
    OP_ASIN = 76,    //  r := arc sine of a        |a| > 1 illegal "ASIN"
    OP_ACOS = 77,    //  r := arc cosine of a      |a| > 1 illegal "ACOS"
    OP_SINH = 78,    //  r := sinh a               overflow illegal "SINH"
    OP_COSH = 79,    //  r := cosh a               overflow illegal "COSH"
    OP_TANH = 80,    //  r := tanh a
    OP_ERF = 81,     //  r := error function of a
    OP_ERFC = 82,    //  r := 1 - erf a, accurate in the tail
    OP_GAMMA = 83,   //  r := gamma(a)             poles and overflow illegal "GAMMA"
    OP_INVNCDF = 84, //  r := standard normal quantile of a   a outside (0, 1) illegal
    OP_LOG10 = 85,   //  r := log a to base 10    a <= 0 illegal "LOG10"
    OP_MORE_FIRST = OP_COS,
    OP_MORE_LAST = OP_LOG10,
};
inline constexpr auto MORE_FUNCTION_NAMES = std::to_array<std::string_view>({
    "COS",
    "TAN",
    "ATAN",
    "ASIN",
    "ACOS",
    "SINH",
    "COSH",
    "TANH",
    "ERF",
    "ERFC",
    "GAMMA",
    "INVNCDF",
    "LOG10",
});
static_assert(OP_MORE_FIRST + static_cast<int>(MORE_FUNCTION_NAMES.size()) - 1 == OP_MORE_LAST,
              "one name for each added function");

inline constexpr bool is_more_function(int op) {
    return op >= OP_MORE_FIRST && op <= OP_MORE_LAST;
}
inline constexpr bool is_function(int op) {
    return (op >= FIRST_FUNCTION_OP && op <= LAST_FUNCTION_OP && op != OP_END) ||
           is_more_function(op);
}
// Whether `op` is a comparison or a logical operation, and if so its truth for the operands x
// and y (NOT reads x alone; a value above 0 counts as true). Every evaluator (values, derivatives)
// gives such an operation the value 1 or 0 by this one rule, and derivatives of 0.
template <class T>
constexpr bool logical_operation(int op, T x, T y, bool& truth) {
    switch (op) {
    case OP_EQ:
        truth = x == y;
        return true;
    case OP_NE:
        truth = x != y;
        return true;
    case OP_LT:
        truth = x < y;
        return true;
    case OP_LE:
        truth = x <= y;
        return true;
    case OP_GT:
        truth = x > y;
        return true;
    case OP_GE:
        truth = x >= y;
        return true;
    case OP_OR:
        truth = x > 0 || y > 0;
        return true;
    case OP_AND:
        truth = x > 0 && y > 0;
        return true;
    case OP_NOT:
        truth = x <= 0;
        return true;
    default:
        return false;
    }
}

// Operation number of a function written before "(" (0 when the name is not a function).
int function_op(std::string_view upper_name);
// Operation number of a dotted operator's letters (.EQ. gives OP_EQ; 0 when unknown).
int dotted_op(std::string_view upper_letters);
// The name of an operation as listings print it.
std::string_view op_name(int op);

} // namespace tarvex::expr
