// Reading and defaulting a command's options by keyword.
#include "options/option_access.hpp"

#include "numeric/text.hpp"
#include "options/options.hpp"

namespace tarvex {

namespace {

const std::string NO_OPTION_VALUE;

// The position of `keyword` in group `group` of the table, or -1.
int position_in_group(const OptionTable& table, std::string_view keyword, int group) {
    const OptionSlot slot = find_option(table, keyword);
    return slot.group == group ? slot.index : -1;
}

} // namespace

bool OptionValues::on(std::string_view keyword) const {
    const int j = position_in_group(table_, keyword, 1);
    return j >= 0 && std::size_t(j) < set_.sw.size() && set_.sw[std::size_t(j)];
}

bool OptionValues::real_given(std::string_view keyword) const {
    const int j = position_in_group(table_, keyword, 3);
    return j >= 0 && std::size_t(j) < set_.rgiven.size() && set_.rgiven[std::size_t(j)];
}

int OptionValues::integer(std::string_view keyword) const {
    const int j = position_in_group(table_, keyword, 2);
    return j >= 0 && std::size_t(j) < set_.iv.size() ? set_.iv[std::size_t(j)] : 0;
}

bool OptionValues::given(std::string_view keyword) const {
    const int j = position_in_group(table_, keyword, 2);
    return j >= 0 && std::size_t(j) < set_.igiven.size() && set_.igiven[std::size_t(j)];
}

Real OptionValues::real(std::string_view keyword) const {
    const int j = position_in_group(table_, keyword, 3);
    return j >= 0 && std::size_t(j) < set_.rv.size() ? set_.rv[std::size_t(j)] : Real(0);
}

const std::string& OptionValues::name(std::string_view keyword) const {
    const int j = position_in_group(table_, keyword, 4);
    return j >= 0 && std::size_t(j) < set_.name.size() ? set_.name[std::size_t(j)]
                                                       : NO_OPTION_VALUE;
}

const std::string& OptionValues::full_name(std::string_view keyword) const {
    const int j = position_in_group(table_, keyword, 4);
    return j >= 0 && std::size_t(j) < set_.name_full.size() ? set_.name_full[std::size_t(j)]
                                                            : NO_OPTION_VALUE;
}

OptionDefaults::OptionDefaults(OptionSet& set, const OptionTable& table)
    : set_(set), table_(table) {
    set_.prepare(table_);
}

void OptionDefaults::on(std::string_view keyword, bool value) {
    const int j = position_in_group(table_, keyword, 1);
    if (j >= 0) set_.sw[std::size_t(j)] = value;
}

void OptionDefaults::integer(std::string_view keyword, int value) {
    const int j = position_in_group(table_, keyword, 2);
    if (j >= 0) set_.iv[std::size_t(j)] = value;
}

void OptionDefaults::real(std::string_view keyword, Real value) {
    const int j = position_in_group(table_, keyword, 3);
    if (j >= 0) set_.rv[std::size_t(j)] = value;
}

void OptionDefaults::name(std::string_view keyword, std::string_view text) {
    const int j = position_in_group(table_, keyword, 4);
    if (j < 0) return;
    set_.name[std::size_t(j)] = first_8_padded(text);
    set_.name_full[std::size_t(j)] = std::string(text);
}

std::string name_option_without_value(const OptionSet& set, const OptionTable& table) {
    const int first = table.nswitch + table.nint + table.nreal;
    for (int j = 0; j < table.nname && std::size_t(j) < set.name.size(); ++j)
        if (given_without_value(set.name[std::size_t(j)]))
            return std::string(table.keywords[std::size_t(first + j)]);
    return {};
}

} // namespace tarvex
