// The words of a SAMPLE, SMPL or TIME statement (plain numbers, dates and names, read from the
// statement itself rather than from the scan block), dates "year.sub", and the syntax error.
#include "workspace/sample.hpp"

#include "core/error_report.hpp"
#include "core/run.hpp"
#include "numeric/text.hpp"

namespace tarvex {

namespace {

bool is_separator(char c) {
    return c == ' ' || c == ',' || c == ';' || c == '\t';
}

// Longest digit string read as an integer (longer ones cannot be observation numbers).
constexpr std::size_t MAX_DIGITS = 9;

bool read_digits(std::string_view text, long long& value) {
    if (text.size() > MAX_DIGITS) return false;
    value = 0;
    for (char c : text) {
        if (!is_ascii_digit(c)) return false;
        value = value * 10 + (c - '0');
    }
    return true;
}

} // namespace

std::vector<std::string> sample_statement_words(const Run& run) {
    const std::string& text = run.cmd.text;
    std::vector<std::string> words;
    std::size_t pos = run.cmd.col < 0 ? 0 : static_cast<std::size_t>(run.cmd.col);
    while (pos < text.size()) {
        if (is_separator(text[pos])) {
            ++pos;
        } else if (text[pos] == ':') {
            words.emplace_back(":");
            ++pos;
        } else {
            std::size_t end = pos;
            while (end < text.size() && !is_separator(text[end]) && text[end] != ':') ++end;
            words.emplace_back(text.substr(pos, end - pos));
            pos = end;
        }
    }
    return words;
}

bool parse_date_word(std::string_view word, long long& year, long long& sub) {
    const std::size_t point = word.find('.');
    if (point == std::string_view::npos) return false;
    std::string_view year_text = word.substr(0, point);
    bool negative = false;
    if (!year_text.empty() && (year_text.front() == '-' || year_text.front() == '+')) {
        negative = year_text.front() == '-';
        year_text.remove_prefix(1);
    }
    if (year_text.empty() || !read_digits(year_text, year)) return false;
    if (negative) year = -year;
    if (!read_digits(word.substr(point + 1), sub)) return false;
    if (sub == 0) sub = 1;
    return true;
}

void sample_syntax_error(Run& run) {
    report_error(run, " ...ERROR..SYNTAX ERROR IN ABOVE COMMAND", 1016, ErrorSeverity::SERIOUS);
}

} // namespace tarvex
