// Round-trip decimal text for the data files that WRITE produces.
#include "io/real_text.hpp"

#include "numeric/decimal.hpp"
#include "numeric/real_digits.hpp"

#include <cstring>

namespace tarvex {

namespace {

inline constexpr int SHORT_DIGITS = 33; // decimal digits that binary128 always preserves
inline constexpr int FULL_DIGITS = 36;  // decimal digits that always identify a binary128 value

bool same_bits(Real a, Real b) {
    return std::memcmp(&a, &b, sizeof a) == 0;
}

} // namespace

std::string exact_real_text(Real value) {
    if (!finiteq(value)) return real_to_string(value, FULL_DIGITS);
    // Exact digit generation decides without printing and reading back; it leaves very large,
    // very small and subnormal values to the library.
    if (std::string text = round_trip_text(value); !text.empty()) return text;
    std::string text = real_to_string(value, SHORT_DIGITS);
    Real back = 0;
    if (parse_real_field(text, back) && same_bits(back, value)) return text;
    return real_to_string(value, FULL_DIGITS);
}

} // namespace tarvex
