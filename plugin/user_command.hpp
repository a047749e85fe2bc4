// USER, which loads plug-in libraries and lists the commands they added, and the handler of the
// four user slots, which runs the command a library registered there.
#pragma once

namespace tarvex {

struct Run;

// USER [library] [/ FILE=library WORD=word]
void cmd_user(Run& run);
// A statement that begins with a word a plug-in registered.
void cmd_user_slot(Run& run);

} // namespace tarvex
