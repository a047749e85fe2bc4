// The quick decimal reader for data files: plain numbers of at most 19 significant digits whose
// power of ten lies within 27 either way ("-123.456789", "42", "1.5E-3", "2D4") are converted
// with exact integer arithmetic and one rounding to nearest even; anything else is left to the
// general reader of decimal.hpp. The result is the correctly rounded binary128 value.
#pragma once

#include "numeric/real.hpp"

#include <string_view>

namespace tarvex {

enum class QuickRead {
    DONE,    // `value` holds the correctly rounded value of the whole field
    GENERAL, // a number the quick reader does not take: ask parse_real_field
};

// `field` must hold the number alone (no surrounding blanks).
QuickRead quick_parse_real(std::string_view field, Real& value);

// A data field "[sign]digits[.digits]" (at most 19 digits, one at least) starting at p and
// ending at `stop` or at a `delimiter` before it, read eight characters at a time: returns the
// position just past the number (stop, or the delimiter) with `value` set, or nullptr when the
// field holds anything else (blanks, an exponent, more digits, no digits), which is then left to
// quick_parse_real or parse_real_field. At least 8 bytes past `stop` must be readable; their
// content does not matter.
const char* quick_scan_field(const char* p, const char* stop, char delimiter, Real& value);

// parse_real_field with the quick path first.
bool parse_real_field_quick(std::string_view field, Real& value);

} // namespace tarvex
