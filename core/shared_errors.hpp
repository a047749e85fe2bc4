// The $ERR numbers of the messages that every command can give: those raised by the statement
// scanner, the option reader, the variable lookup, the work area and the command reader. A
// command's own messages are numbered by its command slot x 1000 instead, next to the command.
#pragma once

namespace tarvex::shared_error {

inline constexpr int INVALID_OPTION = 1012;       // "INVALID OPTION..word"
inline constexpr int COLUMN_ABOVE_MXCOL = 1015;   // a column number above MAXCOL
inline constexpr int SYNTAX = 1016;               // "SYNTAX ERROR ..."
inline constexpr int STATEMENT_CUT = 1017;        // a line past 255 columns: not run
inline constexpr int NO_SUCH_VARIABLE = 1020;     // "VARIABLE x DOES NOT EXIST..."
inline constexpr int RESULT_UNDEFINED = 1021;     // "$x IS NOT CURRENTLY DEFINED"
inline constexpr int WORK_AREA_FULL = 1022;       // "INSUFFICIENT MEMORY. AT LEAST n MORE WORDS"
inline constexpr int UNKNOWN_COMMAND = 1023;      // "UNKNOWN COMMAND...word"
inline constexpr int NO_MORE_COMMANDS = 1024;     // five unknown commands in a row
inline constexpr int IGNORED_ALONE = 1025;        // a word that does nothing by itself
inline constexpr int BEYOND_VARIABLE = 1026;      // "ROW OR COLUMN n EXCEEDS VARIABLE SIZE"
inline constexpr int OPTION_NEEDS_VALUE = 1027;   // "THE x OPTION NEEDS A VALUE AFTER ="
inline constexpr int OPTION_OUT_OF_RANGE = 1028;  // "THE VALUE OF x IS OUT OF RANGE: v"
inline constexpr int OPTION_BAD_NUMBER = 1029;    // "INVALID NUMBER v FOR THE x OPTION"
inline constexpr int OPTION_NO_DATA = 1030;       // "DATA ON VARIABLE x DOES NOT EXIST"
inline constexpr int OPTION_BAD_COLUMN = 1031;    // "INVALID COLUMN v FOR THE x OPTION"
inline constexpr int SAMPLE_BEYOND_LENGTH = 1032; // "SAMPLE RANGE EXCEEDS LENGTH OF x"
inline constexpr int LIST_TOO_LONG = 1033;        // "MORE THAN n ITEMS IN THE LIST"
inline constexpr int READ_NAME_TWICE = 1034;      // "x IS IN READ COMMAND MORE THAN ONCE"
inline constexpr int BANK_FAILED = 1035;          // "DATABANK what: reason"
inline constexpr int BANK_DAMAGED = 1036;         // "VARIABLE x IN DATABANK IS DAMAGED"
inline constexpr int NO_ROOM_AT_COLUMN = 1037;    // "NO ROOM FOR ALL DATA AT COLUMN n"
inline constexpr int START_SIZES_INVALID = 1038;  // "MEMORY ALLOCATION ERROR CODE=1"
inline constexpr int START_MEMORY = 1039;         // "ALLOCATABLE ARRAY MEMORY EXHAUSTED"
inline constexpr int SIZES_NOT_STORED = 1040;     // "CANNOT SAVE THE SIZES IN THE SETTINGS STORE"
inline constexpr int HOST_CALL_INVALID = 1041;    // a windowed host asked for an unknown item

} // namespace tarvex::shared_error
