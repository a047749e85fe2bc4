// The failed-write report shared by WRITE, SAVE and the unit writers.
#include "core/write_failure.hpp"

#include "core/error_report.hpp"
#include "core/run.hpp"
#include "core/units.hpp"
#include "numeric/fortran_format.hpp"

#include <cerrno>
#include <cstring>

namespace tarvex {

namespace {

inline constexpr std::size_t REPORT_COLUMNS = 130;
inline constexpr std::string_view CUT_MARK = "...";

} // namespace

std::string write_failure_reason(int error) {
    switch (error) {
    case ENOSPC:
        return "DISK FULL";
    case EACCES:
    case EPERM:
        return "PERMISSION DENIED";
    case EFBIG:
        return "FILE TOO LARGE";
    default:
        break;
    }
    std::string text = std::strerror(error);
    for (char& c : text)
        if (c >= 'a' && c <= 'z') c = char(c - 'a' + 'A');
    return text;
}

void report_write_failure(Run& run, int unit, const std::string& name, int error, int number) {
    const std::string head = unit > 0
                                 ? " ...ERROR..CANNOT WRITE ON UNIT" + fmt_I(unit, 3) + " FILE "
                                 : std::string(" ...ERROR..CANNOT WRITE FILE ");
    const std::string tail = ": " + write_failure_reason(error);
    std::string shown = name.empty() ? std::string("CON") : name; // the run's own stream
    const std::size_t room = REPORT_COLUMNS - std::min(REPORT_COLUMNS, head.size() + tail.size());
    if (shown.size() > room && room > CUT_MARK.size())
        shown = std::string(CUT_MARK) + shown.substr(shown.size() - (room - CUT_MARK.size()));
    report_error(run, head + shown + tail, number);
}

void close_report_files(Run& run) {
    // Closes `unit` when it is bound to a file of its own; the system error number, or 0.
    auto close_file = [&run](int unit, std::string& path) {
        const UnitFile* file = unit_file(run, unit);
        if (file == nullptr || !file->owned || file->path.empty()) return 0;
        path = file->path;
        return close_unit(run, unit);
    };
    std::string log_path, report_path;
    const int log_error = close_file(run.L86, log_path);
    if (log_error != 0) report_write_failure(run, run.L86, log_path, log_error, 0);
    const int output_error = close_file(run.L6, report_path);
    if (output_error == 0) return;
    // The report file lost lines, and with them any message about the log: both go to the
    // console.
    attach_unit(run, run.L6, run.streams.out);
    report_write_failure(run, run.L6, report_path, output_error, 0);
    if (log_error != 0) report_write_failure(run, run.L86, log_path, log_error, 0);
}

} // namespace tarvex
