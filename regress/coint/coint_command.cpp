// COINTEGR in this version: the note every command without its work gives.
#include "regress/coint/coint_command.hpp"

#include "core/error_report.hpp"
#include "core/run.hpp"

namespace tarvex {

void cmd_cointegr(Run& run) {
    report_error(run, " ...NOTE..COINTEGR COMMAND IS NOT AVAILABLE IN THIS VERSION");
}

} // namespace tarvex
