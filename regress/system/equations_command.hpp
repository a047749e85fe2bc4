// The one handler of 2SLS, INSTRUME and SYSTEM: the equation commands estimated with
// instruments or as a system.
#pragma once

namespace tarvex {

struct Run;

void cmd_equations(Run& run);

} // namespace tarvex
