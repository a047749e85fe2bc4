// The switch table: the SET keyword and default of each of the 54 switches, in switch-block
// order, and the reset of the switch block to those defaults.
#include "interp/set_display.hpp"

namespace tarvex {

namespace {

// clang-format off
constexpr SwitchEntry ROWS[] = {
    //  keyword      default   #  switch   effect
    {"ECHO",     true},  //  1 OECHO   echo each statement
    {"BATCH",    true},  //  2 OBAT    non-interactive input
    {"TERMINAL", false}, //  3 OTERM   console attached: PAUSE and paging work
    {"FLUSH",    false}, //  4 OFLUSH  windowed host refreshes after each flush
    {"FTN77",    true},  //  5 OKOD    command-name mode (off: lines continue the last command)
    {"DUMP",     false}, //  6 ODMMP   diagnostic dumps of scanner and option results
    {"TRACE",    false}, //  7 OTRACE  report entry to each routine
    {"xxxxxxxx", false}, //  8 ORESV8  reserved
    {"SCAN",     false}, //  9 OSCAN   scan statements without executing them
    {"TESTVER",  false}, // 10 OVER
    {"TALK",     false}, // 11 OTALK   interactive run
    {"DELETE",   true},  // 12 ODELL
    {"MAX",      false}, // 13 OMXX
    {"ALL",      false}, // 14 OALL
    {"FULL",     false}, // 15 OFULL
    {"FMT*",     false}, // 16 OFMT
    {"LONG",     false}, // 17 OLONG   command words and option keywords typed in full
    {"TIMER",    false}, // 18 OTIM    timing lines after each command
    {"OPTIONS",  false}, // 19 OOPT
    {"OUTPUT",   true},  // 20 OOPUT   default of the per-command print flag
    {"SKIP",     false}, // 21 OSKIP
    {"SAMPLE",   false}, // 22 OSMPL
    {"FRENCH",   false}, // 23 OFREN   French command words
    {"RANFIX",   false}, // 24 ORANST
    {"LASTCOM",  false}, // 25 OLCOM
    {"DOECHO",   true},  // 26 ODECHO
    {"WARN",     true},  // 27 OWARN   warnings
    {"HTML",     false}, // 28 OHTM    HTML output
    {"DISK",     false}, // 29 ODISK
    {"NORM",     true},  // 30 ONWT
    {"BACKWARD", false}, // 31 OBACK
    {"CC",       false}, // 32 OCC
    {"PAUSE",    false}, // 33 OPAUSE  paging
    {"LCUC",     true},  // 34 OLC     names folded to upper case
    {"GRAPHICS", true},  // 35 OGRAPH
    {"BANKSCAN", false}, // 36 OBAN
    {"WIDE",     true},  // 37 OWIDE   off when OTERM is on
    {"SCREEN",   false}, // 38 OSCR    copy output and echo to the log unit
    {"COLOR",    false}, // 39 OCOLOR
    {"WARNSKIP", true},  // 40 OSKWRN
    {"STATUS",   true},  // 41 OSTA
    {"JAPANESE", false}, // 42 OJAP
    {"SKIPMISS", false}, // 43 OSMISS
    {"OLDDO",    false}, // 44 OLDDO   DO and ENDO dispatched as PROCEDUR and PROCEND
    {"DB",       false}, // 45 ODB     names also sought in the data bank
    {"WARNMISS", true},  // 46 OMSWRN
    {"UMINUS",   false}, // 47 OUMIN
    {"CONTINUE", false}, // 48 OCONT
    {"BYVAR",    false}, // 49 OBYV
    {"XML",      false}, // 50 OXMLG
    {"DEBUG",    false}, // 51 ODEB    breakpoint exchange with a windowed host
    {"OD52",     false}, // 52 OD52
    {"OD53",     false}, // 53 OD53
    {"OD54",     false}, // 54 OD54
};
// clang-format on

} // namespace

// std::to_array keeps the row count: a missing or extra row does not compile.
const std::array<SwitchEntry, NSWITCH> SWITCH_TABLE = std::to_array(ROWS);

void default_switches(SwitchBlock& sw) {
    for (int k = 0; k < NSWITCH; ++k) sw.o[k] = SWITCH_TABLE[k].on_by_default;
    sw[OWIDE] = !sw[OTERM];
}

} // namespace tarvex
