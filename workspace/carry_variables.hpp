// Keeps the workspace's variables in memory while PAR or SIZE reallocates the work area, and
// brings them back into the new work area when the command loop starts again.
#pragma once

#include "core/carried_variable.hpp"

namespace tarvex {

struct Run;

// Copies every variable (holes skipped) into run.carried and marks the restore pending (OPAR).
void carry_variables(Run& run);
// Re-creates the carried variables with NEWVAR, clears run.carried and OPAR. Variables that no
// longer fit are reported by NEWVAR's own messages and left out.
void restore_carried_variables(Run& run);

} // namespace tarvex
