// The FCAST command and DIAGNOSE, which shares its handler and option table.
#pragma once

namespace tarvex {

struct Run;

// Handler of FCAST and DIAGNOSE (told apart by IKOD).
void cmd_fcast(Run& run);

} // namespace tarvex
