// SAVE and RESTORE (routine SAVEX): move variables between the workspace and a file on a unit
// between 11 and 49, in the saved-variable layout that keeps every value's exact bits. A unit
// not bound by FILE uses the file TARVEX<unit>.SAV. With DATES a block carries the TIME
// calendar, and RESTORE places each dated series at the observations of its dates.
#include "workspace/maintenance.hpp"

#include "core/error_report.hpp"
#include "core/run.hpp"
#include "core/shared_errors.hpp"
#include "core/write_failure.hpp"
#include "numeric/fortran_format.hpp"
#include "workspace/saved_file.hpp"
#include "workspace/workspace.hpp"
#include "workspace/workspace_errors.hpp"

#include <algorithm>
#include <cerrno>
#include <cstdio>

namespace tarvex {

namespace {

inline constexpr int FIRST_SAVE_UNIT = 11;
inline constexpr int LAST_SAVE_UNIT = 49;
inline constexpr std::size_t LONGEST_RECORD = 1024;
inline constexpr std::string_view DATES_KEYWORD = "DATES";
inline constexpr int ERR_SAVE_NOT_WRITTEN = 45050;

std::string default_file(int unit) {
    return "TARVEX" + std::to_string(unit) + ".SAV";
}

// The statement of SAVE or RESTORE: its unit, the names listed and the DATES option.
struct SaveStatement {
    int unit = 0;
    std::vector<std::string> names;
    bool dates = false;
};

// Reads "(unit)" or a plain unit number first, then names; false after an error report.
bool parse_statement(Run& run, SaveStatement& st) {
    std::vector<std::string> options;
    std::vector<std::string> words = statement_words(run, &options);
    for (const std::string& word : options) {
        const std::string key = word8(word, true);
        if (key.empty() || DATES_KEYWORD.substr(0, key.size()) != key) {
            report_error(run, " ...ERROR..INVALID OPTION.." + key, 1012);
            return false;
        }
        st.dates = true;
    }
    std::string unit_text;
    if (!words.empty() && words.front().front() == '(') {
        const std::size_t close = words.front().find(')');
        if (close != std::string::npos) {
            unit_text = words.front().substr(1, close - 1);
            std::string rest = words.front().substr(close + 1);
            words.erase(words.begin());
            if (!rest.empty()) words.insert(words.begin(), rest);
        }
    } else if (!words.empty() && NAMCHK(words.front()) == 0) {
        unit_text = words.front();
        words.erase(words.begin());
    }
    int unit = 0;
    bool digits = !unit_text.empty() && unit_text.size() <= 4;
    for (char c : unit_text) digits = digits && c >= '0' && c <= '9';
    if (digits) unit = std::stoi(unit_text);
    if (unit < FIRST_SAVE_UNIT || unit > LAST_SAVE_UNIT) {
        report_error(run, " ...ERROR..YOU FORGOT TO USE A UNIT BETWEEN 11 AND 49",
                     command_error_number(run, SAVE_NO_UNIT_SEQUENCE), ErrorSeverity::SERIOUS);
        return false;
    }
    st.unit = unit;
    for (const std::string& word : words) st.names.push_back(word8(word, run.sw[OLC]));
    if (st.dates && run.smpl.ITIME2 == 0) {
        report_error(run, " ...ERROR..YOU FORGOT TO SET THE TIME COMMAND",
                     command_error_number(run, SAVE_NO_TIME_SEQUENCE), ErrorSeverity::SERIOUS);
        return false;
    }
    return true;
}

std::FILE* unit_stream(Run& run, int unit) {
    auto it = run.units.open.find(unit);
    return it == run.units.open.end() ? nullptr : it->second.fp;
}

// Observation number, under the current calendar, of a block's first observation.
long long first_observation(const Run& run, const VariableCopy& var) {
    const SampleBlock& s = run.smpl;
    return (static_cast<long long>(var.sub) - s.ITIME2) + 1 +
           (static_cast<long long>(var.year) - s.ITIME1) * s.ITIME3;
}

// Places a dated series at the observations of its dates: leading observations before the
// first date are missing, observations before the calendar's start are dropped.
bool align_dates(Run& run, VariableCopy& var) {
    if (var.frequency == 0 || var.type != TYPE_DATA || var.ncol != 1) return true;
    if (var.frequency != run.smpl.ITIME3) {
        report_error(run,
                     " ...ERROR..DATES OF " + var.name + " HAVE" + fmt_I(var.frequency, 5) +
                         " PERIODS A YEAR, TIME HAS" + fmt_I(run.smpl.ITIME3, 5),
                     RESTORE_DATES_DIFFER);
        return false;
    }
    const long long first = first_observation(run, var);
    if (first - 1 > run.ws.MAXADD) {
        report_error(run, " ...ERROR..DATES OF " + var.name + " LIE BEYOND THE WORK AREA",
                     RESTORE_DATES_BEYOND);
        return false;
    }
    std::vector<Real> placed;
    if (first >= 1) {
        placed.assign(static_cast<std::size_t>(first - 1), run.ws.XMISS);
        placed.insert(placed.end(), var.elements.begin(), var.elements.end());
    } else if (1 - first < var.length) {
        placed.assign(var.elements.begin() + (1 - first), var.elements.end());
    }
    var.elements = std::move(placed);
    var.length = static_cast<long long>(var.elements.size());
    return true;
}

} // namespace

void cmd_save(Run& run) {
    SaveStatement st;
    if (!parse_statement(run, st)) return;
    std::vector<int> slots;
    if (st.names.empty()) {
        for (int slot = 1; slot <= run.ws.NVARS; ++slot)
            if (!is_hole(run, slot)) slots.push_back(slot);
    }
    for (const std::string& name : st.names) {
        const int slot = VFIND(run, name);
        if (slot <= 0) {
            report_error(run,
                         " ...ERROR..VARIABLE " + word8(name, run.sw[OLC]) + " DOES NOT EXIST...",
                         shared_error::NO_SUCH_VARIABLE);
            return;
        }
        slots.push_back(slot);
    }
    // A unit no FILE bound gets a new default file, which replaces the old one only once it is
    // complete; a bound unit takes the blocks where it stands.
    const bool whole_file = !unit_is_open(run, st.unit);
    UnitOpen replace;
    replace.replace = true;
    if (whole_file) {
        if (const int error = open_unit_file(run, st.unit, default_file(st.unit), replace);
            error != 0) {
            report_error(run,
                         " ...ERROR..CANNOT OPEN " + default_file(st.unit) + ": " +
                             write_failure_reason(error),
                         ERR_SAVE_NOT_WRITTEN);
            return;
        }
    }
    std::FILE* fp = unit_stream(run, st.unit);
    const std::string path = unit_file(run, st.unit)->path;
    std::fseek(fp, 0, SEEK_CUR); // a read may have come before: switch the stream to writing
    std::vector<std::string> saved;
    for (int slot : slots) {
        VariableCopy var = copy_variable(run, slot);
        if (st.dates) {
            var.year = run.smpl.ITIME1;
            var.sub = run.smpl.ITIME2;
            var.frequency = run.smpl.ITIME3;
        }
        for (const std::string& record : saved_block_records(var))
            write_record(run, st.unit, record);
        saved.push_back(var.name);
    }
    // A sequential file ends after the last record written.
    int error = check_unit_writes(run, st.unit, true);
    if (whole_file) {
        // The unit stays bound to the new file, after its last record, as RESTORE expects.
        const int close_error = close_unit(run, st.unit, error != 0);
        if (error == 0) error = close_error;
        if (error == 0 && !open_unit(run, st.unit, path, "r+")) error = errno != 0 ? errno : EIO;
        if (error == 0) append_position(run, st.unit);
    }
    if (error != 0) {
        report_write_failure(run, st.unit, path, error, ERR_SAVE_NOT_WRITTEN);
        return;
    }
    if (run.flags.OPUT)
        for (const std::string& name : saved) write_line(run, " " + name + " HAS BEEN SAVED");
}

void cmd_restore(Run& run) {
    SaveStatement st;
    if (!parse_statement(run, st)) return;
    const bool bound = unit_is_open(run, st.unit) ||
                       open_unit(run, st.unit, default_file(st.unit), "r+") ||
                       open_unit(run, st.unit, default_file(st.unit), "r");
    if (!bound) {
        report_error(run, " ...ERROR..FILE " + default_file(st.unit) + " DOES NOT EXIST",
                     RESTORE_NO_FILE);
        return;
    }
    std::FILE* fp = unit_stream(run, st.unit);
    std::rewind(fp);
    // The whole file is read and checked before any variable changes.
    SavedFileParser parser;
    std::string record;
    long long line = 0;
    bool good = true;
    while (good && read_record(run, st.unit, record, LONGEST_RECORD)) {
        ++line;
        good = parser.feed(record);
    }
    if (!good || !parser.complete()) {
        report_error(run,
                     " ...ERROR..SAVED FILE ON UNIT" + fmt_I(st.unit, 3) + " IS DAMAGED AT LINE" +
                         fmt_I(good ? line + 1 : line, 8),
                     RESTORE_DAMAGED);
        return;
    }
    std::vector<VariableCopy> chosen;
    for (const VariableCopy& var : parser.blocks()) {
        const bool listed = st.names.empty() ||
                            std::find(st.names.begin(), st.names.end(), var.name) != st.names.end();
        if (listed) chosen.push_back(var);
    }
    for (const std::string& name : st.names) {
        const bool found = std::any_of(chosen.begin(), chosen.end(),
                                       [&](const VariableCopy& v) { return v.name == name; });
        if (!found)
            write_line(run,
                       " ...WARNING..VARIABLE " + name + " IS NOT ON UNIT" + fmt_I(st.unit, 3));
    }
    for (VariableCopy& var : chosen) {
        if (st.dates && !align_dates(run, var)) return;
        if (!replace_variable(run, var)) return;
        if (run.flags.OPUT) write_line(run, " VARIABLE " + var.name + " HAS BEEN RESTORED");
    }
}

} // namespace tarvex
