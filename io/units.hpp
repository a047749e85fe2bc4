// The unit table: numbered sequential files as the run sees them. Units 5 and 6 are the run's
// standard input and output streams; other units are bound to files by the run or by FILE.
#pragma once

#include <cstdio>
#include <map>
#include <string>
#include <string_view>

namespace tarvex {

struct Run;

struct UnitFile {
    std::FILE* fp = nullptr;
    std::string path;
    bool owned = true;     // closed by the unit table (false for the run's own streams)
    bool formatted = true;
};

struct UnitTable {
    std::map<int, UnitFile> open;

    UnitTable() = default;
    UnitTable(const UnitTable&) = delete;
    UnitTable& operator=(const UnitTable&) = delete;
    // Files the table opened and that are still open when the run ends are closed; streams it
    // was given stay with their owner.
    ~UnitTable();
};

// Binds `unit` to an already open stream that the caller keeps owning.
void attach_unit(Run& run, int unit, std::FILE* fp);
// Opens `path` on `unit` with a C fopen mode; false when it cannot be opened.
bool open_unit(Run& run, int unit, const std::string& path, const char* mode);
// Closes `unit`; with `remove_file` the file is deleted.
void close_unit(Run& run, int unit, bool remove_file = false);
bool unit_is_open(const Run& run, int unit);
// Reads one text record (without its newline); at most `maxlen` characters are kept and the
// rest of the record is consumed. Returns false at end of file or on an unbound unit.
bool read_record(Run& run, int unit, std::string& record, std::size_t maxlen = 255);
// Writes one text record followed by a newline.
void write_record(Run& run, int unit, std::string_view record);

} // namespace tarvex
