// Pieces of the statement reader INPUT that classify a statement: the command word, labels,
// French translation and prefix matching against the command table.
#pragma once

#include <string>
#include <string_view>

namespace tarvex {

struct UserCommands;

struct Run;

// What the reader makes of one statement it has read.
enum class Statement {
    RUNS,         // run.cmd holds the command to run (IKOD, text, word, col, quiet)
    SKIPPED,      // nothing to run: blank, comment, label alone, "&", FORMAT, unknown command
    READING_ENDS, // too many unknown commands in a row: no more statements are read
};

// Classifies a statement as INPUT does after reading (and echoing) it: "?" for a quiet
// statement, "&" mode, continuation of the last command, labels, FORMAT, French aliases and
// the command word; sets run.cmd when the statement runs.
Statement classify_statement(Run& run, std::string text, bool keep_labels = false);

// Collects the command word starting at `pos` (letters, digits and "_"); `pos` moves past the
// whole word. Returns the first 8 characters, upper-cased.
std::string collect_command_word(std::string_view text, std::size_t& pos);
// The label a statement begins with ("LOOP1" for "loop1: ..."), upper-cased, at most 8
// characters; empty when the statement does not begin with a label.
std::string statement_label(std::string_view text);
// The command-table word of the first slot whose French alias is `word`; `word` unchanged when
// no alias matches.
std::string french_to_command(const std::string& word);
// The slot (1 to 117) that `word` selects: the first whose leading characters equal the word, or
// with `full_word` (OLONG) the first whose whole 8 characters do; 0 when none does. A user slot
// takes part with the word a plug-in library registered in `user` (and none without one).
int match_command(std::string_view word, bool full_word, const UserCommands* user = nullptr);

} // namespace tarvex
