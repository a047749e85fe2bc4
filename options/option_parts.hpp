// Pieces of the option parser shared by its files: keyword text helpers, table positions,
// reading numeric values, and the lines it writes. Only the option parser's files include this.
#pragma once

#include "numeric/real.hpp"
#include "options/options.hpp"

#include <string>
#include <string_view>

namespace tarvex {

// First 8 characters, upper-cased, blank-padded.
std::string option_word8(std::string_view word);
// Blank, all lower-case x, or the end mark "********": kept for positions, never matched.
bool is_placeholder(std::string_view keyword);
// Whether the first n characters of `keyword`, upper-cased and blank-padded, equal those of the
// 8-character word `w8`.
bool keyword_matches8(std::string_view keyword, std::string_view w8, std::size_t n);
// Keywords in use: the four group sizes, or fewer when the table ends ("********") sooner.
int option_table_size(const OptionTable& table);
// Group and group position of table position `position`.
OptionSlot slot_of(const OptionTable& table, int position);

// Value of a numeric option: a number, a "$" result scalar, or a variable (":col" allowed)
// whose first element is taken. False, with the message written and ODONT set, when unusable.
bool option_number(Run& run, std::string_view keyword, std::string_view value, Real& out);

// " KEYWORD  = value" for the option at `position` as the option set holds it now.
std::string option_setting_line(Run& run, const OptionTable& table, int position);
// "...ERROR..INVALID OPTION.." with the word ($ERR 1012; the command ends), then every keyword of
// the table, five a line.
void report_invalid_option(Run& run, const OptionTable& table, std::string_view word);

} // namespace tarvex
