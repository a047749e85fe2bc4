// Fields that never lose a number: see fitted_fields.hpp.
#include "numeric/fitted_fields.hpp"

#include "numeric/fortran_format.hpp"

#include <algorithm>

namespace tarvex {

namespace {

bool overflowed(const std::string& field) {
    return !field.empty() && field.find_first_not_of('*') == std::string::npos;
}

} // namespace

std::string fmt_I_fitted(long long value, int w) {
    const int digits = int(std::to_string(value).size());
    return fmt_I(value, std::max(w, digits));
}

std::string fmt_F_fitted(Real value, int w, int d) {
    for (int decimals = d; decimals >= 0; --decimals) {
        std::string field = fmt_F(value, w, decimals);
        if (!overflowed(field)) return field;
    }
    // A default exponent form of three digits drops the letter (0.25+301); from four digits on
    // only Ee holds the exponent (about 1E+-4932 at most). The letter is kept where
    // the width allows it.
    for (int digits = std::max(1, w - 6); digits >= 1; --digits) {
        const std::string plain = fmt_E(value, w, digits);
        if (!overflowed(plain) && plain.find('E') != std::string::npos) return plain;
        for (int exponent_digits : {3, 4}) {
            std::string with_letter = fmt_E(value, w, digits, exponent_digits);
            if (!overflowed(with_letter)) return with_letter;
        }
    }
    for (int digits = std::max(1, w - 6); digits >= 1; --digits) {
        const std::string plain = fmt_E(value, w, digits);
        if (!overflowed(plain)) return plain;
    }
    return fmt_E(value, std::max(w, 12), 1, 4); // a field too narrow for any exponent form
}

} // namespace tarvex
