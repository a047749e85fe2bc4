// The command reference docs/commands.md, built into the engine, and the entries HELP prints.
// An entry begins with a line "## WORD, WORD ..." naming the command words it covers (any
// leading part selects a command, as in a statement); its text is the lines of the first
// block fenced by ``` after that line.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace tarvex {

// The whole text of docs/commands.md (compiled from the document itself: see CMakeLists.txt).
extern const std::string_view COMMAND_REFERENCE;

// The text of the entry covering command slot `slot`, one element per line; empty when the
// reference has no entry for it.
std::vector<std::string_view> help_entry(int slot);

// The heading words of the reference that select no command (empty when every one does).
std::vector<std::string> unmatched_heading_words();

} // namespace tarvex
