// The failed-write report shared by WRITE, SAVE and the unit writers.
#include "core/write_failure.hpp"

#include "core/error_report.hpp"
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

} // namespace tarvex
