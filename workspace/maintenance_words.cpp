// Pieces shared by the variable maintenance commands: the words of the statement, names in
// their printed forms, holes, and the serious-error flags.
#include "workspace/maintenance.hpp"

#include "core/run.hpp"
#include "numeric/text.hpp"

namespace tarvex {

namespace {

bool separates(char c) {
    return c == ' ' || c == ',' || c == '\t';
}

} // namespace

std::vector<std::string> statement_words(const Run& run, std::vector<std::string>* options) {
    const std::string& text = run.cmd.text;
    std::vector<std::string> words;
    std::vector<std::string>* into = &words;
    std::vector<std::string> ignored;
    std::size_t pos = run.cmd.col < 0 ? 0 : static_cast<std::size_t>(run.cmd.col);
    while (pos < text.size()) {
        const char c = text[pos];
        if (separates(c)) {
            ++pos;
        } else if (c == '/' && into == &words) {
            into = options != nullptr ? options : &ignored;
            ++pos;
        } else {
            std::size_t end = pos;
            while (end < text.size() && !separates(text[end]) &&
                   !(text[end] == '/' && into == &words))
                ++end;
            into->emplace_back(text.substr(pos, end - pos));
            pos = end;
        }
    }
    return words;
}

std::string word8(std::string_view word, bool upper_case) {
    std::string out(word.substr(0, 8));
    if (upper_case)
        for (char& c : out) c = upper_ascii(c);
    return out;
}

bool is_hole(const Run& run, int slot) {
    return run.ws.VNAME[slot].find_first_not_of(' ') == std::string::npos;
}

bool replaying_statements(const Run& run) {
    return run.cmd.replay_depth > 0;
}

} // namespace tarvex
