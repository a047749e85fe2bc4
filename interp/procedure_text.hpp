// Procedure text in the workspace: a character-string variable holding each command as
// 8 characters per element, blank-padded to a whole element, followed by a separator element.
#pragma once

#include "core/run.hpp"

#include <string>
#include <vector>

namespace tarvex {

inline constexpr int TEXT_ELEMENT_CHARS = 8;
inline constexpr char TEXT_SEPARATOR[] = " &      "; // ends every stored command

// Stores `commands` as the text of `name`; the variable's length becomes exactly the elements
// written. Returns the reference (0 when the workspace could not hold it).
int store_procedure_text(Run& run, const std::string& name,
                         const std::vector<std::string>& commands);
// Reads the command that begins at element `next` of the text `ref`, moving `next` past its
// separator; false when no complete command remains (or `ref` is no longer a text).
bool next_procedure_command(Run& run, int ref, long long& next, std::string& command);
// Whether `ref` names a character-string variable.
bool is_procedure_text(Run& run, int ref);
// Removes a loop body's text: the last variable gives its words back, any other leaves a hole.
void remove_procedure_text(Run& run, int ref);

} // namespace tarvex
