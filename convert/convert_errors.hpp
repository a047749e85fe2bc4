// The $ERR sequences of CONVERT's own messages (the command's slot, 93, times 1000 plus these).
#pragma once

namespace tarvex {

enum ConvertError : int {
    CONVERT_NO_NAMES = 1,         // not a new name and a series, nor IN= and OUT=
    CONVERT_NO_VARIABLE = 2,      // a series named does not exist
    CONVERT_NOT_SERIES = 3,       // a matrix, string, character variable or result scalar
    CONVERT_ILLEGAL_NAME = 4,     // the new name is not a name
    CONVERT_FREQUENCY = 5,        // FROM= or TO= other than 1, 4, 12, or the two alike
    CONVERT_NO_FROM = 6,          // no FROM= and no TIME calendar to take it from
    CONVERT_METHOD = 7,           // a method that does not go in this direction
    CONVERT_RANGE = 8,            // BEG= or END= outside the series
    CONVERT_INDICATORS = 9,       // indicators where the method takes none, or too many
    CONVERT_INDICATOR_SHORT = 10, // an indicator shorter than the new series
    CONVERT_MISSING = 11,         // DENTON or CHOWLIN meets a missing value
    CONVERT_SINGULAR = 12,        // the period sums cannot be met (an indicator zero in a period)
    CONVERT_CHOWLIN = 13,         // too few periods, dependent indicators
    CONVERT_OPTION = 14,          // an option that does not apply, a bad MATCH= or RHO=
    CONVERT_FILE_OPTIONS = 15,    // IN= without OUT= (or the reverse), names or FROM= with them
    CONVERT_FORMAT = 16,          // FORMAT= other than COMMA, TAB, FREE, TARVEX, DIF
    CONVERT_NOTHING_READ = 17,    // the file gave no series
};

} // namespace tarvex
