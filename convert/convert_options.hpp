// The option table of CONVERT and the settings it reads from it.
#pragma once

#include "core/option_set.hpp"
#include "numeric/real.hpp"

#include <string>

namespace tarvex {

struct Run;

struct ConvertOptions {
    int FROM = 0, TO = 0, BEG = 0, END = 0;
    bool FROM_given = false, BEG_given = false, END_given = false;
    Real RHO = 0;
    bool RHO_given = false;
    bool NOCONST = false;
    std::string METHOD, MATCH, FORMAT; // 8 columns, trailing blanks removed
    std::string IN, OUT;               // file names as typed
};

const OptionTable& convert_option_table();
// Scans and parses the options after "/" alone (the names before it need not exist); false
// after an error.
bool read_convert_options(Run& run, ConvertOptions& o);

} // namespace tarvex
