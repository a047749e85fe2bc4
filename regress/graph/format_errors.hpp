// The $ERR numbers of the graph settings: each command's slot (TIMEFMT 107, AXISFMT 108,
// NAMEFMT 116) times 1000 plus a sequence number.
#pragma once

namespace tarvex {

enum GraphFormatError : int {
    ERR_TIMEFMT_WORD = 107001,   // a word of the date form that is no date word
    ERR_TIMEFMT_LONG = 107002,   // a date form longer than the longest kept
    ERR_AXISFMT_AXIS = 108001,   // no axis, or one that is not X or Y
    ERR_AXISFMT_OPTION = 108002, // an option that is not MIN, MAX, TICKS or FORMAT
    ERR_AXISFMT_VALUE = 108003,  // an option value that is not a number in range
    ERR_AXISFMT_FORM = 108004,   // a number form that is not Fw.d, Ew.d or Iw
    ERR_AXISFMT_RANGE = 108005,  // MIN not below MAX
    ERR_NAMEFMT_WORDS = 116001,  // not a variable name followed by one shown name
    ERR_NAMEFMT_LONG = 116002,   // a shown name longer than the longest kept
};

} // namespace tarvex
