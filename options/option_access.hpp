// A command's options read by keyword from its own table once the option parser has run, so
// that a handler names each option it reads instead of counting positions.
#pragma once

#include "core/option_set.hpp"
#include "numeric/real.hpp"

#include <string>
#include <string_view>

namespace tarvex {

// The options of the command being run, read by keyword (a keyword the table lacks reads as
// off, 0 or blank).
class OptionValues {
public:
    OptionValues(const OptionSet& set, const OptionTable& table) : set_(set), table_(table) {}
    bool on(std::string_view keyword) const;
    int integer(std::string_view keyword) const;
    bool given(std::string_view keyword) const; // an integer option typed on the statement
    Real real(std::string_view keyword) const;
    bool real_given(std::string_view keyword) const;         // a real option typed on the statement
    const std::string& name(std::string_view keyword) const; // 8 columns, blank-padded
    const std::string& full_name(std::string_view keyword) const; // as typed (a file name)

private:
    const OptionSet& set_;
    const OptionTable& table_;
};

// The first name option of `table` typed "KEYWORD =" with no value: its keyword, or "".
std::string name_option_without_value(const OptionSet& set, const OptionTable& table);

// The defaults a command gives its options before the option parser runs, set by keyword (a
// keyword the table lacks is passed over). Prepares the set for the table first.
class OptionDefaults {
public:
    OptionDefaults(OptionSet& set, const OptionTable& table);
    void on(std::string_view keyword, bool value = true);
    void integer(std::string_view keyword, int value);
    void real(std::string_view keyword, Real value);
    void name(std::string_view keyword, std::string_view text); // 8 columns and as typed

private:
    OptionSet& set_;
    const OptionTable& table_;
};

} // namespace tarvex
