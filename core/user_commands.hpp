// The commands users add through plug-in libraries: the four user slots of the command table
// (112 to 115) each hold the word a loaded library registered, so that the reader matches it
// like any command word, and what the command runs. The libraries stay loaded until the run ends.
#pragma once

#include <array>
#include <memory>
#include <string>

namespace tarvex {

inline constexpr int USER_SLOT_FIRST = 112;
inline constexpr int USER_SLOT_COUNT = 4;

struct UserCommandSlot {
    std::string word;             // the registered command word ("" while the slot is free)
    std::string library;          // the library file as it was found
    std::shared_ptr<void> handle; // the loaded library (closed when the last slot lets it go)
    void* command = nullptr;      // the library's command function (the C interface's type)
};

struct UserCommands {
    std::array<UserCommandSlot, USER_SLOT_COUNT> slots; // slot k is command USER_SLOT_FIRST + k
};

} // namespace tarvex
