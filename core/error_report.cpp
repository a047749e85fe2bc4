// The one error path: the line, $ERR, the end of the command and the scan-only rule.
#include "core/error_report.hpp"

#include "core/run.hpp"

namespace tarvex {

void report_error(Run& run, std::string_view line, int number, ErrorSeverity severity) {
    if (!line.empty()) write_line(run, line);
    if (StepErrors& step = run.step_errors; step.recording) {
        if (step.line.empty()) step.line = line;
        if (step.number == 0) step.number = number;
    }
    if (number != 0) {
        run.res[R_ERR] = number;
        ++run.error_check.numbers_stored;
    }
    if (severity == ErrorSeverity::CONTINUES) return;
    run.flags.ODONT = true;
    if (severity == ErrorSeverity::SERIOUS && !run.sw[OTALK]) run.sw[OSCAN] = true;
}

int command_error_number(const Run& run, int sequence) {
    return run.cmd.IKOD * 1000 + sequence;
}

} // namespace tarvex
