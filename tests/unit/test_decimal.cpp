// The decimal reader: accepted and refused number forms, correct rounding at halfway cases and at
// the ends of the binary128 range, round trips of random values; and message text of values.
#include "numeric/decimal.hpp"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <random>
#include <string>
#include <vector>

namespace tarvex {
namespace {

// The bit pattern of a value, so that comparisons see the sign of zero and every last bit.
std::string bits(Real value) {
    std::uint64_t words[2];
    std::memcpy(words, &value, sizeof value);
    char text[40];
    std::snprintf(text, sizeof text, "%016llx%016llx", static_cast<unsigned long long>(words[1]),
                  static_cast<unsigned long long>(words[0]));
    return text;
}

Real field(const char* text) {
    Real value = -7;
    EXPECT_TRUE(parse_real_field(text, value)) << '"' << text << '"';
    return value;
}

TEST(DecimalReader, AcceptedFormsAndCharactersUsed) {
    struct Case {
        const char* text;
        Real expected;
        std::size_t consumed;
    };
    const Case cases[] = {
        {"12", 12.0Q, 2},        {"-.5", -0.5Q, 3},      {"+3.", 3.0Q, 3},
        {"1.5E-3", 1.5e-3Q, 6},  {"1.5e-3", 1.5e-3Q, 6}, {"2D4", 2e4Q, 3},
        {"2d+4", 2e4Q, 4},       {"7q2", 700.0Q, 3},     {"7Q-2", 0.07Q, 4},
        {"1e+4932", 1e4932Q, 7}, {"0.1", 0.1Q, 3},       {"000123.4500", 123.45Q, 11},
        {"3E", 3.0Q, 1}, // a letter without exponent digits is not part of the number
        {"3E+", 3.0Q, 1},        {"1.2.3", 1.2Q, 3},     {"4,5", 4.0Q, 1},
        {"5*X", 5.0Q, 1},        {"-0", -0.0Q, 2},
    };
    for (const Case& c : cases) {
        Real value = -7;
        std::size_t consumed = 99;
        ASSERT_TRUE(parse_real(c.text, value, &consumed)) << c.text;
        EXPECT_EQ(bits(value), bits(c.expected)) << c.text;
        EXPECT_EQ(consumed, c.consumed) << c.text;
    }
}

TEST(DecimalReader, RefusedForms) {
    const char* refused_everywhere[] = {
        "0x1p3", "0X10", "-0x1", "inf",  "Infinity", "nan", "NaN",    "E5",      "e5",       ".",
        "-",     "+",    "",     "-.e3", "--1",      "$1",  "1e5000", "-1e5000", "1.2e4932",
    };
    for (const char* text : refused_everywhere) {
        Real value = -7;
        std::size_t consumed = 99;
        EXPECT_FALSE(parse_real(text, value, &consumed)) << '"' << text << '"';
        EXPECT_FALSE(parse_real_field(text, value)) << '"' << text << '"';
        EXPECT_EQ(value, -7) << "value must be untouched for \"" << text << '"';
        EXPECT_EQ(consumed, 99u) << text;
    }
    // The reader starts at the first character: a blank there is not a number.
    Real untouched = -7;
    EXPECT_FALSE(parse_real(" 1", untouched));
    EXPECT_EQ(untouched, -7);
    // Numbers followed by anything but blanks are not a field.
    const char* not_a_field[] = {"1.2.3", "1 2", "1e5x", "3E", "12abc", "2D", "1,5", "   "};
    for (const char* text : not_a_field) {
        Real value = -7;
        EXPECT_FALSE(parse_real_field(text, value)) << '"' << text << '"';
        EXPECT_EQ(value, -7) << text;
    }
    // Blanks and tabs around a field are allowed.
    EXPECT_EQ(bits(field("  1.5  ")), bits(1.5Q));
    EXPECT_EQ(bits(field("\t-2E1\t")), bits(-20.0Q));
}

TEST(DecimalReader, RoundsHalfwayCasesToEven) {
    // 1 + 2**-113 lies exactly halfway between 1 and the next value 1 + 2**-112: even is 1.
    EXPECT_EQ(
        bits(field(
            "1.000000000000000000000000000000000096296497219361792652798897129246365926905082410769"
            "40976199693977832794189453125")),
        bits(1.0Q));
    // A digit beyond the tie moves it up.
    EXPECT_EQ(
        bits(field(
            "1.000000000000000000000000000000000096296497219361792652798897129246365926905082410769"
            "409761996939778327941894531250000000000001")),
        bits(1.0Q + 2 * 9.62964972193617926527988971292463659e-35Q));
    // 1 + 3 * 2**-113 is halfway between 1 + 2**-112 (odd) and 1 + 2**-111 (even).
    EXPECT_EQ(
        bits(field(
            "1.000000000000000000000000000000000288889491658085377958396691387739097780715247232308"
            "22928599081933498382568359375")),
        bits(1.0Q + 4 * 9.62964972193617926527988971292463659e-35Q));
    // Reading the shortest text of a value gives that value (the compiler rounds literals
    // correctly).
    EXPECT_EQ(bits(field("0.1")), bits(0.1Q));
    EXPECT_EQ(bits(field("1e-1")), bits(0.1Q));
    EXPECT_EQ(bits(field("100D-3")), bits(0.1Q));
    EXPECT_EQ(bits(field("0.3")), bits(0.3Q));
    EXPECT_EQ(bits(field("3.14159265358979323846264338327950288")), bits(M_PIq));
}

// Exact decimal digits of multiplier * 2**power_of_two (power >= 0) or of 5**-power_of_two
// (power < 0, the digits of 2**power_of_two scaled by 10**-power_of_two), by schoolbook arithmetic
// in base 10**9: an independent source for the exact midpoints at the ends of the range.
std::string exact_digits(std::uint64_t multiplier_high, std::uint64_t multiplier_low,
                         int power_of_two) {
    constexpr std::uint64_t LIMB = 1000000000;
    std::vector<std::uint64_t> limbs{0};
    auto multiply_add = [&](std::uint64_t factor, std::uint64_t addend) {
        std::uint64_t carry = addend;
        for (std::uint64_t& limb : limbs) {
            const std::uint64_t product = limb * factor + carry;
            limb = product % LIMB;
            carry = product / LIMB;
        }
        while (carry) limbs.push_back(carry % LIMB), carry /= LIMB;
    };
    // The multiplier as a 128-bit number, one bit at a time.
    for (int bit = 127; bit >= 0; --bit) {
        const std::uint64_t word = bit >= 64 ? multiplier_high : multiplier_low;
        multiply_add(2, (word >> (bit % 64)) & 1);
    }
    const std::uint64_t factor = power_of_two >= 0 ? 2 : 5;
    for (int i = 0; i < (power_of_two >= 0 ? power_of_two : -power_of_two); ++i)
        multiply_add(factor, 0);
    std::string text = std::to_string(limbs.back());
    for (std::size_t i = limbs.size() - 1; i-- > 0;) {
        const std::string part = std::to_string(limbs[i]);
        text += std::string(9 - part.size(), '0') + part;
    }
    return text;
}

TEST(DecimalReader, EndsOfTheRange) {
    EXPECT_EQ(bits(field("1.18973149535723176508575932662800702e4932")), bits(FLT128_MAX));
    // Around max + half an ulp = (2**114 - 1) * 2**16270: just below reads as the largest value;
    // the exact midpoint rounds to even, which lies beyond the range, and is refused like any
    // larger value.
    EXPECT_EQ(
        bits(field("1.189731495357231765085759326628007073479956869869102141501186852722712e4932")),
        bits(FLT128_MAX));
    const std::string midpoint = exact_digits((1ULL << 50) - 1, ~0ULL, 16270);
    ASSERT_EQ(midpoint.substr(0, 20), "11897314953572317650");
    ASSERT_EQ(midpoint.size(), 4933u);
    Real value = -7;
    EXPECT_FALSE(parse_real_field(midpoint, value));
    EXPECT_FALSE(parse_real_field(
        "1.189731495357231765085759326628007073479956869869102141501186852722713e4932", value));
    EXPECT_FALSE(parse_real_field("1e99999999999999999999", value));
    EXPECT_EQ(value, -7);

    EXPECT_EQ(bits(field("3.36210314311209350626267781732175260e-4932")), bits(FLT128_MIN));
    EXPECT_EQ(bits(field("6.475175119438025110924438958227646552e-4966")), bits(FLT128_DENORM_MIN));
    // Half the smallest subnormal, 2**-16495 = 5**16495 * 10**-16495, is a tie with zero (even);
    // a digit more rounds up to the smallest subnormal.
    const std::string half_smallest = exact_digits(0, 1, -16495) + "e-16495";
    EXPECT_EQ(bits(field(half_smallest.c_str())), bits(0.0Q));
    const std::string above_half = exact_digits(0, 1, -16495) + "1e-16496";
    EXPECT_EQ(bits(field(above_half.c_str())), bits(FLT128_DENORM_MIN));
    // The same tie written with a sign, leading and trailing zeros and a point.
    const std::string tie_digits = exact_digits(0, 1, -16495);
    EXPECT_EQ(
        bits(field(("-000." + tie_digits + "000E" + std::to_string(int(tie_digits.size()) - 16495))
                       .c_str())),
        bits(-0.0Q));
    // Three halves of the smallest subnormal: the tie goes to the even neighbour, two of them.
    EXPECT_EQ(bits(field((exact_digits(0, 3, -16495) + "e-16495").c_str())),
              bits(2 * FLT128_DENORM_MIN));
    // Underflow is not an error: zero with its sign.
    EXPECT_EQ(bits(field("1e-5000")), bits(0.0Q));
    EXPECT_EQ(bits(field("-1e-99999999999999999999")), bits(-0.0Q));
}

// Short numbers (at most 33 digits, powers of ten up to 48) take the reader's exact fast path;
// libquadmath's general reader is the reference they must agree with, bit for bit.
Real general_reader(const std::string& text) {
    return strtoflt128(text.c_str(), nullptr);
}

TEST(DecimalReader, ShortNumbersAgreeWithTheGeneralReader) {
    // Odd M with M * 5**k between 2**113 and 2**114 makes M x 10**k an exact tie between two
    // binary128 neighbours: "3e48", "15e47" ... "29e47", "73e46" ...
    const Real two_113 = 10384593717069655257060992658440192.0Q;
    int ties = 0;
    Real five_k = 1;
    for (int k = 1; k <= 48; ++k) {
        five_k *= 5;
        if (k < 40) continue;
        for (long long m = 1; m < 4000; m += 2) {
            const Real odd_part = m * five_k;
            if (odd_part < two_113 || odd_part >= 2 * two_113) continue;
            const std::string text = std::to_string(m) + "e" + std::to_string(k);
            EXPECT_EQ(bits(field(text.c_str())), bits(general_reader(text))) << text;
            ++ties;
        }
    }
    EXPECT_GT(ties, 100);

    constexpr int SHORT_NUMBERS = 20000;
    std::mt19937_64 generator(7);
    for (int i = 0; i < SHORT_NUMBERS; ++i) {
        const int digit_count = 1 + static_cast<int>(generator() % 36);
        std::string text = generator() % 2 ? "-" : "";
        const int point = static_cast<int>(generator() % (digit_count + 1));
        for (int j = 0; j < digit_count; ++j) {
            if (j == point) text += '.';
            text += static_cast<char>('0' + (j == 0 || generator() % 4 ? generator() % 10 : 0));
        }
        if (generator() % 4) text += "e" + std::to_string(static_cast<int>(generator() % 121) - 60);
        Real value = -7;
        ASSERT_TRUE(parse_real_field(text, value)) << text;
        EXPECT_EQ(bits(value), bits(general_reader(text))) << text;
    }
}

TEST(DecimalReader, RoundTripsRandomValuesThrough36Digits) {
    constexpr int ROUND_TRIPS = 20000;
    std::mt19937_64 generator(20240611);
    int checked = 0;
    for (int i = 0; i < ROUND_TRIPS; ++i) {
        std::uint64_t words[2] = {generator(), generator()};
        Real value;
        std::memcpy(&value, words, sizeof value);
        if (isnanq(value) || isinfq(value)) continue;
        char text[80];
        quadmath_snprintf(text, sizeof text, "%.35Qe", value); // 36 significant digits
        std::string typed = text;
        if (i % 3 == 1) typed[typed.find('e')] = 'D'; // the other exponent letters read the same
        if (i % 3 == 2) typed[typed.find('e')] = 'Q';
        Real back = -7;
        ASSERT_TRUE(parse_real_field(typed, back)) << typed;
        ASSERT_EQ(bits(back), bits(value)) << typed;
        ++checked;
    }
    EXPECT_GT(checked, ROUND_TRIPS * 9 / 10);
}

TEST(DecimalReader, MessageText) {
    EXPECT_EQ(real_to_string(0.1Q), "0.100000000000000000000000000000000005");
    EXPECT_EQ(real_to_string(1.5Q, 6), "1.5");
    EXPECT_EQ(real_to_string(1e10Q, 3), "1e+10");
    EXPECT_EQ(real_to_string(-0.0Q, 6), "-0");
    EXPECT_EQ(real_to_string(FLT128_MAX, 36), "1.18973149535723176508575932662800702e+4932");
}

} // namespace
} // namespace tarvex
