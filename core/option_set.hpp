// The option set: a command's option table (keywords in four groups) and the values the option
// parser fills for the command being run.
#pragma once

#include "numeric/real.hpp"

#include <string>
#include <string_view>
#include <vector>

namespace tarvex {

// One command's option table: keywords of the four groups in order (blank or "xxxxxxxx"
// entries are placeholders that keep positions).
struct OptionTable {
    std::vector<std::string_view> keywords;
    int nswitch = 0, nint = 0, nreal = 0, nname = 0;
};

// The option set OPTCOM, refilled by every command.
struct OptionSet {
    int counts[4] = {0, 0, 0, 0};
    std::vector<bool> sw;               // group 1, zero-based in table order
    std::vector<int> iv;                // group 2
    std::vector<bool> igiven;           // group 2 "given" flags
    std::vector<Real> rv;               // group 3
    std::vector<bool> rgiven;           // group 3 "given" flags (a value typed, whatever it is)
    std::vector<std::string> name;      // group 4, 8 characters blank-padded ("" when not given)
    std::vector<std::string> name_full; // group 4 values in full, as typed (file names, paths)

    // Sizes the set for a table and clears every value (switches off, integers 0, names blank).
    void prepare(const OptionTable& table);
};

} // namespace tarvex
