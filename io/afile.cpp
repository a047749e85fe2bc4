// AFILE: binding a unit number to a file (inquire, note the old binding, refuse a missing
// input file, close, open, note the new binding) and the hand-off of the FILE keyword codes;
// AFILO: the one place where a unit is opened. Errors are reported without ending anything:
// the command that asked for the file decides what a failure means.
#include "io/afile.hpp"

#include "core/error_report.hpp"
#include "core/host_link.hpp"
#include "core/run.hpp"
#include "core/write_failure.hpp"
#include "io/afile_parts.hpp"
#include "numeric/fortran_format.hpp"

#include <cerrno>

namespace tarvex {

namespace afile_detail {

constexpr std::size_t NAME_FIELD = 72; // name in the inquire and open error lines
constexpr std::size_t MISSING_NAME_FIELD = 64;
constexpr std::size_t IN_USE_NAME_FIELD = 64;
constexpr int FLUSHED_BLOCK = 1; // block size when every flush must reach the file
constexpr int NORMAL_BLOCK = 8192;

bool notes_on(const Run& run, const AfileRequest& req) {
    return run.sw[OWARN] && !req.quiet;
}

std::string field(std::string_view text, std::size_t width) {
    std::string out(text.substr(0, std::min(text.size(), width)));
    out.resize(width, ' ');
    return out;
}

std::string unit_field(int unit, int width) {
    const int digits = int(std::to_string(unit).size());
    return fmt_I(unit, std::max(width, digits));
}

void warn_missing(Run& run, const std::string& name) {
    write_line(run, " ...WARNING..FILE DOES NOT EXIST: " + field(name, MISSING_NAME_FIELD));
    write_line(run, " " + name);
    write_line(run, "");
}

void report_close_error(Run& run, int unit, int error) {
    report_error(
        run, " ...ERROR..CLOSE ERROR ON UNIT" + unit_field(unit, 3) + " ERROR=" + fmt_I(error, 6),
        0, ErrorSeverity::CONTINUES);
}

void console_fallback(Run& run, int unit) {
    if (unit_is_open(run, unit)) return;
    if (unit == run.L5 || unit == run.L55) attach_unit(run, unit, run.streams.in);
    if (unit == run.L6) attach_unit(run, unit, run.streams.out);
    if (run.IN == unit && unit != run.L5) run.IN = run.L5;
    if (run.LOUT == unit) run.LOUT = 0;
}

namespace {

bool is_input_unit(const Run& run, int unit) {
    return unit == L1 || unit == L4 || unit == run.L5 || unit == run.L55 || unit == L80 ||
           unit == L82;
}

void report_unit_error(Run& run, const char* what, int unit, int error, const std::string& name) {
    report_error(run,
                 std::string(" ...ERROR..") + what + " ERROR ON UNIT" + unit_field(unit, 3) +
                     " ERROR=" + fmt_I(error, 6) + " FILE=" + field(name, NAME_FIELD),
                 0, ErrorSeverity::CONTINUES);
}

const char* status_word(UnitStatus status) {
    switch (status) {
    case UnitStatus::Old:
        return "OLD";
    case UnitStatus::New:
        return "NEW";
    case UnitStatus::Replace:
        return "REPLACE";
    case UnitStatus::Scratch:
        return "SCRATCH";
    default:
        return "UNKNOWN";
    }
}

} // namespace

// Binding a unit number to a file, steps 1 to 7.
bool bind_unit(Run& run, int unit, const std::string& name, const AfileRequest& req) {
    const bool console = name.empty() || name == "CON";
    const bool notes = notes_on(run, req);
    FileInquiry file;
    if (!console) {
        file = inquire_file(run, name);
        if (file.error != 0) {
            report_unit_error(run, "INQUIRE", unit, file.error, name);
            return false;
        }
    }
    if (unit_is_open(run, unit) && notes)
        write_line(run, " ...NOTE..UNIT" + unit_field(unit, 4) +
                            " IS CURRENTLY ASSIGNED TO: " + unit_name(run, unit));
    if (!console && !file.exists && req.status != UnitStatus::Scratch) {
        if (is_input_unit(run, unit) || req.from_read || req.status == UnitStatus::Old) {
            warn_missing(run, name);
            return false;
        }
        if (notes) warn_missing(run, name);
    }
    if (int error = close_unit(run, unit); error != 0) {
        console_fallback(run, unit);
        report_close_error(run, unit, error);
        return false;
    }
    // A host that shares files with the engine says whether another program holds this one.
    if (run.MOS == MODE_SHARED_FILES && !console && file.exists) {
        std::string text = name;
        MACDEP(run, MACDEP_FILE_IN_USE, text);
        if (text == "INUSE") {
            write_line(run, " ..FILE IN USE:" + field(name, IN_USE_NAME_FIELD));
            return false;
        }
    }
    if (int error = AFILO(run, unit, name, req); error != 0) {
        report_unit_error(run, "OPEN", unit, error, name);
        write_line(run, " " + write_failure_reason(error)); // what the system said, in words
        return false;
    }
    if (unit != L1 && unit != run.L6 && notes) {
        const std::string shown = console ? std::string("CON") : name;
        write_line(run, " ...NOTE..UNIT" + unit_field(unit, 3) + " IS NOW ASSIGNED TO: " +
                            shown.substr(0, std::min(shown.size(), NOTE_NAME_PART)));
        if (shown.size() > NOTE_NAME_PART) write_line(run, " " + shown.substr(NOTE_NAME_PART));
    }
    return true;
}

} // namespace afile_detail

using namespace afile_detail;

bool is_network_address(const std::string& name) {
    return name.rfind("http://", 0) == 0 || name.rfind("https://", 0) == 0 ||
           name.rfind("ftp://", 0) == 0 || name.rfind("HTTP://", 0) == 0 ||
           name.rfind("FTP://", 0) == 0;
}

std::string temp_directory(const Run& run) {
    std::string dir = run.files.TEMP;
    if (dir.empty()) dir = run.host.VTEMP;
    if (dir.empty()) dir = "/tmp";
    if (dir.back() != '/') dir += '/';
    return dir;
}

std::string unit_name(const Run& run, int unit) {
    const UnitFile* file = unit_file(run, unit);
    if (file == nullptr) return "";
    if (!file->owned) return "CON";
    if (file->scratch) return "SCRATCH";
    return file->path;
}

std::string gnu_copy_name(const Run& run) {
    return "C" + fmt_I(run.files.gnu_copy, 3, 3) + ".GNU";
}

int AFILO(Run& run, int unit, const std::string& name, const AfileRequest& req) {
    // A blank name is the console: the run's own input or output stream.
    if (name.empty() || name == "CON") {
        bool input = unit == L1 || unit == L4 || unit == run.L5 || unit == run.L55 || unit == L80 ||
                     unit == L82 || req.from_read;
        attach_unit(run, unit, input ? run.streams.in : run.streams.out);
        return 0;
    }
    UnitOpen how;
    how.status = req.status;
    how.unformatted = req.unformatted;
    how.append = req.append;
    how.replace = req.replace;
    how.for_writing = req.for_writing;
    how.block_size = run.sw[OFLUSH] ? FLUSHED_BLOCK : NORMAL_BLOCK;
    int error = open_unit_file(run, unit, name, how);
    if (error != 0) {
        console_fallback(run, unit); // the report must still reach the user
        report_error(run, " ...ERROR..FILE OPEN PROBLEM:", 0, ErrorSeverity::CONTINUES);
        write_line(run, " VCAR:" + name);
        write_line(run, std::string(" VF:") + (req.unformatted ? "UNFORMATTED" : "FORMATTED") +
                            " VPOS:" + (req.append ? "APPEND" : "ASIS") +
                            " VACC:SEQUENTIAL VSTA:" + status_word(req.status) +
                            " IBLOCK:" + fmt_I(how.block_size, 6) + " IOS:" + fmt_I(error, 6));
    }
    return error;
}

bool AFILE(Run& run, int code, const std::string& name, const AfileRequest& req) {
    switch (code) {
    case CODE_INQUIRE:
        return file_inquire(run, name);
    case CODE_CLOSE:
        return file_close(run, name, req);
    case CODE_DELETE:
        return file_delete(run, name, req);
    case CODE_TYPE:
        return file_type(run, name);
    case CODE_REWIND:
    case CODE_BACKSPACE:
        return file_position(run, code, name, req);
    case CODE_PATH:
    case CODE_TEMP:
    case CODE_HELPDEMO:
    case CODE_PROCPATH:
    case CODE_PLOTPATH:
    case CODE_DATABANK:
    case CODE_FTPPATH:
        return file_path_setting(run, code, name);
    case CODE_DIR:
    case CODE_CD:
    case CODE_PWD:
        return file_system_request(run, code, name);
    case CODE_FTP:
    case CODE_FTPB:
    case CODE_DOWNLOAD:
        return file_network(run, code, name, req);
    case CODE_TIMEOUT:
        return file_fetch_time(run, name);
    case CODE_KEYBOARD:
        // Commands are read from the keyboard again.
        attach_unit(run, run.L5, run.streams.in);
        run.IN = run.L5;
        return true;
    case CODE_PRINT:
        write_line(run, " TURN ON YOUR PRINTER, IMMEDIATELY");
        return bind_unit(run, run.L6, name.empty() ? std::string("LPT1:") : name, req);
    default:
        break;
    }
    if (is_network_address(name)) return file_network(run, code, name, req);
    return bind_unit(run, code, name, req);
}

} // namespace tarvex
