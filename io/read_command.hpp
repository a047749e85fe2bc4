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

void READX(Run& run);

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
