// The $ERR numbers of the expression language's own messages. An expression belongs to the
// command that runs it (GENR, IF, SKIPIF, GEN1, MATRIX ...), so $ERR is that command's slot x 1000
// plus the sequence number below: 2081 for a GENR with mismatched parentheses, 39081 for MATRIX.
// MATRIX's messages about matrices themselves are MATRIX's alone (39001 ...).
#pragma once

#include "core/command_table.hpp"

namespace tarvex::expr {

enum ExpressionError : int {
    EXPR_MISMATCHED_PARENTHESES = 81, // "MISMATCHED PARENTHESES"
    EXPR_FUNCTION_UNAVAILABLE = 82,   // "FUNCTION NOT YET AVAILABLE"
    EXPR_SAMP_EQUATION = 83,          // "SAMP FUNCTION MAY NOT BE AN EQUATION"
    EXPR_NEEDS_VARIABLE = 84,         // "ABOVE FUNCTION REQUIRES PRE-DEFINED VARIABLE"
    EXPR_ONE_COMMA = 85,              // "ONLY ONE COMMA IS PERMITTED"
    EXPR_TOO_MANY_PARAMETERS = 86,    // "DISASTER..NO ROOM FOR THIS MANY PARAMETERS ..."
    EXPR_TABLE_FULL = 87,             // "DISASTER...GENR TABLE FULL, INCREASE PAR"
    EXPR_STATEMENT_TOO_LONG = 88,     // "CATASTROPHE...STATEMENT LONGER THAN n CHARACTERS"
    EXPR_NOT_DATA_VECTOR = 89,        // "x IS NOT A DATA VECTOR"
    EXPR_RECODE_TABLE = 90,           // "RECODE TABLE x MUST HAVE 3 COLUMNS ..."
    EXPR_EXP_OVERFLOW = 91,           // "EXPONENTIAL OVERFLOW EXP=..." (the element is missing)
    EXPR_NO_SAMPLE = 92,              // "SAMPLE RANGE HAS NOT YET BEEN DEFINED"
    EXPR_SPACE_SHORTAGE = 93,         // "DISASTER..GENR SPACE SHORTAGE, RAISE SIZE COMMAND"
    EXPR_BOUND_REFUSED = 94,          // GENR over series bound to a file: what one pass cannot do
    EXPR_BOUND_WRITE = 95,            // GENR over series bound to a file: its new series' file
};

// MATRIX's own messages (slot 39).
enum MatrixError : int {
    MATRIX_INVALID_FUNCTION = C_MATRIX * 1000 + 1, // "INVALID name FUNCTION" (dimensions)
    MATRIX_SINGULAR = C_MATRIX * 1000 + 2,         // "SINGULAR MATRIX"
    MATRIX_MISSING_VALUES = C_MATRIX * 1000 + 3,   // "CAN NOT INVERT MATRIX WITH MISSING VALUES"
    MATRIX_NOT_DEFINITE = C_MATRIX * 1000 + 4,     // "FACT NEEDS A NON-NEGATIVE DEFINITE MATRIX"
    MATRIX_EIGENVALUE = C_MATRIX * 1000 + 5,       // "ERROR FOUND IN EIGENVALUE n"
    MATRIX_NOT_FINITE = C_MATRIX * 1000 + 6,  // "MATRIX HOLDS A VALUE THAT IS NOT A FINITE ..."
    MATRIX_NOT_NUMERIC = C_MATRIX * 1000 + 7, // "x IS NOT A NUMERIC VARIABLE"
};

} // namespace tarvex::expr
