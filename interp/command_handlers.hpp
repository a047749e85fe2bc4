// The slot-to-handler table of the command loop and the small commands the dispatcher itself
// handles (STOP, GOTO, PAUSE, TARVEDIT, SIZE/PARM, DOWNLOAD, HELP, DUMP ...).
#pragma once

#include "core/command_table.hpp"
#include "interp/dispatcher.hpp"

#include <array>
#include <string>

namespace tarvex {

// Flags the dispatcher sets for a command before scanning it.
enum class ScanGroup {
    PLAIN,    // no flags
    NUMBERED, // OTNUM: numbered name ranges, strict name characters
    CREATES,  // ONEWV and OTNUM: unknown names become new variables
};

// Whether the statement scanner prepares the arguments, or the handler reads the text itself
// (label, argument word, or a command this version does not provide).
enum class Args { SCANNED, RAW };

struct CommandRow {
    int slot;
    const char* word;
    CommandHandler handler;
    ScanGroup group;
    Args args;
};

extern const std::array<CommandRow, NCOMMAND> COMMAND_ROWS; // slot k at index k - 1

// Argument word `n` (1 = the first) after the command word, upper-cased, at most `longest`
// characters ("" when there are fewer words).
std::string argument_word(const Run& run, int n = 1, std::size_t longest = 8);

// Dispatcher-handled commands.
void cmd_no_action(Run& run);
void cmd_ignored_alone(Run& run);
void cmd_stop(Run& run);
void cmd_goto(Run& run);
void cmd_pause(Run& run);
void cmd_tarvedit(Run& run);
void cmd_size(Run& run);
void cmd_download(Run& run);
void cmd_help(Run& run);
void cmd_dump(Run& run);

} // namespace tarvex
