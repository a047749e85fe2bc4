// HELP command: every command this version provides has an entry in docs/commands.md with its
// syntax, options, results and an example, and HELP prints each entry exactly as the document
// on disk has it.
#include "core/command_table.hpp"
#include "interp/command_handlers.hpp"
#include "interp/command_reference.hpp"
#include "test_support.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>

namespace tarvex {
namespace {

using testing::Lines;
using testing::ScriptRun;

const std::string COMMANDS_DOCUMENT = std::string(TARVEX_TEST_DATA) + "/../../docs/commands.md";

// The slots a user can name whose command this version provides.
std::vector<int> provided_slots() {
    std::vector<int> slots;
    for (int slot = 1; slot <= NMATCHABLE; ++slot) {
        const std::string word = COMMAND_WORDS[slot - 1];
        if (word == "xxxxxxxx" || (word[0] >= 'a' && word[0] <= 'z')) continue;
        if (COMMAND_ROWS[slot - 1].handler != not_available) slots.push_back(slot);
    }
    return slots;
}

// The report lines HELP should print for `word`: read from the document itself, the fenced
// block after the first "## " heading that lists `word` in full (as the words are written).
Lines help_lines_in_document(const std::string& word) {
    const Lines doc = testing::file_lines(COMMANDS_DOCUMENT);
    Lines block;
    bool found = false, inside = false;
    for (const std::string& line : doc) {
        if (!found && !inside && line.rfind("## ", 0) == 0) {
            std::string padded = " " + line.substr(3) + ",";
            std::replace(padded.begin(), padded.end(), ',', ' ');
            found = padded.find(" " + word + " ") != std::string::npos;
            continue;
        }
        if (line.rfind("```", 0) == 0) {
            if (found && inside) return block;
            inside = !inside;
            continue;
        }
        if (found && inside) block.push_back(" " + line);
    }
    return block;
}

TEST(HelpReference, EveryProvidedCommandHasACompleteEntry) {
    EXPECT_EQ(std::string(COMMAND_REFERENCE), testing::file_text(COMMANDS_DOCUMENT))
        << "the engine's copy of the reference is not the document";
    EXPECT_TRUE(unmatched_heading_words().empty())
        << "a heading names no command: " << unmatched_heading_words().front();
    for (int slot : provided_slots()) {
        const std::string word = COMMAND_WORDS[slot - 1];
        const std::vector<std::string_view> entry = help_entry(slot);
        ASSERT_FALSE(entry.empty()) << "no HELP entry for " << word;
        auto has = [&](std::string_view head) {
            return std::any_of(entry.begin(), entry.end(), [&](std::string_view l) {
                return l.substr(0, head.size()) == head;
            });
        };
        EXPECT_TRUE(has("OPTIONS") && has("RESULTS") && has("EXAMPLE")) << word;
        for (std::string_view line : entry) EXPECT_LE(line.size(), 129u) << word << ": " << line;
    }
}

TEST(HelpCommand, PrintsTheDocumentsEntry) {
    // Words as a user types them (prefixes and the full names beyond 8 characters included),
    // with the heading word whose block the document gives them.
    const std::pair<const char*, const char*> cases[] = {
        {"OLS", "OLS"},        {"ols", "OLS"},        {"IMLS", "IMLS"},
        {"SMPL", "SMPL"},      {"PROC", "PROCEDURE"}, {"DIMENSION", "DIMENSION"},
        {"FCAST", "FCAST"},    {"DIAG", "DIAGNOSE"},  {"2SLS", "2SLS"},
        {"COINT", "COINTEGR"}, {"STATS", "STATS"},    {"HELP", "HELP"},
    };
    for (const auto& [typed, heading] : cases) {
        const Lines expected = help_lines_in_document(heading);
        ASSERT_GT(expected.size(), 4u) << heading;
        ScriptRun run(std::string("HELP ") + typed + "\n");
        const Lines out = run.lines();
        EXPECT_NE(std::search(out.begin(), out.end(), expected.begin(), expected.end()), out.end())
            << "HELP " << typed << " did not print the document's entry:\n"
            << run.output;
        for (const std::string& line : out) EXPECT_LE(line.size(), 130u) << line;
    }
}

} // namespace
} // namespace tarvex
