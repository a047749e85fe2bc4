// The shared READ/PRINT/WRITE option table and READ's defaults.
#include "io/read_options.hpp"

#include "core/run.hpp"

#include <string_view>

namespace tarvex {

namespace {

// The version-compatibility string under which REWIND starts off, and this version's own.
constexpr std::string_view OLD_COMPATIBILITY = "8.0  -  ";
constexpr std::string_view COMPATIBILITY = "9.0  -  ";

const OptionTable TABLE = {
    {
        // switches                                 effect in READ
        "LIST",     // 1  list the variables read through PRINT
        "BYVAR",    // 2  all observations of one variable, then the next
        "BINARY",   // 3  unformatted file
        "REWIND",   // 4  rewind the unit first
        "ALL",      // 5  PRINT/WRITE only
        "SYMAT",    // 6  symmetric matrix, lower triangle read
        "TRIMAT",   // 7  lower triangle matrix
        "CHARSTR",  // 8  character string
        "CHARVAR",  // 9  character variable
        "EOF",      // 10 PRINT/WRITE only
        "NAMES",    // 11 names from the first line of the file
        "WIDE",     // 12 PRINT/WRITE only
        "NEWPAGE",  // 13 PRINT/WRITE only
        "NEWSHEET", // 14 PRINT/WRITE only
        "NEWLINE",  // 15 PRINT/WRITE only
        "BACKSPAC", // 16 rewind the unit first
        "SBINARY",  // 17 unformatted, the other binary layout
        "DIF",      // 18 DIF spreadsheet file
        "CLOSE",    // 19 close the unit afterwards
        "TSP",      // 20 data bank layout
        "TARVEX",   // 21 TARVDATA/TARVBIN blocks
        "DB",       // 22 data bank (implies TSP)
        "        ", // 23 never matched
        "APPEND",   // 24 PRINT/WRITE only
        "CRYPT",    // 25 decrypt with gpg first
        "ASCII",    // 26 implies BYVAR
        "BIND",     // 27 bind the series to the file instead of loading them
                    // integer values
        "UNIT",
        "BEG",
        "END",
        "OBS",
        "COLS",
        "COLB",
        "COLE",
        "ROWS",
        "SKIPLINE",
        "SKIPROWS",
        "SKIPCOLS",
        "CHARVARS",
        // character values
        "FORMAT",
        "PLOTVAR",
        "        ",
        "SHEET", // the workbook sheet READ takes (the first when not given)
        "RANGE", // the cells READ takes from it, as A1:D20
        "********",
    },
    RS_COUNT,
    RV_COUNT,
    0,
    RN_COUNT,
};

} // namespace

const OptionTable& read_option_table() {
    return TABLE;
}

void set_read_defaults(Run& run, int unit, bool names_listed) {
    run.opt.prepare(TABLE);
    run.opt.iv[RV_UNIT] = unit;
    run.opt.iv[RV_SKIPROWS] = names_listed ? 0 : 1;
    run.opt.sw[RS_REWIND] = COMPATIBILITY != OLD_COMPATIBILITY;
}

} // namespace tarvex
