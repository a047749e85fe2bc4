// The $ERR numbers of the workspace commands' own messages: DIMENSION, RENAME, DELETE, COMPRESS,
// TIME, SAMPLE, SAVE and RESTORE. Each is the command's slot x 1000 plus a sequence number.
#pragma once

#include "core/command_table.hpp"

namespace tarvex {

enum WorkspaceError : int {
    DIM_ILLEGAL_NAME = C_DIMENSIO * 1000 + 1,     // "ILLEGAL VARIABLE NAME:word"
    DIM_SIZE_NOT_GIVEN = C_DIMENSIO * 1000 + 2,   // "SIZE OF ARRAY name NOT GIVEN"
    DIM_ALREADY_EXISTS = C_DIMENSIO * 1000 + 3,   // "VARIABLE ALREADY EXISTS name"
    DIM_INVALID_SIZE = C_DIMENSIO * 1000 + 4,     // "INVALID SIZE OF ARRAY name"
    RENAME_FILES_FAILED = C_RENAME * 1000 + 1,    // "FILES NOT RENAMED: old new"
    RENAME_NO_VARIABLE = C_RENAME * 1000 + 2,     // "VARIABLE name DOES NOT EXIST"
    RENAME_ILLEGAL_NAME = C_RENAME * 1000 + 3,    // "ILLEGAL VARIABLE NAME:name"
    RENAME_NAME_TAKEN = C_RENAME * 1000 + 4,      // "VARIABLE name ALREADY EXISTS"
    RENAME_NO_NEW_NAME = C_RENAME * 1000 + 5,     // "NEW NAME FOR name NOT GIVEN"
    DELETE_FAILED = C_DELETE * 1000 + 1,          // "IN DELETE COMMAND"
    COMPRESS_IN_LOOP = C_COMPRESS * 1000 + 1,     // "COMPRESS NOT ALLOWED IN DO-LOOPS OR PROCS"
    TIME_NO_SAMPLE = C_TIME * 1000 + 1,           // "SAMPLE RANGE HAS NOT BEEN DEFINED FOR: name"
    SAVE_CANNOT_OPEN = C_SAVE * 1000 + 3,         // "CANNOT OPEN TARVEXnn.SAV"
    RESTORE_NO_FILE = C_RESTORE * 1000 + 3,       // "FILE TARVEXnn.SAV DOES NOT EXIST"
    RESTORE_DAMAGED = C_RESTORE * 1000 + 4,       // "SAVED FILE ON UNIT nn IS DAMAGED ..."
    RESTORE_DATES_DIFFER = C_RESTORE * 1000 + 5,  // "DATES OF name HAVE n PERIODS A YEAR ..."
    RESTORE_DATES_BEYOND = C_RESTORE * 1000 + 6,  // "DATES OF name LIE BEYOND THE WORK AREA"
};

// Messages SAMPLE and SMPL, and SAVE and RESTORE, share: the command's slot x 1000 plus these.
inline constexpr int SAMPLE_ODD_PERIODS_SEQUENCE = 1; // "ONLY n SAMPLE PERIODS..USE EVEN NUMBER"
inline constexpr int SAVE_NO_UNIT_SEQUENCE = 1;       // "YOU FORGOT TO USE A UNIT BETWEEN 11 AND 49"
inline constexpr int SAVE_NO_TIME_SEQUENCE = 2;       // "YOU FORGOT TO SET THE TIME COMMAND"

} // namespace tarvex
