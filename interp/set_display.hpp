// SET and DISPLAY (SETDIS): the switch table with its defaults and the run values.
#pragma once

#include "core/run.hpp"

#include <array>

namespace tarvex {

// Keyword and default of each switch, in switch-block order.
struct SwitchEntry {
    const char* keyword;
    bool on_by_default;
};
extern const std::array<SwitchEntry, NSWITCH> SWITCH_TABLE;

// Integer values of SET, in table order after the switches.
enum SetInteger : int {
    SI_READUNIT,
    SI_WRITEUNI,
    SI_INUNIT,
    SI_OUTUNIT,
    SI_COMLEN,
    SI_MAXCOLON,
    SI_RANSEED,
    SI_MACLOAD,
    SI_RANLEVEL,
    N_SET_INTEGER
};
// Real values of SET.
enum SetReal : int { SR_CPUTIME, SR_MISSVALU, SR_RCPUTIME, N_SET_REAL };
inline constexpr int N_SET_NAME = 13; // FORMAT ... GIF, stored in RunValues::names

// Internal random generator codes of RANLEVEL 1 to 6 (level 4 is the default).
inline constexpr std::array<int, 6> RANDOM_GENERATOR_CODES = {22, 60, 63, 127, 153, 532};

// The option table of SET and DISPLAY: 54 switches, 9 integers, 3 reals, 13 names.
const OptionTable& set_option_table();

// Sets every switch to its default (OWIDE follows OTERM).
void default_switches(SwitchBlock& sw);
// The SET and DISPLAY commands (FILE is passed on to the file command).
void SETDIS(Run& run);

} // namespace tarvex
