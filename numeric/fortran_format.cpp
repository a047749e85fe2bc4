// Fortran edit-descriptor output (Iw, Fw.d, Ew.d, Gw.d, Aw, nX) for binary128 values. The digits
// come from libquadmath's correctly rounded conversion of the exact binary value (ties to even).
#include "numeric/fortran_format.hpp"

#include <cstdlib>

namespace tarvex {

namespace {

// Width of the exponent part "E+dd" and of the blanks G leaves after a fixed-form field.
constexpr int DEFAULT_EXPONENT_WIDTH = 4;
// A binary value with 2**(4w) or more has more than w integer digits: no F field of width w fits.
constexpr int BITS_PER_DECIMAL_DIGIT_BOUND = 4;

std::string stars(int w) {
    return std::string(w > 0 ? w : 0, '*');
}

std::string right_justify(const std::string& text, int w) {
    if (static_cast<int>(text.size()) > w) return stars(w);
    return std::string(w - text.size(), ' ') + text;
}

// quadmath_snprintf with one precision argument, into a string of whatever length is needed.
std::string quad_print(const char* format, int precision, Real value) {
    char small[128];
    int n = quadmath_snprintf(small, sizeof small, format, precision, value);
    if (n < 0) return std::string();
    if (n < static_cast<int>(sizeof small)) return std::string(small, n);
    std::string text(n + 1, '\0');
    quadmath_snprintf(text.data(), text.size(), format, precision, value);
    text.resize(n);
    return text;
}

// Infinity and NaN in a numeric field: "Infinity" when it fits, else "Inf"; a minus sign for
// negative infinity; "NaN" without sign; asterisks when even the short form does not fit.
std::string special_value(Real value, int w) {
    if (isnanq(value)) return right_justify("NaN", w);
    const bool negative = signbitq(value);
    const std::string sign = negative ? "-" : "";
    if (w >= 8 + static_cast<int>(sign.size())) return right_justify(sign + "Infinity", w);
    return right_justify(sign + "Inf", w);
}

// The d significant digits of |value| rounded to nearest, and the exponent k with
// |value| ~ 0.d1d2...dd x 10**k. Zero gives d zeros and k = 0. Requires d >= 1 and a finite value.
void significant_digits(Real magnitude, int d, std::string& digits, int& k) {
    if (magnitude == 0) {
        digits.assign(d, '0');
        k = 0;
        return;
    }
    const std::string text = quad_print("%.*Qe", d - 1, magnitude); // "d.ddde+XX"
    const std::size_t e_pos = text.find('e');
    digits.clear();
    for (std::size_t i = 0; i < e_pos; ++i)
        if (text[i] != '.') digits += text[i];
    k = std::atoi(text.c_str() + e_pos + 1) + 1;
}

// The F field from its digits: [-]integer.fraction, the lone zero before the point dropped when
// the field is one short (kept when there is no fraction, as it is then the only digit); w = 0
// gives the minimal width.
std::string fixed_field(bool negative, const std::string& integer_part, const std::string& fraction,
                        int w) {
    const std::string sign = negative ? "-" : "";
    std::string field = sign + integer_part + "." + fraction;
    if (w == 0) return field;
    if (static_cast<int>(field.size()) > w && integer_part == "0" && !fraction.empty())
        field = sign + "." + fraction;
    return right_justify(field, w);
}

} // namespace

std::string fmt_I(long long value, int w, int m) {
    const bool negative = value < 0;
    const unsigned long long magnitude = negative ? 0ULL - static_cast<unsigned long long>(value)
                                                  : static_cast<unsigned long long>(value);
    std::string digits = std::to_string(magnitude);
    if (m == 0 && magnitude == 0) digits.clear(); // Iw.0 of zero is an all-blank field
    if (m > static_cast<int>(digits.size())) digits.insert(0, m - digits.size(), '0');
    const std::string text = (negative ? "-" : "") + digits;
    if (w == 0) return text; // I0: the minimal width
    return right_justify(text, w);
}

// Fw.d. A negative value keeps its minus sign even when it rounds to zero, and so does -0.0
// ("-0.00" in F5.2), as in Fortran 2008 processors that honour the sign of zero. The zero before
// the point of a value below one is written when there is room; with d = 0 it is the only digit
// and always written. w = 0 gives the minimal width.
std::string fmt_F(Real value, int w, int d) {
    if (d < 0 || w < 0) return stars(w);
    if (!finiteq(value)) return special_value(value, w);
    const bool negative = signbitq(value);
    const Real magnitude = fabsq(value);
    if (w > 0 && magnitude != 0 && ilogbq(magnitude) >= BITS_PER_DECIMAL_DIGIT_BOUND * w)
        return stars(w);

    const std::string text = quad_print("%.*Qf", d, magnitude); // "iii.fff", or "iii" when d = 0
    const std::size_t point = text.find('.');
    const std::string integer_part = text.substr(0, point);
    const std::string fraction =
        point == std::string::npos ? std::string() : text.substr(point + 1);
    return fixed_field(negative, integer_part, fraction, w);
}

// Ew.d, Ew.dEe and Dw.d: [-][0].d1d2...dd followed by the exponent of 10. Without Ee the exponent
// is "E+dd" up to 99, "+ddd" up to 999 and, as this system's extension for the binary128 range,
// "+dddd" up to 9999 (the letter is dropped in both long forms). With Ee it is the letter, the
// sign and e digits, and asterisks fill the field when the exponent needs more. d = 0 is not a
// valid E field here and gives asterisks.
std::string fmt_E(Real value, int w, int d, int e, char letter) {
    if (d <= 0 || w <= 0 || e < 0) return stars(w);
    if (!finiteq(value)) return special_value(value, w);
    const bool negative = signbitq(value);
    std::string digits;
    int k = 0;
    significant_digits(fabsq(value), d, digits, k);

    const int exponent_magnitude = std::abs(k);
    const std::string exponent_digits = std::to_string(exponent_magnitude);
    const char exponent_sign = k < 0 ? '-' : '+';
    std::string exponent;
    if (e == 0) {
        if (exponent_magnitude <= 99)
            exponent = std::string(1, letter) + exponent_sign +
                       (exponent_magnitude < 10 ? "0" : "") + exponent_digits;
        else
            exponent = std::string(1, exponent_sign) + exponent_digits;
    } else {
        if (static_cast<int>(exponent_digits.size()) > e) return stars(w);
        exponent = std::string(1, letter) + exponent_sign +
                   std::string(e - exponent_digits.size(), '0') + exponent_digits;
    }

    const std::string sign = negative ? "-" : "";
    std::string field = sign + "0." + digits + exponent;
    if (static_cast<int>(field.size()) > w) field = sign + "." + digits + exponent;
    return right_justify(field, w);
}

// Gw.d and Gw.dEe. The value rounded to d significant digits is 0.d1...dd x 10**k; when
// 0 <= k <= d the field is F(w-n).(d-k) followed by n blanks (n = 4, or e+2 with Ee), zero being
// F(w-n).(d-1); otherwise it is Ew.d (Ew.dEe). Rounding to d digits first puts the boundaries where
// Fortran puts them: 0.1 - 0.5*10**(-d-1) and 10**d - 0.5.
std::string fmt_G(Real value, int w, int d, int e) {
    if (d <= 0 || w <= 0 || e < 0) return fmt_E(value, w, d, e);
    if (!finiteq(value)) return special_value(value, w);
    const int n = e > 0 ? e + 2 : DEFAULT_EXPONENT_WIDTH;
    const Real magnitude = fabsq(value);
    std::string digits;
    int k = 0;
    significant_digits(magnitude, d, digits, k);
    if (magnitude != 0 && (k < 0 || k > d)) return fmt_E(value, w, d, e);
    if (w - n <= 0) return stars(w);
    // The d digits already rounded are those of F(w-n).(d-k): the first k before the point.
    // Zero is F(w-n).(d-1).
    const bool negative = signbitq(value);
    const std::string fixed =
        magnitude == 0
            ? fixed_field(negative, "0", std::string(d - 1, '0'), w - n)
            : fixed_field(negative, k == 0 ? "0" : digits.substr(0, k), digits.substr(k), w - n);
    if (fixed.find('*') != std::string::npos) return stars(w);
    return fixed + std::string(n, ' ');
}

std::string fmt_A(std::string_view text, int w) {
    if (w < 0) return std::string(text);
    if (w <= static_cast<int>(text.size())) return std::string(text.substr(0, w));
    return std::string(w - text.size(), ' ') + std::string(text);
}

std::string fmt_X(int n) {
    return std::string(n > 0 ? n : 0, ' ');
}

} // namespace tarvex
