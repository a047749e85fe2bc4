// Finds the entries of the built-in command reference: the heading lines "## WORD, WORD ..."
// and the fenced block of each.
#include "interp/command_reference.hpp"

#include "interp/reader.hpp"

#include <cstddef>

namespace tarvex {

namespace {

constexpr std::string_view HEADING = "## ";
constexpr std::string_view FENCE = "```";

// The reference line by line (without line ends).
std::vector<std::string_view> reference_lines() {
    std::vector<std::string_view> lines;
    std::string_view text = COMMAND_REFERENCE;
    while (!text.empty()) {
        const std::size_t end = text.find('\n');
        lines.push_back(text.substr(0, end));
        if (end == std::string_view::npos) break;
        text.remove_prefix(end + 1);
    }
    return lines;
}

// The words of a heading line after "## ", upper-cased, split at commas and blanks.
std::vector<std::string> heading_words(std::string_view line) {
    std::vector<std::string> words;
    std::string word;
    for (char c : line.substr(HEADING.size())) {
        if (c == ',' || c == ' ') {
            if (!word.empty()) words.push_back(word);
            word.clear();
            continue;
        }
        word += (c >= 'a' && c <= 'z') ? char(c - 'a' + 'A') : c;
    }
    if (!word.empty()) words.push_back(word);
    return words;
}

// The command slot a heading word selects, as the same word would at the start of a statement
// (at most its first 8 characters count).
int heading_slot(const std::string& word) {
    return match_command(std::string_view(word).substr(0, 8), false);
}

bool is_heading(std::string_view line) {
    return line.substr(0, HEADING.size()) == HEADING;
}

} // namespace

std::vector<std::string_view> help_entry(int slot) {
    std::vector<std::string_view> entry;
    bool covered = false, inside = false, done = false;
    for (std::string_view line : reference_lines()) {
        if (line.substr(0, FENCE.size()) == FENCE) {
            if (covered && inside) done = true;
            inside = !inside;
            continue;
        }
        if (inside) {
            if (covered && !done) entry.push_back(line);
            continue;
        }
        if (is_heading(line)) {
            if (done) break;
            covered = false;
            for (const std::string& word : heading_words(line))
                covered = covered || heading_slot(word) == slot;
        }
    }
    return entry;
}

std::vector<std::string> unmatched_heading_words() {
    std::vector<std::string> unmatched;
    bool inside = false;
    for (std::string_view line : reference_lines()) {
        if (line.substr(0, FENCE.size()) == FENCE) inside = !inside;
        if (inside || !is_heading(line)) continue;
        for (const std::string& word : heading_words(line))
            if (heading_slot(word) == 0) unmatched.push_back(word);
    }
    return unmatched;
}

} // namespace tarvex
