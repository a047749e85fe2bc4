// The block of lines a command reads after its own line, up to END, through the command reader
// (NLINEAR's and MLE's COEFFICI and EQ lines, SYSTEM's EQ and variable lists, TEST's lines).
#pragma once

#include <functional>
#include <string_view>

namespace tarvex {

struct Run;

// The text of the statement just read after its command word.
std::string_view rest_of_statement(const Run& run);

// After an error inside a block: its remaining lines (the commands `in_block` takes) and its END
// are read and passed over, so that they do not run as commands of their own. Any other command
// is past the block: it is kept and runs next.
void pass_over_block(Run& run, bool (*in_block)(int ikod));

// Reads the lines up to END, handing each command `in_block` takes to `take_line` (false after
// an error it has reported: the rest of the block is passed over). Another command ends the
// block with `stray_line` and `stray_number` and runs next. Input that ends inside the block
// ends the command. The command's own number and printing switch are kept. True at END.
bool read_command_block(Run& run, bool (*in_block)(int ikod),
                        const std::function<bool(int ikod)>& take_line, std::string_view stray_line,
                        int stray_number);

} // namespace tarvex
