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
    std::vector<bool> sw;               // group 1, zero-based in table order
    std::vector<int> iv;                // group 2
    std::vector<bool> igiven;           // group 2 "given" flags
    std::vector<Real> rv;               // group 3
    std::vector<std::string> name;      // group 4, 8 characters blank-padded ("" when not given)
    std::vector<std::string> name_full; // group 4 values in full, as typed (file names, paths)

    // Sizes the set for a table and clears every value (switches off, integers 0, names blank).
    void prepare(const OptionTable& table);
};

// Parses the scan block's word table against `table`. Under DISPLAY the named keywords are
// listed instead of changed. Returns false (with ODONT set) on an error.
bool OPTION(Run& run, const OptionTable& table);

// Where a keyword sits in a table: its group (1 switches, 2 integers, 3 reals, 4 names; 0 when
// the table lacks it) and its zero-based position in that group's value array.
struct OptionSlot {
    int group = 0;
    int index = -1;
};
// Finds a keyword by its full name (case-insensitive), so that handlers read values by name.
OptionSlot find_option(const OptionTable& table, std::string_view keyword);
// The position of `keyword` in its group's value array (opt.sw, opt.iv, opt.rv or opt.name);
// -1 when the table lacks it.
int option_index(const OptionTable& table, std::string_view keyword);

} // namespace tarvex
