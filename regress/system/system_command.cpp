// SYSTEM / options and its block.
#include "regress/system/system_command.hpp"

#include "core/error_report.hpp"
#include "core/run.hpp"

namespace tarvex {

void cmd_system(Run& run) {
    report_error(run, " ...NOTE..SYSTEM COMMAND IS NOT AVAILABLE IN THIS VERSION", 0);
}

} // namespace tarvex
