// 2SLS and INSTRUME go to the single-equation estimator, SYSTEM to the system estimators.
#include "regress/system/equations_command.hpp"

#include "core/command_table.hpp"
#include "core/run.hpp"
#include "regress/iv/iv_command.hpp"
#include "regress/system/system_command.hpp"

namespace tarvex {

void cmd_equations(Run& run) {
    if (run.cmd.IKOD == C_SYSTEM)
        cmd_system(run);
    else
        cmd_2sls(run);
}

} // namespace tarvex
