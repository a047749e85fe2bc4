// The decimal reader: checks the number forms a user types, then converts the text to the nearest
// binary128 value; and the message text of a binary128 value.
#include "numeric/decimal.hpp"
#include "numeric/text.hpp"

#include <algorithm>
#include <array>
#include <cstdint>
#include <vector>

namespace tarvex {

namespace {

bool is_exponent_letter(char c) {
    return c == 'E' || c == 'e' || c == 'D' || c == 'd' || c == 'Q' || c == 'q';
}

// The parts of a number as typed: [sign] mantissa [letter [sign] digits].
struct NumberText {
    bool negative = false;
    std::string_view mantissa; // digits with at most one point, at least one digit
    bool has_exponent = false;
    bool exponent_negative = false;
    std::string_view exponent_digits;
    std::size_t length = 0; // characters used from the start of the text
};

// Scans the longest number at the start of `text`. An exponent letter not followed by digits is
// not part of the number ("2E" reads 2 and stops before the E).
bool scan_number(std::string_view text, NumberText& number) {
    std::size_t pos = 0;
    if (pos < text.size() && (text[pos] == '+' || text[pos] == '-')) {
        number.negative = text[pos] == '-';
        ++pos;
    }
    const std::size_t mantissa_start = pos;
    std::size_t digit_count = 0;
    while (pos < text.size() && is_ascii_digit(text[pos])) ++pos, ++digit_count;
    if (pos < text.size() && text[pos] == '.') {
        ++pos;
        while (pos < text.size() && is_ascii_digit(text[pos])) ++pos, ++digit_count;
    }
    if (digit_count == 0) return false;
    number.mantissa = text.substr(mantissa_start, pos - mantissa_start);
    // Hexadecimal forms such as "0x1p3" are not numbers here: refusing them keeps them from
    // being read as the 0 in front.
    if (pos < text.size() && (text[pos] == 'x' || text[pos] == 'X') && number.mantissa == "0")
        return false;

    if (pos < text.size() && is_exponent_letter(text[pos])) {
        std::size_t exp_pos = pos + 1;
        bool exponent_negative = false;
        if (exp_pos < text.size() && (text[exp_pos] == '+' || text[exp_pos] == '-')) {
            exponent_negative = text[exp_pos] == '-';
            ++exp_pos;
        }
        const std::size_t digits_start = exp_pos;
        while (exp_pos < text.size() && is_ascii_digit(text[exp_pos])) ++exp_pos;
        if (exp_pos > digits_start) {
            number.has_exponent = true;
            number.exponent_negative = exponent_negative;
            number.exponent_digits = text.substr(digits_start, exp_pos - digits_start);
            pos = exp_pos;
        }
    }
    number.length = pos;
    return true;
}

// The exact decimal digits of 2**-16495, half the smallest subnormal: 5**16495 x 10**-16495.
// Worked out once, in base 10**9, the first time a reading lands on the smallest subnormal.
const std::string& half_smallest_subnormal_digits() {
    static const std::string digits = [] {
        constexpr std::uint64_t LIMB = 1000000000;
        constexpr std::uint64_t FIVE_TO_THE_13 = 1220703125;
        constexpr int POWER = 16495;
        std::vector<std::uint64_t> limbs{1};
        auto multiply = [&](std::uint64_t factor) {
            std::uint64_t carry = 0;
            for (std::uint64_t& limb : limbs) {
                const std::uint64_t product = limb * factor + carry;
                limb = product % LIMB;
                carry = product / LIMB;
            }
            while (carry) limbs.push_back(carry % LIMB), carry /= LIMB;
        };
        for (int i = 0; i < POWER / 13; ++i) multiply(FIVE_TO_THE_13);
        for (int i = 0; i < POWER % 13; ++i) multiply(5);
        std::string text = std::to_string(limbs.back());
        for (std::size_t i = limbs.size() - 1; i-- > 0;) {
            const std::string part = std::to_string(limbs[i]);
            text += std::string(9 - part.size(), '0') + part;
        }
        return text;
    }();
    return digits;
}

// True when the number is exactly 2**-16495 (in magnitude): its significant digits are those of
// 5**16495 and its value is 0.DIGITS x 10**(length - 16495).
bool is_half_smallest_subnormal(const NumberText& number) {
    constexpr long long HALF_SMALLEST_POWER = 16495;
    constexpr long long EXPONENT_CAP = 1000000000; // beyond this the value is far from the tie
    std::string digits;
    long long integer_digits = 0;
    bool in_fraction = false;
    for (char c : number.mantissa) {
        if (c == '.') {
            in_fraction = true;
            continue;
        }
        if (!in_fraction) ++integer_digits;
        digits += c;
    }
    const std::size_t first = digits.find_first_not_of('0');
    if (first == std::string::npos) return false;
    const std::size_t last = digits.find_last_not_of('0');
    long long exponent = 0;
    for (char c : number.exponent_digits)
        exponent = std::min(exponent * 10 + (c - '0'), EXPONENT_CAP);
    if (number.exponent_negative) exponent = -exponent;
    const long long point_exponent = integer_digits - static_cast<long long>(first) + exponent;
    const std::string& tie = half_smallest_subnormal_digits();
    return point_exponent == static_cast<long long>(tie.size()) - HALF_SMALLEST_POWER &&
           digits.compare(first, last + 1 - first, tie) == 0;
}

// Fast exact path: a mantissa of at most 33 significant digits is an exact binary128 integer M,
// and 10**k is exact for |k| <= 48 (5**48 < 2**113); one IEEE multiply or divide of two exact
// values rounds once, so M x 10**k and M / 10**-k are correctly rounded without the general reader.
constexpr int FAST_MAX_DIGITS = 33;
constexpr int FAST_MAX_POWER = 48;
constexpr std::array<Real, FAST_MAX_POWER + 1> EXACT_POWERS_OF_TEN = [] {
    std::array<Real, FAST_MAX_POWER + 1> powers{};
    powers[0] = 1;
    for (int k = 1; k <= FAST_MAX_POWER; ++k) powers[k] = powers[k - 1] * 10;
    return powers;
}();
static_assert(EXACT_POWERS_OF_TEN[FAST_MAX_POWER] == 1e48Q);

// True when the fast path applies; `value` then holds the correctly rounded result.
bool convert_fast(const NumberText& number, Real& value) {
    constexpr long long EXPONENT_CAP = 1000000; // any larger exponent is outside the fast range
    // The digits without the point: value = DIGITS x 10**(exponent - fraction digits).
    long long digit_count = 0, fraction_digits = 0, first_nonzero = -1, last_nonzero = -1;
    bool in_fraction = false;
    for (char c : number.mantissa) {
        if (c == '.') {
            in_fraction = true;
            continue;
        }
        if (c != '0') {
            if (first_nonzero < 0) first_nonzero = digit_count;
            last_nonzero = digit_count;
        }
        ++digit_count;
        if (in_fraction) ++fraction_digits;
    }
    long long exponent = 0;
    for (char c : number.exponent_digits)
        exponent = std::min(exponent * 10 + (c - '0'), EXPONENT_CAP);
    if (number.exponent_negative) exponent = -exponent;
    if (first_nonzero < 0) {
        value = number.negative ? -0.0Q : 0.0Q;
        return true;
    }
    if (last_nonzero - first_nonzero + 1 > FAST_MAX_DIGITS) return false;
    // Trailing zeros of the digits move into the power of ten.
    const long long power = exponent - fraction_digits + (digit_count - 1 - last_nonzero);
    if (power < -FAST_MAX_POWER || power > FAST_MAX_POWER) return false;

    unsigned __int128 significand = 0;
    long long index = 0;
    for (char c : number.mantissa) {
        if (c == '.') continue;
        if (index >= first_nonzero && index <= last_nonzero)
            significand = significand * 10 + (c - '0');
        ++index;
    }
    const Real exact = static_cast<Real>(significand);
    Real result =
        power >= 0 ? exact * EXACT_POWERS_OF_TEN[power] : exact / EXACT_POWERS_OF_TEN[-power];
    value = number.negative ? -result : result;
    return true;
}

// Converts a checked number with libquadmath's correctly rounded reader, from a normalised copy
// ("-123.45e-6"). False when the value lies beyond the binary128 range (it would round to
// infinity); values below the range round to subnormals or zero.
bool convert(const NumberText& number, Real& value) {
    if (convert_fast(number, value)) return true;
    std::string normal;
    normal.reserve(number.mantissa.size() + number.exponent_digits.size() + 4);
    if (number.negative) normal += '-';
    normal.append(number.mantissa);
    if (number.has_exponent) {
        normal += 'e';
        if (number.exponent_negative) normal += '-';
        normal.append(number.exponent_digits);
    }
    char* end = nullptr;
    Real result = strtoflt128(normal.c_str(), &end);
    if (end != normal.c_str() + normal.size()) return false;
    if (isinfq(result)) return false;
    // libquadmath rounds the one tie with zero, half the smallest subnormal, away from zero;
    // ties go to even, and zero is the even neighbour.
    if (fabsq(result) == FLT128_DENORM_MIN && is_half_smallest_subnormal(number))
        result = copysignq(0, result);
    value = result;
    return true;
}

bool is_blank(char c) {
    return c == ' ' || c == '\t';
}

// Scans a whole field as one number, blanks around it allowed.
bool scan_whole_field(std::string_view text, NumberText& number) {
    std::size_t first = 0;
    while (first < text.size() && is_blank(text[first])) ++first;
    std::size_t last = text.size();
    while (last > first && is_blank(text[last - 1])) --last;
    const std::string_view field = text.substr(first, last - first);
    return scan_number(field, number) && number.length == field.size();
}

} // namespace

bool parse_real(std::string_view text, Real& value, std::size_t* consumed) {
    NumberText number;
    if (!scan_number(text, number)) return false;
    if (!convert(number, value)) return false;
    if (consumed) *consumed = number.length;
    return true;
}

bool parse_real_field(std::string_view text, Real& value) {
    NumberText number;
    return scan_whole_field(text, number) && convert(number, value);
}

bool real_field_overflows(std::string_view text) {
    NumberText number;
    Real value = 0;
    return scan_whole_field(text, number) && !convert(number, value);
}

std::string with_exponent_letter(std::string_view text) {
    text = trim_blanks_tabs_and_returns_view(text);
    // The exponent sign is the last sign of the text; before it a mantissa, after it digits.
    const std::size_t sign = text.find_last_of("+-");
    if (sign == std::string_view::npos || sign == 0 || sign + 1 == text.size()) return {};
    const char before = text[sign - 1];
    if (!is_ascii_digit(before) && before != '.') return {};
    for (std::size_t k = sign + 1; k < text.size(); ++k)
        if (!is_ascii_digit(text[k])) return {};
    NumberText mantissa;
    const std::string_view head = text.substr(0, sign);
    if (!scan_number(head, mantissa) || mantissa.length != head.size() || mantissa.has_exponent)
        return {};
    std::string joined(head);
    joined += 'E';
    joined += text.substr(sign);
    return joined;
}

std::string real_to_string(Real value, int digits) {
    char small[96];
    int n = quadmath_snprintf(small, sizeof small, "%.*Qg", digits, value);
    if (n < 0) return std::string();
    if (n < static_cast<int>(sizeof small)) return std::string(small, n);
    std::string text(n + 1, '\0');
    quadmath_snprintf(text.data(), text.size(), "%.*Qg", digits, value);
    text.resize(n);
    return text;
}

} // namespace tarvex
