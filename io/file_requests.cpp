// The FILE requests that act on files and units already named: INQUIRE, CLOSE, DELETE, TYPE,
// REWIND and BACKSPAC, and the directory settings PATH, TEMP, HELPDEMO, PROCPATH, PLOTPATH,
// DATABANK and FTPPATH. Errors are reported without ending anything: the command that made the
// request decides.
#include "core/error_report.hpp"
#include "core/run.hpp"
#include "io/afile_parts.hpp"
#include "io/file_errors.hpp"
#include "numeric/fortran_format.hpp"

#include <charconv>
#include <sys/stat.h>

namespace tarvex::afile_detail {

namespace {

constexpr std::size_t INQUIRE_NAME_FIELD = 64;
constexpr std::size_t TYPE_LINE = LINE_WIDTH - 1; // a shown line after its leading blank
constexpr std::size_t DELETE_NAME_SHOWN = 60;     // of a name FILE DELETE refuses
constexpr int ERR_DELETE_NOT_A_FILE = 63090;      // FILE DELETE of a directory or device

// A unit number written as the name ("11"), or -1.
int unit_number(const std::string& name) {
    int unit = -1;
    auto [end, ec] = std::from_chars(name.data(), name.data() + name.size(), unit);
    if (ec != std::errc() || end != name.data() + name.size() || unit < 0) return -1;
    return unit;
}

const char* tf(bool value) {
    return value ? "T" : "F";
}

} // namespace

int named_unit(Run& run, const std::string& name) {
    if (name.empty()) {
        report_error(run, " ...ERROR..NO UNIT OR FILE NAME GIVEN", ERR_FILE_NOTHING_NAMED,
                     ErrorSeverity::CONTINUES);
        return -1;
    }
    if (int unit = unit_number(name); unit >= 0) return unit;
    FileInquiry file = inquire_file(run, name);
    if (file.open) return file.unit;
    report_error(run, " ...ERROR..NO UNIT IS ASSIGNED TO: " + name, ERR_FILE_NAME_UNBOUND,
                 ErrorSeverity::CONTINUES);
    return -1;
}

// " FILE = " with the name, then the unit, the status, and whether it exists and is open. A
// unit number asks about that unit and the file bound to it.
bool file_inquire(Run& run, const std::string& name) {
    std::string shown = name;
    int unit = 0;
    FileInquiry file;
    if (int number = unit_number(name); number >= 0) {
        unit = number;
        shown = unit_name(run, unit);
        file.open = unit_is_open(run, unit);
        file.exists = file.open;
        if (file.open && shown != "CON" && shown != "SCRATCH")
            file.exists = inquire_file(run, shown).exists;
    } else {
        file = inquire_file(run, name);
        unit = file.unit;
    }
    if (!run.flags.OPUT) return file.error == 0;
    write_line(run, " FILE = " + field(shown, INQUIRE_NAME_FIELD));
    write_line(run, " UNIT =" + unit_field(unit, 3) + " IOSTATUS=" + fmt_I(file.error, 5) +
                        " EXIST=" + tf(file.exists) + " OPEN=" + tf(file.open));
    return file.error == 0;
}

// Releases a unit (given by number or by the file bound to it).
bool file_close(Run& run, const std::string& name, const AfileRequest& req) {
    int unit = named_unit(run, name);
    if (unit < 0) return false;
    if (int error = close_unit(run, unit); error != 0) {
        report_close_error(run, unit, error);
        return false;
    }
    console_fallback(run, unit);
    if (notes_on(run, req)) write_line(run, " UNIT" + unit_field(unit, 3) + " IS RELEASED");
    return true;
}

// Deletes a file through the one-off unit (opened, then closed with status DELETE). The plot
// command file COMM.GNU stands for its current numbered copy.
bool file_delete(Run& run, const std::string& name, const AfileRequest& req) {
    if (name.empty()) {
        report_error(run, " ...ERROR..NO FILE NAME GIVEN TO DELETE", ERR_FILE_DELETE_NO_NAME,
                     ErrorSeverity::CONTINUES);
        return false;
    }
    const std::string target =
        (name == "COMM.GNU" || name == "comm.gnu") ? gnu_copy_name(run) : name;
    FileInquiry file = inquire_file(run, target);
    if (file.error != 0) {
        report_error(run,
                     " ...ERROR..INQUIRE ERROR ON UNIT" + unit_field(UNIT_ONE_OFF, 3) +
                         " ERROR=" + fmt_I(file.error, 6) + " FILE=" + field(target, 72),
                     ERR_FILE_INQUIRE, ErrorSeverity::CONTINUES);
        return false;
    }
    if (!file.exists) {
        if (notes_on(run, req)) warn_missing(run, target);
        return true;
    }
    // Only a plain file (or a link, which goes and leaves what it names) is deleted: a
    // directory, a device or a pipe named by mistake stays where it is.
    struct stat st {};
    if (::lstat(target.c_str(), &st) == 0 && !S_ISREG(st.st_mode) && !S_ISLNK(st.st_mode)) {
        const char* what = S_ISDIR(st.st_mode) ? "THE DIRECTORY " : "THE DEVICE OR PIPE ";
        report_error(run,
                     std::string(" ...ERROR..FILE DELETE REMOVES ONLY PLAIN FILES, NOT ") + what +
                         target.substr(0, DELETE_NAME_SHOWN),
                     ERR_DELETE_NOT_A_FILE);
        return false;
    }
    if (file.open && file.unit != UNIT_ONE_OFF) {
        if (int error = close_unit(run, file.unit); error != 0) {
            report_close_error(run, file.unit, error);
            return false;
        }
        console_fallback(run, file.unit);
    }
    AfileRequest open = req;
    open.quiet = true;
    open.status = UnitStatus::Old;
    if (int error = AFILO(run, UNIT_ONE_OFF, target, open); error != 0) {
        report_error(run,
                     " ...ERROR..OPEN ERROR ON UNIT" + unit_field(UNIT_ONE_OFF, 3) +
                         " ERROR=" + fmt_I(error, 6) + " FILE=" + field(target, 72),
                     ERR_FILE_OPEN_ONE_OFF, ErrorSeverity::CONTINUES);
        return false;
    }
    if (int error = close_unit(run, UNIT_ONE_OFF, true); error != 0) {
        report_close_error(run, UNIT_ONE_OFF, error);
        return false;
    }
    return true;
}

// Shows a text file on the output, each line after one blank column.
bool file_type(Run& run, const std::string& name) {
    if (name.empty()) {
        report_error(run, " ...ERROR..NO FILE NAME GIVEN TO TYPE", ERR_FILE_TYPE_NO_NAME,
                     ErrorSeverity::CONTINUES);
        return false;
    }
    FileInquiry file = inquire_file(run, name);
    if (!file.exists) {
        warn_missing(run, name);
        return false;
    }
    UnitOpen how;
    how.status = UnitStatus::Old;
    const int unit = UNIT_ONE_OFF;
    if (int error = open_unit_file(run, unit, name, how); error != 0) {
        report_error(run,
                     " ...ERROR..OPEN ERROR ON UNIT" + unit_field(unit, 3) +
                         " ERROR=" + fmt_I(error, 6) + " FILE=" + field(name, 72),
                     ERR_FILE_OPEN_ONE_OFF, ErrorSeverity::CONTINUES);
        return false;
    }
    std::string line;
    while (read_record(run, unit, line, TYPE_LINE))
        if (run.flags.OPUT) write_line(run, " " + line);
    close_unit(run, unit);
    return true;
}

// REWIND and BACKSPAC of a unit given by number or by its file. The console cannot move.
bool file_position(Run& run, int code, const std::string& name, const AfileRequest& req) {
    int unit = named_unit(run, name);
    if (unit < 0) return false;
    const UnitFile* file = unit_file(run, unit);
    if (file == nullptr) {
        if (notes_on(run, req))
            write_line(run, " ...WARNING..UNIT" + unit_field(unit, 3) + " IS NOT ASSIGNED");
        return false;
    }
    if (!file->owned) return true;
    bool ok = code == CODE_REWIND ? rewind_unit(run, unit) : backspace_unit(run, unit);
    if (!ok)
        report_error(run,
                     std::string(" ...ERROR..") + (code == CODE_REWIND ? "REWIND" : "BACKSPACE") +
                         " ERROR ON UNIT" + unit_field(unit, 3),
                     ERR_FILE_POSITION, ErrorSeverity::CONTINUES);
    return ok;
}

bool file_path_setting(Run& run, int code, const std::string& name) {
    std::string value = name.substr(0, std::min(name.size(), PATH_SETTING_LENGTH));
    FileSettings& f = run.files;
    switch (code) {
    case CODE_PATH:
        f.PATH = value;
        break;
    case CODE_TEMP:
        f.TEMP = value;
        break;
    case CODE_HELPDEMO:
        f.HELPDEMO = value;
        break;
    case CODE_PROCPATH:
        f.PROCPATH = value;
        break;
    case CODE_PLOTPATH:
        f.PLOTPATH = value;
        break;
    case CODE_DATABANK:
        f.DATABANK = value;
        break;
    case CODE_FTPPATH:
        f.FTPPATH = value;
        break;
    default:
        return false;
    }
    return true;
}

} // namespace tarvex::afile_detail
