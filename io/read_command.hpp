// READX, the handler of READ.
#pragma once

#include <string>
#include <vector>

namespace tarvex {

struct Run;

// $ERR numbers of READ's own messages (READ is command 3).
inline constexpr int ERR_READ_RECORD_TOO_LONG = 3060; // a record passes LONGEST_DATA_RECORD
inline constexpr int ERR_READ_NO_NAMES = 3061;        // no names listed and no NAMES
inline constexpr int ERR_READ_HEADER_TWICE = 3062;    // two header names alike in 8 characters
inline constexpr int ERR_READ_OVERFLOW = 3063;        // a value beyond the binary128 range
inline constexpr int ERR_READ_COLUMN = 3064;          // a matrix column (name:c) in the list
inline constexpr int ERR_READ_BAD_VALUE = 3065;       // READ ERROR IN ROW / VARIABLE / TRIANGLE
inline constexpr int ERR_READ_NO_FILE = 3066;         // the file named cannot be opened
inline constexpr int ERR_READ_ROW_LENGTH = 3067;      // a row with too few or too many values
inline constexpr int ERR_READ_HEADER_NAME = 3068;     // a header name that is empty or has a blank
inline constexpr int ERR_READ_INVALID_UNIT = 3001;    // READ from the output unit
inline constexpr int ERR_READ_NAMES_LISTED = 3002;    // NAMES together with a list of names
inline constexpr int ERR_READ_TOO_MANY_NAMES = 3003;  // more names than READ_NAME_LIMIT
inline constexpr int ERR_READ_NO_DATA = 3004;         // not one value found
inline constexpr int ERR_READ_LESS_DATA = 3005;       // the data ran out: zeros used for the rest
inline constexpr int ERR_READ_BAD_DIF = 3006;         // a DIF file that cannot be followed
inline constexpr int ERR_READ_DIF_COUNT = 3007;       // a DIF file with another number of vectors
inline constexpr int ERR_READ_NO_FORMAT = 3008;       // FORMAT option with no stored format
inline constexpr int ERR_READ_BAD_FORMAT = 3009;      // a stored format READ cannot use
inline constexpr int ERR_READ_ONE_MATRIX = 3010;      // more than one matrix named
inline constexpr int ERR_READ_MATRIX_COLS = 3011;     // a new matrix without COLS or COL2
inline constexpr int ERR_READ_MATRIX_MEMORY = 3012;   // no room in the work area for the matrix
inline constexpr int ERR_READ_MEMORY_AFTER = 3013;    // the work area filled during the read
inline constexpr int ERR_READ_BINARY_FILE = 3014;     // binary data asked from the command input
inline constexpr int ERR_READ_UNIT_UNBOUND = 3015;    // a unit number bound to no file
inline constexpr int ERR_READ_NOT_IN_BANK = 3016;     // a name the data bank does not hold
inline constexpr int ERR_READ_NAMES_TABLE = 3017;     // header names that cannot all be made
inline constexpr int ERR_READ_NO_COUNT = 3018;        // typed data with no number of observations
inline constexpr int ERR_READ_INCOMPATIBLE = 3019;    // options that cannot go together
inline constexpr int ERR_READ_FOREIGN_FILE = 3020; // a package file or workbook that cannot be read
inline constexpr int ERR_READ_NOT_IN_FILE = 3021;  // a listed name the package file or sheet lacks
inline constexpr int ERR_BIND_NO_FILE = 3030;      // BIND without a file on disk to bind to
inline constexpr int ERR_BIND_LAYOUT = 3031;       // a layout BIND cannot take
inline constexpr int ERR_BIND_NOT_SERIES = 3032;   // a block holding a matrix or characters
inline constexpr int ERR_BIND_NOT_IN_FILE = 3033;  // a listed name the file does not hold
inline constexpr int ERR_BIND_DAMAGED = 3034;      // a TARVBIN record that cannot be followed
inline constexpr int ERR_BIND_RANKS_DIFFER = 3035; // the ranks of a run found different rows

void READX(Run& run);
// READX on the scanned statement, which also says whether the read succeeded and, when `stored`
// is given, adds the names of the variables it stored to it (CONVERT reads files through it).
bool read_statement(Run& run, std::vector<std::string>* stored);

// Whether the one listed name is an existing matrix (types 2 to 4), so that it is read as one.
bool is_existing_matrix(Run& run, const std::vector<std::string>& names);
// LIST after a READ: the variables read, listed as PRINT lists them, over observations
// beg..end (end 0: each to its end).
void list_read_variables(Run& run, const std::vector<std::string>& names, int beg, int end);

// Free-format reads of long files convert on two threads unless this is turned off (tests
// compare the two routes); split_reads counts the reads that did.
void allow_split_reading(bool allowed);
long long split_reads();

} // namespace tarvex
