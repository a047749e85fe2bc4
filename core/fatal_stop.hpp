// The fatal stop XXIT: a condition the run cannot go on from ends it here, from any layer.
#pragma once

namespace tarvex {

struct Run;

// Writes the stop code (and the long-format message for codes -3 and -4), closes the run's
// files for a windowed host and has it reset, then throws FatalStop.
[[noreturn]] void XXIT(Run& run, int code);

} // namespace tarvex
