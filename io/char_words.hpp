// Character data in the workspace: character strings (type 5) and character variables (type 6)
// hold 8 characters per element. The characters sit in the first 8 bytes of the 16-byte word
// and the other 8 bytes are zero, so an element is always a finite (tiny) number.
#pragma once

#include "numeric/real.hpp"

#include <cstring>
#include <string>
#include <string_view>

namespace tarvex {

inline constexpr std::size_t CHARS_PER_ELEMENT = 8;

// The element holding `text` (cut to 8 characters, blank-padded).
inline Real chars_to_element(std::string_view text) {
    unsigned char bytes[sizeof(Real)] = {};
    std::memset(bytes, ' ', CHARS_PER_ELEMENT);
    if (!text.empty()) // an empty view may hold no address at all
        std::memcpy(bytes, text.data(),
                    text.size() < CHARS_PER_ELEMENT ? text.size() : CHARS_PER_ELEMENT);
    Real value;
    std::memcpy(&value, bytes, sizeof value);
    return value;
}

// The 8 characters an element holds.
inline std::string element_to_chars(Real value) {
    char bytes[sizeof(Real)];
    std::memcpy(bytes, &value, sizeof value);
    std::string text(bytes, CHARS_PER_ELEMENT);
    for (char& c : text)
        if (c == '\0') c = ' ';
    return text;
}

} // namespace tarvex
