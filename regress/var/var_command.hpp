// VAR series / options: a vector autoregression of the listed series.
#pragma once

namespace tarvex {

struct Run;

void cmd_var(Run& run);

} // namespace tarvex
