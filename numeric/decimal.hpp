// The decimal reader: text to binary128, correctly rounded, in the number forms a user types
// ("12", "-.5", "1.5E-3", "2D4", "+3."); and full-precision decimal text of a binary128 value.
#pragma once

#include "numeric/real.hpp"

#include <cstddef>
#include <string>
#include <string_view>

namespace tarvex {

// Reads a number at the start of `text`. Returns false (value untouched) when no number starts
// there; `consumed` receives the characters used.
bool parse_real(std::string_view text, Real& value, std::size_t* consumed = nullptr);
// Reads a whole field as one number (leading/trailing blanks allowed); false on anything else.
bool parse_real_field(std::string_view text, Real& value);
// Whether `text` is a number in form (as parse_real_field takes it) whose value lies beyond the
// binary128 range, so that parse_real_field refuses it.
bool real_field_overflows(std::string_view text);
// A number whose exponent follows the mantissa as a bare sign and digits, without a letter
// ("0.3000000+101", "-0.3000000-1233"): the form a G or E field takes when the exponent needs
// three or more digits. Returns the same number with the letter E put in ("0.3000000E+101");
// empty when `text` (blanks around it allowed) is not of that form.
std::string with_exponent_letter(std::string_view text);
// Shortest-round-trip style text with 36 significant digits ("%.36Qg"-like), for messages.
std::string real_to_string(Real value, int digits = 36);

} // namespace tarvex
