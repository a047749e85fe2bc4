// The file binder AFILE and the opener AFILO. AFILE takes a unit code (a unit number, or one
// of the FILE keyword codes below) and a name: it binds units to files, releases, deletes,
// rewinds and reports on them, sets the run's directories, fetches network files and passes
// directory requests to the system. AFILO is the one place where a unit is opened.
#pragma once

#include "core/units.hpp"

#include <string>

namespace tarvex {

struct Run;

// Units of the run.
inline constexpr int L1 = 1, L4 = 4, L80 = 80, L82 = 82, L88 = 88, L89 = 89;
inline constexpr int UNIT_ONE_OFF = 77;   // one-off file operations (DELETE, TYPE)
inline constexpr int UNIT_NETWORK = 4444; // a fetched network file
inline constexpr int UNIT_DECRYPT = L89;  // the decrypted copy of an encrypted file

// Codes of the FILE keywords (any other code is a unit number).
inline constexpr int CODE_INQUIRE = 0;
inline constexpr int CODE_BACKSPACE = 111;
inline constexpr int CODE_HELPDEMO = 222;
inline constexpr int CODE_TEMP = 333;
inline constexpr int CODE_PATH = 444;
inline constexpr int CODE_REWIND = 555;
inline constexpr int CODE_KEYBOARD = 666;
inline constexpr int CODE_CLOSE = 777;
inline constexpr int CODE_DELETE = 778;
inline constexpr int CODE_TYPE = 888;
inline constexpr int CODE_PRINT = 999;
inline constexpr int CODE_PROCPATH = 1111;
inline constexpr int CODE_PLOTPATH = 2222;
inline constexpr int CODE_DATABANK = 3333;
inline constexpr int CODE_FTP = 4444;
inline constexpr int CODE_FTPB = 4445;
inline constexpr int CODE_FTPPATH = 4446;
inline constexpr int CODE_DOWNLOAD = 4447;
inline constexpr int CODE_TIMEOUT = 4448; // the longest time of a network transfer
inline constexpr int CODE_DIR = 5555;
inline constexpr int CODE_CD = 5556;
inline constexpr int CODE_PWD = 5557;

struct AfileRequest {
    bool from_read = false;   // READ asks: a missing file is always a warning, never created
    bool unformatted = false; // open for unformatted records
    bool append = false;      // position after the last record
    bool replace = false;     // written whole, replacing the file only when complete (UnitOpen)
    UnitStatus status = UnitStatus::Unknown;
    bool quiet = false;       // no notes (decrypted copies, internal files)
    bool for_writing = false; // the report file or the log: a read-only file is refused
};

// Binds or acts as `code` asks. For a unit number: true when the unit is bound to `name`
// afterwards (an empty name binds the console). For the other codes: true when the request
// succeeded. Every failure has been reported on the output.
bool AFILE(Run& run, int code, const std::string& name, const AfileRequest& req = {});
// Opens `name` on `unit` with the request's form, position and status; a blank name is the
// console "CON". Returns 0 or the system error number (after reporting the open parameters).
int AFILO(Run& run, int unit, const std::string& name, const AfileRequest& req = {});

// True for addresses that AFILE fetches over the network ("http://", "https://", "ftp://").
bool is_network_address(const std::string& name);
// The temporary directory in force (the TEMP setting, else the run's), ending in "/".
std::string temp_directory(const Run& run);
// The name a unit is known by in reports ("CON" for the run's console streams).
std::string unit_name(const Run& run, int unit);
// The numbered copy that stands for the plot command file COMM.GNU ("C001.GNU" ...).
std::string gnu_copy_name(const Run& run);

} // namespace tarvex
