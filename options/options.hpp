// The option parser OPTION: matches the words after "/" against a command's option table of
// four groups (switches, integers, reals, variable names) and fills the shared option set.
#pragma once

#include "core/option_set.hpp"

#include <string>
#include <string_view>
#include <vector>

namespace tarvex {

struct Run;

// Parses the scan block's word table against `table`. Under DISPLAY the named keywords are
// listed instead of changed. Returns false (with ODONT set) on an error.
bool OPTION(Run& run, const OptionTable& table);

// What a name option holds when it was typed "KEYWORD =" with no value after it.
inline constexpr std::string_view NO_VALUE_NAME = "********";
// Whether a name option's value is that mark.
inline bool given_without_value(std::string_view name) {
    return name.substr(0, NO_VALUE_NAME.size()) == NO_VALUE_NAME;
}

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
