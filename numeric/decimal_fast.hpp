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

// parse_real_field with the quick path first.
bool parse_real_field_quick(std::string_view field, Real& value);

} // namespace tarvex
