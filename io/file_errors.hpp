// The $ERR numbers of the FILE command's requests (FILE is command 63): its slot x 1000 plus a
// sequence number. The failures of binding, fetching and deleting are 63090 to 63093, next to
// the code that meets them.
#pragma once

namespace tarvex {

inline constexpr int ERR_FILE_NO_KEYWORD = 63001;       // FILE with neither keyword nor unit
inline constexpr int ERR_FILE_BAD_KEYWORD = 63002;      // a word that is no FILE keyword
inline constexpr int ERR_FILE_NOTHING_NAMED = 63003;    // a request that needs a unit or a name
inline constexpr int ERR_FILE_NAME_UNBOUND = 63004;     // a name no unit is bound to
inline constexpr int ERR_FILE_DELETE_NO_NAME = 63005;   // FILE DELETE without a name
inline constexpr int ERR_FILE_TYPE_NO_NAME = 63006;     // FILE TYPE without a name
inline constexpr int ERR_FILE_INQUIRE = 63007;          // the file's state cannot be asked
inline constexpr int ERR_FILE_SYSTEM_COMMAND = 63008;   // a shell command that could not run
inline constexpr int ERR_FILE_CHANGE_DIRECTORY = 63009; // FILE CD to a directory not entered
inline constexpr int ERR_FILE_NOT_AN_ADDRESS = 63010;   // FILE FETCH of something not an address
inline constexpr int ERR_FILE_OPEN_ONE_OFF = 63011;     // DELETE or TYPE cannot open the file
inline constexpr int ERR_FILE_POSITION = 63012;         // REWIND or BACKSPAC of a unit failed

} // namespace tarvex
