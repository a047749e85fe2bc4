// Small text helpers shared by every layer (see text.hpp).
#include "numeric/text.hpp"

namespace tarvex {

namespace {

std::string_view trim_view(std::string_view text, std::string_view drop) {
    const std::size_t first = text.find_first_not_of(drop);
    if (first == std::string_view::npos) return {};
    return text.substr(first, text.find_last_not_of(drop) - first + 1);
}

} // namespace

std::string_view trim_trailing_blanks_view(std::string_view text) {
    const std::size_t end = text.find_last_not_of(' ');
    return end == std::string_view::npos ? std::string_view() : text.substr(0, end + 1);
}

std::string trim_trailing_blanks(std::string_view text) {
    return std::string(trim_trailing_blanks_view(text));
}

std::string_view trim_blanks_view(std::string_view text) {
    return trim_view(text, " ");
}

std::string trim_blanks(std::string_view text) {
    return std::string(trim_view(text, " "));
}

std::string trim_blanks_and_tabs(std::string_view text) {
    return std::string(trim_view(text, " \t"));
}

std::string_view trim_blanks_tabs_and_returns_view(std::string_view text) {
    // A plain loop: data fields go through here several million times a READ.
    const auto blank = [](char c) { return c == ' ' || c == '\t' || c == '\r'; };
    std::size_t first = 0, last = text.size();
    while (first < last && blank(text[first])) ++first;
    while (last > first && blank(text[last - 1])) --last;
    return text.substr(first, last - first);
}

std::string trim_blanks_tabs_and_returns(std::string_view text) {
    return std::string(trim_view(text, " \t\r"));
}

bool all_blanks(std::string_view text) {
    return text.find_first_not_of(' ') == std::string_view::npos;
}

std::string first_n_padded(std::string_view text, std::size_t n) {
    std::string out(text.substr(0, n));
    out.resize(n, ' ');
    return out;
}

std::string first_8_padded(std::string_view text) {
    return first_n_padded(text, 8);
}

char upper_ascii(char c) {
    return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c;
}

std::string upper_ascii(std::string_view text) {
    std::string out(text);
    for (char& c : out) c = upper_ascii(c);
    return out;
}

std::string lower_ascii(std::string_view text) {
    std::string out(text);
    for (char& c : out)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return out;
}

bool is_ascii_digit(char c) {
    return c >= '0' && c <= '9';
}

bool is_ascii_letter(char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
}

std::string shell_single_quoted(std::string_view text) {
    std::string out = "'";
    for (char c : text) {
        if (c == '\'')
            out += "'\\''";
        else
            out += c;
    }
    return out + "'";
}

} // namespace tarvex
