// The FILE command (reached through SETDIS), and the INQUIRE and REWIND commands: each turns
// its words into a unit code and a name for the binder AFILE.
#pragma once

namespace tarvex {

struct Run;

// FILE keyword [name] or FILE unit [name].
void file_command(Run& run);
// INQUIRE name-or-unit.
void inquire_command(Run& run);
// REWIND unit-or-name.
void rewind_command(Run& run);

} // namespace tarvex
