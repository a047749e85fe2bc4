// $ERR numbers of USER (slot 68 x 1000 + n) and of the commands plug-ins add (their user slot
// x 1000 + n; a plug-in numbers its own messages 1 to 59).
#pragma once

namespace tarvex {

inline constexpr int USER_LIBRARY_NOT_FOUND = 1;
inline constexpr int USER_LIBRARY_NOT_LOADED = 2;
inline constexpr int USER_NO_ENTRY = 3;
inline constexpr int USER_WRONG_VERSION = 4;
inline constexpr int USER_BAD_WORD = 5;
inline constexpr int USER_WORD_TAKEN = 6;
inline constexpr int USER_SLOTS_FULL = 7;
inline constexpr int USER_BAD_OPTION = 8;
inline constexpr int USER_QUOTE_OPEN = 9;

// Numbers of the user slots' own messages (beside the plug-in's 1 to 59).
inline constexpr int PLUGIN_OWN_LAST = 59;
inline constexpr int PLUGIN_COMMAND_FAILED = 94;
inline constexpr int PLUGIN_STORE_COUNT = 95;
inline constexpr int PLUGIN_BAD_NAME = 96;

} // namespace tarvex
