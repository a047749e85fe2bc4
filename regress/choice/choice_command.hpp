// PROBIT, LOGIT and TOBIT: depvar indeps / options. One handler for the three commands.
#pragma once

namespace tarvex {

struct Run;

void cmd_choice(Run& run);

} // namespace tarvex
