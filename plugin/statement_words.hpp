// The words of a statement whose text a command reads itself: the words before "/" are its
// arguments, those after it its options (KEYWORD or KEYWORD=value). Blanks and commas part the
// words; a text in single or double quotes is kept as typed, everything else is upper-cased.
#pragma once

#include <string>
#include <utility>
#include <vector>

namespace tarvex {

struct StatementWords {
    std::vector<std::string> arguments;
    std::vector<std::pair<std::string, std::string>> options; // keyword, value ("" when alone)
    std::vector<std::string> raw_arguments;                   // the arguments as typed
};

// False when a quote is not closed.
bool split_statement_words(const std::string& text, std::size_t start, StatementWords& words);

} // namespace tarvex
