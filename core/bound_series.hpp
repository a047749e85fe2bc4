// Series bound to a data file on disk: READ ... / BIND records where each named series lies in
// the file instead of loading it, so that the commands that take bound series (STATS, OLS) read
// them a block of rows at a time. A bound name is not a variable of the work area; the registry
// is kept beside the variable table, keyed by the 24-character VNAME form of the name.
#pragma once

#include <map>
#include <string>
#include <vector>

namespace tarvex {

enum class BoundLayout {
    TARVBIN,   // one TARVBIN block per series: the column is contiguous at `offset`
    DELIMITED, // one record per observation; the series is field `column` of each record
};

// A stretch of a TARVBIN column whose data record is cut into subrecords: the column's bytes
// [at, at + length), counted from the first byte of element 1, lie from file offset file_at.
struct BoundPiece {
    long long at = 0;
    long long file_at = 0;
    long long length = 0;
};

struct BoundSeries {
    std::string file; // the path as the READ statement named it
    BoundLayout layout = BoundLayout::TARVBIN;
    // TARVBIN: byte offset of the first element (16 bytes each, in row order).
    // DELIMITED: byte offset of the first data record (after the names line and skipped lines).
    long long offset = 0;
    // TARVBIN: the stretches of a column written in subrecords (empty: one stretch from offset).
    std::vector<BoundPiece> pieces;
    int column = 0;     // DELIMITED: 0-based field of the record that holds this series
    char delimiter = 0; // DELIMITED: the delimiter every record uses, or 0: each record's own
    long long first_observation = 1; // the observation number of the file's first row
    long long rows = 0;
    // The file as it was at binding: a pass compares these with the file as it is now.
    long long file_size = 0;
    long long modified_ns = 0;
    // A file GENR wrote for this series alone: it is removed when the binding is dropped by
    // DELETE, a new GENR of the name or RESET (a name read or generated into memory leaves it, as
    // READ may be loading it), and at the end of the run at the latest.
    bool scratch = false;
};

// The bound series by VNAME form.
using BoundRegistry = std::map<std::string, BoundSeries>;

// Removes the binding under `key` (its VNAME form), if any, with the scratch file GENR wrote for
// it (DELETE, a new GENR of the name).
void erase_binding(BoundRegistry& registry, const std::string& key);
// Removes every binding, with the scratch files.
void clear_bindings(BoundRegistry& registry);

// The file's size and modification time (nanoseconds) now; false when it cannot be examined.
bool file_stamp(const std::string& path, long long& size, long long& modified_ns);

} // namespace tarvex
