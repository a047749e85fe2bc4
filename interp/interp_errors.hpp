// The $ERR numbers of the messages of the commands the interpreter runs itself: DO and ENDO,
// PROCEDURE, PROCEND and EXECUTE, GOTO, SET, and PAR/SIZE. Each is the command's slot x 1000 plus
// a sequence number of its own.
#pragma once

#include "core/command_table.hpp"

namespace tarvex {

enum InterpreterError : int {
    DO_SYNTAX = C_DO * 1000 + 1,                      // "SYNTAX ERROR IN DO STATEMENT"
    DO_MISSING_EQUALS = C_DO * 1000 + 2,              // "DO STATEMENT IS MISSING = SIGN"
    DO_NO_ENDO = C_DO * 1000 + 3,                     // "NO ENDO COMMAND FOUND IN DO LOOP"
    DO_NESTED_TOO_DEEP = C_DO * 1000 + 4,             // "MORE THAN 2 NESTED DO LOOPS NOT PERMITTED"
    DO_FILE_NOT_OPENED = C_DO * 1000 + 5,             // "CANNOT OPEN THE DO LOOP FILE name"
    DO_UNDEFINED_BOUND = C_DO * 1000 + 6,             // "UNDEFINED DO LOOP VARIABLE - name"
    DO_BAD_PARAMETERS = C_DO * 1000 + 7,              // "BAD DO LOOP PARAMETERS first last step"
    DO_SUBSTITUTION_TOO_LONG = C_DO * 1000 + 8,       // "STATEMENT TOO LONG AFTER DO SUBSTITUTION"
    ENDO_WITHOUT_DO = C_ENDO * 1000 + 1,              // "ENDO WITHOUT A MATCHING DO"
    PROCEDURE_NAME_INVALID = C_PROCEDUR * 1000 + 1,   // "PROCEDURE NAME MISSING OR INVALID: name"
    PROCEND_WITHOUT_PROCEDURE = C_PROCEND * 1000 + 1, // "PROCEND WITHOUT A MATCHING PROCEDURE"
    EXECUTE_NO_NAME = C_EXECUTE * 1000 + 1,           // "EXECUTE NEEDS A PROCEDURE NAME"
    EXECUTE_TOO_DEEP = C_EXECUTE * 1000 + 2,          // "MORE THAN 18 PROC LEVELS"
    EXECUTE_NOT_LOADED = C_EXECUTE * 1000 + 3,        // "YOU NEED TO PRELOAD THE name PROC ..."
    EXECUTE_UNKNOWN = C_EXECUTE * 1000 + 4,           // "name IS INVALID VARIABLE FOR EXEC name"
    GOTO_NO_LABEL = C_GOTO * 1000 + 1,                // "GOTO NEEDS A LABEL"
    SET_RANLEVEL = C_SET * 1000 + 1,                  // "RANLEVEL MUST BE 1 TO 6, IT STAYS AT n"
    DEMONSTR_NO_FOLDER = C_DEMONSTR * 1000 + 1,       // "NO FOLDER OF WORKED EXAMPLES ..."
    DEMONSTR_UNKNOWN = C_DEMONSTR * 1000 + 2,         // "NO WORKED EXAMPLE NAMED name ..."
    DEMONSTR_NOT_OPENED = C_DEMONSTR * 1000 + 3, // the example file would not open (AFILE said why)
    DEMONSTR_RUNNING = C_DEMONSTR * 1000 + 4,    // "A WORKED EXAMPLE IS RUNNING ALREADY"
};

// PAR and SIZE: a value that is not a positive whole number ("INVALID SIZE VALUE word"); $ERR is
// the command's slot x 1000 + 1 (SIZE 64001, PAR 48001).
inline constexpr int SIZE_VALUE_INVALID_SEQUENCE = 1;

} // namespace tarvex
