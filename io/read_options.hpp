// The option table that READ, PRINT and WRITE share: 27 switches, 12 integer values and the
// character-valued FORMAT and PLOTVAR, with the positions by which the commands read them.
#pragma once

#include "core/option_set.hpp"

namespace tarvex {

struct Run;

// Switch positions in the option set (opt.sw).
enum ReadSwitch : int {
    RS_LIST,
    RS_BYVAR,
    RS_BINARY,
    RS_REWIND,
    RS_ALL,
    RS_SYMAT,
    RS_TRIMAT,
    RS_CHARSTR,
    RS_CHARVAR,
    RS_EOF,
    RS_NAMES,
    RS_WIDE,
    RS_NEWPAGE,
    RS_NEWSHEET,
    RS_NEWLINE,
    RS_BACKSPAC,
    RS_SBINARY,
    RS_DIF,
    RS_CLOSE,
    RS_TSP,
    RS_TARVEX,
    RS_DB,
    RS_BLANK,
    RS_APPEND,
    RS_CRYPT,
    RS_ASCII,
    RS_BIND,
    RS_COUNT
};
// Integer positions (opt.iv).
enum ReadValue : int {
    RV_UNIT,
    RV_BEG,
    RV_END,
    RV_OBS,
    RV_COLS,
    RV_COLB,
    RV_COLE,
    RV_ROWS,
    RV_SKIPLINE,
    RV_SKIPROWS,
    RV_SKIPCOLS,
    RV_CHARVARS,
    RV_COUNT
};
// Character-option positions (opt.name).
enum ReadName : int { RN_FORMAT, RN_PLOTVAR, RN_BLANK, RN_SHEET, RN_RANGE, RN_COUNT };

// The table as READ matches it.
const OptionTable& read_option_table();

// Defaults before parsing: every switch off and value 0, then UNIT = `unit`, SKIPROWS = 1 when
// no names are listed, REWIND on unless the run's compatibility string is "8.0  -  ".
void set_read_defaults(Run& run, int unit, bool names_listed);

} // namespace tarvex
