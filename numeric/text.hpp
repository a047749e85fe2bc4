// Small text helpers shared by every layer: trimming, fixed-width names, ASCII case and
// character classes, shell quoting. Each function does exactly what its name says and nothing
// locale-dependent. Kept in numeric/ (the lowest layer) because the decimal reader and the host
// settings store use them too.
#pragma once

#include <string>
#include <string_view>

namespace tarvex {

// Trimming. "Blanks" are spaces only; the other forms name the extra characters they drop.
std::string trim_trailing_blanks(std::string_view text);
std::string_view trim_trailing_blanks_view(std::string_view text); // a view into text
std::string trim_blanks(std::string_view text);                    // both ends
std::string_view trim_blanks_view(std::string_view text);          // both ends, a view into text
std::string trim_blanks_and_tabs(std::string_view text);           // both ends
std::string trim_blanks_tabs_and_returns(std::string_view text);   // both ends
std::string_view trim_blanks_tabs_and_returns_view(std::string_view text);

// True when text is empty or only blanks (an option name left unset).
bool all_blanks(std::string_view text);

// The first n characters of text, padded with blanks to exactly n.
std::string first_n_padded(std::string_view text, std::size_t n);
// The first 8 characters blank-padded to 8: the width of a variable name in reports and files.
std::string first_8_padded(std::string_view text);

// ASCII case: only 'a'..'z' and 'A'..'Z' change, every other byte stays as it is.
char upper_ascii(char c);
std::string upper_ascii(std::string_view text);
std::string lower_ascii(std::string_view text);

// ASCII character classes: '0'..'9'; 'A'..'Z' and 'a'..'z'.
bool is_ascii_digit(char c);
bool is_ascii_letter(char c);

// text inside single quotes for a POSIX shell, each ' written as '\''.
std::string shell_single_quoted(std::string_view text);

} // namespace tarvex
