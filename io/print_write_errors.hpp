// The $ERR numbers of the messages of PRINT and WRITE. Both commands share the code that lists
// and writes variables, so a message is numbered by the command running it: its slot x 1000 plus
// the sequence below (4020 for PRINT, 5020 for WRITE). The sequences start at 20, clear of READ's
// own (a READ lists what it read through the same code) and of WRITE's file failures (5050...).
#pragma once

namespace tarvex {

enum PrintWriteError : int {
    PW_NO_DATA = 20,             // "THERE IS NO DATA ON VARIABLE x"
    PW_RESERVED_UNIT = 21,       // "UNITnn IS RESERVED FOR INTERNAL USE"
    PW_NO_PLOTVAR = 22,          // "PLOTVAR VARIABLE x DOES NOT EXIST"
    PW_PLOTVAR_NOT_SERIES = 23,  // "PLOTVAR VARIABLE x IS NOT A SERIES"
    PW_BANK_ELEMENT = 24,        // "ONLY WHOLE VARIABLES CAN BE STORED IN THE DATA BANK: x"
    PW_BLOCK_ELEMENT = 25,       // "ONLY WHOLE VARIABLES CAN BE WRITTEN AS DATA FILE BLOCKS: x"
    PW_FORMAT_VALUE = 26,        // "FORMAT MUST BE FREE, TAB, COMMA OR DUMP, ..."
    PW_NO_FORMAT = 27,           // "YOU MUST SPECIFY A FORMAT"
    PW_BAD_FORMAT = 28,          // "BAD FORMAT OR MAY PRINT MORE THAN 130 COLUMNS"
    PW_RANGE_REVERSED = 29,      // "BEG AND END OBSERVATIONS INCONSISTENT"
    PW_TOO_MANY = 30,            // "MORE THAN 10000 VARIABLES SPECIFIED"
    PW_RANGE_TOO_LONG = 31,      // "REQUESTED RANGE EXCEEDS VARIABLE LENGTH"
    PW_NOT_SQUARE = 32,          // "SYMAT AND TRIMAT NEED A SQUARE MATRIX: x"
    PW_BINARY_NO_UNIT = 33,      // "BINARY OUTPUT NEEDS A UNIT OR A FILE"
    PW_DIF_SERIES_ONLY = 34,     // "DIF OUTPUT TAKES DATA SERIES ONLY: x"
    PW_BINARY_TOO_LARGE = 35,    // "VARIABLE TOO LARGE FOR ONE BINARY RECORD: x"
    PW_PACKAGE_SERIES_ONLY = 36, // "ONLY DATA SERIES AND CHARACTER VARIABLES GO INTO A ... FILE"
    PW_PACKAGE_VALUE_RANGE = 37, // "A STATA FILE CANNOT HOLD x AT OBSERVATION t: value"
    PW_PACKAGE_REFUSED = 38,     // the file library refused the variables or values
    PW_PACKAGE_KIND = 39,        // a kind WRITE does not make, or no file named
};

} // namespace tarvex
