// The unit table: numbered sequential files as the run sees them. Units 5 and 6 are the run's
// standard input and output streams; other units are bound to files by the run or by FILE.
// A unit holds formatted records (text lines) or unformatted records (each record framed by a
// 4-byte length before and after it, in the machine's byte order), read and written in
// sequence, with rewind, backspace, the append position, inquiry and close keep/delete.
#pragma once

#include <cstdint>
#include <cstdio>
#include <map>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace tarvex {

struct Run;

struct UnitFile {
    std::FILE* fp = nullptr;
    std::string path;
    bool owned = true; // closed by the unit table (false for the run's own streams)
    bool formatted = true;
    bool scratch = false;         // a scratch file: deleted when the unit is closed
    bool remove_at_close = false; // a temporary copy (a fetched file): deleted at close
    bool writing = false;         // the last transfer was a write (the next read must reposition)
    bool reading = false;   // the last transfer was a read (the next write ends the file there)
    bool damaged = false;   // an unformatted record's length markers were found broken
    bool read_only = false; // the file could be opened for reading only
    // A file written whole: the records go to this temporary file, renamed over `path` when
    // the unit is closed after clean writes ("" for every other unit).
    std::string replace_temp;
    int write_error = 0; // system error number of the first failed write since the last check
    // Where the file ended before a command added to it (APPEND): a failed addition is cut off
    // there (-1 when the command does not append).
    long long appended_from = -1;
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

// Status of an open: UNKNOWN opens an existing file or creates it, OLD requires it, NEW
// requires that it does not exist, REPLACE empties or creates it, SCRATCH makes a nameless
// file that disappears at close.
enum class UnitStatus { Unknown, Old, New, Replace, Scratch };

struct UnitOpen {
    UnitStatus status = UnitStatus::Unknown;
    bool unformatted = false;
    bool append = false;           // position after the last record instead of at the start
    std::size_t block_size = 8192; // buffer bytes; 1 writes every transfer through at once
    // The file is written whole while bound: through a temporary file that replaces it when
    // the unit is closed (io/file_replace.hpp). Not with append.
    bool replace = false;
    // The unit exists to be written (the report file, the log): a file the user may only read
    // is refused (EACCES) instead of being opened for reading.
    bool for_writing = false;
};

// Binds `unit` to an already open stream that the caller keeps owning.
void attach_unit(Run& run, int unit, std::FILE* fp);
// Opens `path` on `unit` with a C fopen mode; false when it cannot be opened.
bool open_unit(Run& run, int unit, const std::string& path, const char* mode);
// Opens `path` on `unit` for sequential reading and writing as `how` asks (a read-only file
// is opened for reading only). Any file already on the unit is closed first. Returns 0, or
// the system error number when the file cannot be opened (the unit is then unbound).
int open_unit_file(Run& run, int unit, const std::string& path, const UnitOpen& how);
// Closes `unit`; with `remove_file` the file is deleted (status DELETE), otherwise kept. A
// unit opened with `replace` renames its temporary file over the file when kept and every
// write succeeded, and otherwise removes it, leaving the earlier file as it was.
// Returns 0, or the system error number when the file could not be written, closed or deleted.
int close_unit(Run& run, int unit, bool remove_file = false);
bool unit_is_open(const Run& run, int unit);
// The file of a bound unit (nullptr when unbound).
const UnitFile* unit_file(const Run& run, int unit);
UnitFile* unit_file(Run& run, int unit);

// Reads one text record (without its newline); at most `maxlen` characters are kept and the
// rest of the record is consumed. Returns false at end of file or on an unbound unit.
bool read_record(Run& run, int unit, std::string& record, std::size_t maxlen = 255);
// Writes one text record followed by a newline. Writing after a read or a backspace makes
// this record the last one of the file, as in any sequential file. A failure is kept for
// check_unit_writes.
void write_record(Run& run, int unit, std::string_view record);
// Writes raw bytes (parts of unformatted records built by the caller); failures as above.
void write_bytes(Run& run, int unit, const void* data, std::size_t size);
// The check after a command's writes to `unit`: flushes the unit and returns the system error
// number of the first write, flush or (with `end_file_here`) cutting of the file after the
// last record that failed since the last check, or 0. The unit's error state is cleared.
int check_unit_writes(Run& run, int unit, bool end_file_here = false);

// Reads one unformatted record into `record`. False at end of file, on an unbound unit, or
// when the record's length markers are damaged (the unit is then left at the end of file).
bool read_unformatted_record(Run& run, int unit, std::vector<unsigned char>& record);
// Writes one unformatted record; false on an unbound unit or a write failure.
bool write_unformatted_record(Run& run, int unit, std::span<const unsigned char> record);

// Positions the unit before its first record; false when unbound or not positionable.
bool rewind_unit(Run& run, int unit);
// Positions the unit before the record just read or written (formatted or unformatted); at
// the start of the file nothing moves. False when unbound, not positionable or damaged.
bool backspace_unit(Run& run, int unit);
// Positions the unit after its last record.
bool append_position(Run& run, int unit);

struct UnitInquiry {
    bool open = false;
    std::string path; // the file's name ("" for the run's own streams)
    bool formatted = true;
    long long position = 0; // byte offset of the next transfer (-1 when not positionable)
};
// What the table knows about `unit`.
UnitInquiry inquire_unit(const Run& run, int unit);

struct FileInquiry {
    bool exists = false;
    bool is_directory = false;
    bool open = false; // bound to a unit of this run
    int unit = 0;      // that unit (the lowest when several)
    int error = 0;     // system error number when the name cannot be examined
};
// What the system and the table know about the file `path`.
FileInquiry inquire_file(const Run& run, const std::string& path);

// A command that ended half-way (an allocation refused, Ctrl-C): every file being written whole
// keeps its earlier content (the unfinished new one is dropped), and its unit stays bound to
// it, after its last record.
void abandon_replacements(Run& run);

// Closes the run's files as RESET CLOSE does: units 11 to 49 and the kept units keep their
// files; the scratch units' files are removed.
void close_run_files(Run& run);

} // namespace tarvex
