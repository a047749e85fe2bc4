// Splits a statement's text into arguments and options (see statement_words.hpp).
#include "plugin/statement_words.hpp"

#include "numeric/text.hpp"

namespace tarvex {

namespace {

bool is_word_separator(char c) {
    return c == ' ' || c == ',' || c == '\t';
}

} // namespace

bool split_statement_words(const std::string& text, std::size_t start, StatementWords& words) {
    bool in_options = false;
    std::size_t at = std::min(start, text.size());
    while (at < text.size()) {
        const char c = text[at];
        if (is_word_separator(c)) {
            ++at;
            continue;
        }
        if (c == '/') {
            in_options = true;
            ++at;
            continue;
        }
        // One word: up to a separator or "/", with quoted parts kept as typed.
        std::string typed, shown;
        while (at < text.size() && !is_word_separator(text[at]) && text[at] != '/') {
            const char q = text[at];
            if (q == '\'' || q == '"') {
                const std::size_t end = text.find(q, at + 1);
                if (end == std::string::npos) return false;
                typed += text.substr(at + 1, end - at - 1);
                shown += text.substr(at + 1, end - at - 1);
                at = end + 1;
            } else {
                typed += q;
                shown += upper_ascii(q);
                ++at;
            }
        }
        if (!in_options) {
            words.arguments.push_back(shown);
            words.raw_arguments.push_back(typed);
            continue;
        }
        const std::size_t eq = shown.find('=');
        if (eq == std::string::npos) {
            words.options.emplace_back(shown, "");
        } else {
            // The value keeps its typed case only where quoted.
            words.options.emplace_back(shown.substr(0, eq), shown.substr(eq + 1));
        }
    }
    return true;
}

} // namespace tarvex
