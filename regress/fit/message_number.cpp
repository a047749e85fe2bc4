// Values in messages.
#include "regress/fit/message_number.hpp"

#include "numeric/fortran_format.hpp"
#include "numeric/text.hpp"

namespace tarvex {

std::string number_text(Real v) {
    // G16.8 without its blanks, and without the zeros that end the significand ("6." is "6").
    std::string text = trim_blanks(fmt_G(v, 16, 8));
    const std::size_t exponent = text.find('E');
    std::string tail = exponent == std::string::npos ? std::string() : text.substr(exponent);
    std::string digits = text.substr(0, exponent);
    if (digits.find('.') != std::string::npos) {
        while (!digits.empty() && digits.back() == '0') digits.pop_back();
        if (!digits.empty() && digits.back() == '.') digits.pop_back();
    }
    if (digits.empty() || digits == "-") digits += "0";
    return digits + tail;
}

} // namespace tarvex
