// Character data in the work area: every element of a character string or character variable
// is one 16-byte word holding 8 characters in its first 8 bytes and zeros in the other 8, so
// that text survives copies of the raw words (binary files) bit for bit.
#pragma once

#include "numeric/real.hpp"

#include <cstring>
#include <string>
#include <string_view>

namespace tarvex {

inline constexpr int CHARS_PER_WORD = 8;

// The word holding the first 8 characters of `text`, blank-padded.
inline Real pack_chars(std::string_view text) {
    unsigned char bytes[sizeof(Real)] = {};
    std::memset(bytes, ' ', CHARS_PER_WORD);
    std::memcpy(bytes, text.data(), text.size() < CHARS_PER_WORD ? text.size() : CHARS_PER_WORD);
    Real word;
    std::memcpy(&word, bytes, sizeof word);
    return word;
}

// The 8 characters of a word (a byte that is not printable reads as a blank).
inline std::string unpack_chars(Real word) {
    unsigned char bytes[sizeof(Real)];
    std::memcpy(bytes, &word, sizeof word);
    std::string text(CHARS_PER_WORD, ' ');
    for (int k = 0; k < CHARS_PER_WORD; ++k)
        if (bytes[k] >= 32 && bytes[k] < 127) text[k] = static_cast<char>(bytes[k]);
    return text;
}

// Number of words that hold `length` characters.
inline long long words_for_chars(std::size_t length) {
    return static_cast<long long>((length + CHARS_PER_WORD - 1) / CHARS_PER_WORD);
}

} // namespace tarvex
