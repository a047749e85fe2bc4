// Loading a plug-in library for USER: finding the file, opening it, checking its entry and
// interface version, and giving its command word a free user slot.
#pragma once

#include <string>

namespace tarvex {

struct Run;

// The file a library name stands for: a name with a "/" as given; otherwise the first of
// <dir>/<name>, <dir>/lib<name>.so (and the same in lower case) in the directories of
// TARVEX_PLUGINS (":" between them), then the plugins directory beside the engine, then the
// current directory. "" when there is none.
std::string find_plugin_library(const std::string& name);

// Loads the library `name` and registers its command, under `word` when it is not empty.
// Reports what goes wrong (the run goes on) and returns the slot taken, or 0.
int load_plugin(Run& run, const std::string& name, const std::string& word);

} // namespace tarvex
