// SET and DISPLAY (SETDIS): the switch table with its defaults and the run values.
#pragma once

#include "interp/run.hpp"

namespace tarvex {

// Keyword and default of each switch, in switch-block order.
struct SwitchEntry {
    const char* keyword;
    bool on_by_default;
};
extern const SwitchEntry SWITCH_TABLE[NSWITCH];

// Sets every switch to its default (OWIDE follows OTERM).
void default_switches(SwitchBlock& sw);
// The SET and DISPLAY commands (FILE is passed on to the file command).
void SETDIS(Run& run);

} // namespace tarvex
