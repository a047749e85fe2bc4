// The option parser OPTION: matches the words after "/" against a command's option table of
// four groups (switches, integers, reals, variable names) and fills the shared option set.
#pragma once

#include "numeric/real.hpp"

#include <string>
#include <string_view>
#include <vector>

namespace tarvex {

struct Run;

// One command's option table: keywords of the four groups in order (blank or "xxxxxxxx"
// entries are placeholders that keep positions).
struct OptionTable {
    std::vector<std::string_view> keywords;
    int nswitch = 0, nint = 0, nreal = 0, nname = 0;
};

// The option set OPTCOM, refilled by every command.
struct OptionSet {
    int counts[4] = {0, 0, 0, 0};
    std::vector<bool> sw;          // group 1, zero-based in table order
    std::vector<int> iv;           // group 2
    std::vector<bool> igiven;      // group 2 "given" flags
    std::vector<Real> rv;          // group 3
    std::vector<std::string> name; // group 4, 8 characters blank-padded ("" when not given)

    // Sizes the set for a table and clears every value (switches off, integers 0, names blank).
    void prepare(const OptionTable& table);
};

// Parses the scan block's word table against `table`. Under DISPLAY the named keywords are
// listed instead of changed. Returns false (with ODONT set) on an error.
bool OPTION(Run& run, const OptionTable& table);

} // namespace tarvex
