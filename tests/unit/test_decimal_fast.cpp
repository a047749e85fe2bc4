// The quick decimal reader against libquadmath's correctly rounded strtoflt128: hand-picked
// forms, exact ties built bit by bit, and random strings of the shapes data files hold.
#include "io/record_scan.hpp"
#include "numeric/decimal_fast.hpp"
#include "reference_support.hpp"

#include <cstring>
#include <gtest/gtest.h>
#include <quadmath.h>
#include <random>
#include <string>

using tarvex::QuickRead;
using tarvex::Real;

namespace {

using tarvex::testing::same_bits;

// Our value and strtoflt128's, bit for bit.
void expect_agrees(const std::string& text) {
    Real ours = 0;
    ASSERT_TRUE(tarvex::parse_real_field_quick(text, ours)) << text;
    const Real reference = strtoflt128(text.c_str(), nullptr);
    EXPECT_TRUE(same_bits(ours, reference)) << text;
}

} // namespace

TEST(QuickDecimal, HandPickedFormsAndLiterals) {
    Real v = 0;
    ASSERT_EQ(tarvex::quick_parse_real("0.1", v), QuickRead::DONE);
    EXPECT_TRUE(same_bits(v, 0.1Q));
    ASSERT_EQ(tarvex::quick_parse_real("-123.456789", v), QuickRead::DONE);
    EXPECT_TRUE(same_bits(v, -123.456789Q));
    ASSERT_EQ(tarvex::quick_parse_real("2D4", v), QuickRead::DONE);
    EXPECT_TRUE(same_bits(v, 20000.0Q));
    ASSERT_EQ(tarvex::quick_parse_real("9999999999999999999e27", v), QuickRead::DONE);
    EXPECT_TRUE(same_bits(v, 9999999999999999999e27Q));
    ASSERT_EQ(tarvex::quick_parse_real("1e-27", v), QuickRead::DONE);
    EXPECT_TRUE(same_bits(v, 1e-27Q));
    ASSERT_EQ(tarvex::quick_parse_real("-0.000", v), QuickRead::DONE);
    EXPECT_TRUE(same_bits(v, -0.0Q));
    ASSERT_EQ(tarvex::quick_parse_real("+.5", v), QuickRead::DONE);
    EXPECT_TRUE(same_bits(v, 0.5Q));
    // Forms left to the general reader.
    EXPECT_EQ(tarvex::quick_parse_real("12345678901234567890", v), QuickRead::GENERAL); // 20 digits
    EXPECT_EQ(tarvex::quick_parse_real("1e28", v), QuickRead::GENERAL);
    EXPECT_EQ(tarvex::quick_parse_real("1e-4950", v), QuickRead::GENERAL);
    EXPECT_EQ(tarvex::quick_parse_real("0x1p3", v), QuickRead::GENERAL);
    EXPECT_EQ(tarvex::quick_parse_real("1.5Q3", v), QuickRead::GENERAL);
    EXPECT_FALSE(tarvex::parse_real_field_quick("0x1p3", v));
    EXPECT_FALSE(tarvex::parse_real_field_quick("1E", v));
    EXPECT_FALSE(tarvex::parse_real_field_quick(".", v));
    for (const char* s : {"12345678901234567890", "1e4932", "1e-4940", "123456789.123456789123",
                          "4.9e-4966", "1.18973149535723176508575932662800702e4932"})
        expect_agrees(s);
}

TEST(QuickDecimal, ExactTiesRoundToEven) {
    // o x 5**27 x 2**t with o x 5**27 an odd 114-bit number: the bit below the 113 kept is the
    // last 1, followed only by zeros, so the value lies exactly halfway.
    std::mt19937_64 gen(3);
    unsigned __int128 five27 = 1;
    for (int k = 0; k < 27; ++k) five27 *= 5;
    int ties = 0;
    for (int trial = 0; trial < 2000 && ties < 300; ++trial) {
        const unsigned long long o = (gen() >> 12) | 1ULL; // 52 bits, odd
        const unsigned __int128 x = five27 * o;
        if ((x >> 113) != 1) continue; // exactly 114 bits
        const int t = 1 + static_cast<int>(gen() % 10);
        const unsigned long long m = o << t;
        const std::string text = std::to_string(m) + "e27";
        Real v = 0;
        ASSERT_EQ(tarvex::quick_parse_real(text, v), QuickRead::DONE) << text;
        expect_agrees(text);
        ++ties;
    }
    EXPECT_GT(ties, 100);
}

TEST(QuickDecimal, RandomStringsAgreeWithStrtoflt128) {
    std::mt19937_64 gen(11);
    char buf[96];
    for (int k = 0; k < 60000; ++k) {
        const unsigned long long m = gen();
        switch (k % 6) {
        case 0:
            std::snprintf(buf, sizeof buf, "%.9g", double(m >> 11) * 1e-9);
            break;
        case 1:
            std::snprintf(buf, sizeof buf, "-%llu.%06llu", m % 100000, gen() % 1000000);
            break;
        case 2:
            std::snprintf(buf, sizeof buf, "%llu", m % 10000000000000000000ULL);
            break;
        case 3:
            std::snprintf(buf, sizeof buf, "%llue%d", m % 10000000000000000000ULL,
                          int(gen() % 55) - 27);
            break;
        case 4:
            std::snprintf(buf, sizeof buf, "0.%019llu", m % 10000000000000000000ULL);
            break;
        default:
            std::snprintf(buf, sizeof buf, "%.17e", double(m) * 1e-300);
            break;
        }
        expect_agrees(buf);
    }
}

TEST(QuickDecimal, DataFieldsWithBlanksSignsAndHardFormsAgreeWithStrtoflt128) {
    // A data field goes to the quick reader when it starts like a number; whatever route it
    // takes, its value is strtoflt128's for the same text without the blanks around it.
    const char* const hard[] = {
        // Ties and near ties at 113 bits: 2**113 + 1 and + 3 (exact halfway), 2**113 + 1 + 1e-19.
        "10384593717069655257060992658440193", "10384593717069655257060992658440195",
        "10384593717069655257060992658440193.0000000000000000001",
        // 19 and 20 significant digits, long fractions, many zeros after the point.
        "9999999999999999999", "-9999999999999999999.5", "0.0000000000000000000000012345",
        "1.00000000000000000000000000000000000000000001", "123456789012345678901234567890.5",
        // Exponents at the edges of the quick range and far beyond it.
        "1e27", "1e-27", "9.999999999999999999e27", "1e28", "1E-28", "1D300", "-2.5d-300", "7e+0",
        "7e-0", "1.5E+0004",
        // Subnormals and the smallest and largest magnitudes.
        "6.475175119438025110924438958227646552e-4966", "3.6e-4951", "-1e-4940",
        "1.189731495357231765085759326628007016e4932",
        // Signs and zeros.
        "-0", "+0", "-0.0e5", "+.5", "-.000001", "+7.", "-123456789.987654321"};
    for (const char* text : hard) {
        std::string e_form = text; // strtoflt128 knows the exponent letter E only
        for (char& c : e_form)
            if (c == 'D' || c == 'd') c = 'E';
        const Real reference = strtoflt128(e_form.c_str(), nullptr); // correctly rounded
        for (const std::string& field :
             {std::string(text), " " + std::string(text) + " ", "\t" + std::string(text) + "\r"}) {
            Real v = 0;
            bool missing = true;
            ASSERT_TRUE(tarvex::field_value(field, v, missing)) << field;
            EXPECT_FALSE(missing) << field;
            EXPECT_TRUE(same_bits(v, reference)) << field;
        }
    }
    // Forms that only look like numbers: refused as values, or missing, never read in part.
    for (const char* text : {"0x1p3", "0x10", "1.5.2", "1e", "1e+", "--1", "+-1", "1 2", "12a",
                             "1,5", "inf", "1e5x"}) {
        Real v = 0;
        bool missing = false;
        EXPECT_FALSE(tarvex::field_value(text, v, missing)) << text;
    }
    for (const char* text : {"", " ", ".", "NA", "nan", "n/a", "\" NA \""}) {
        Real v = 0;
        bool missing = false;
        EXPECT_TRUE(tarvex::field_value(text, v, missing)) << text;
        EXPECT_TRUE(missing) << text;
    }
    // A value quoted as text still reads as the number.
    Real v = 0;
    bool missing = true;
    ASSERT_TRUE(tarvex::field_value("\" -0.125 \"", v, missing));
    EXPECT_TRUE(!missing && same_bits(v, -0.125Q));
}

TEST(QuickDecimal, DelimitedFieldsOfEveryDigitCountAgreeWithStrtoflt128) {
    // "[sign]digits[.digits]" with 1 to 19 digits cut at every place by the point, read eight
    // characters at a time where they stand: the value is strtoflt128's of the same text, and
    // the reader stops at the delimiter or the end of the record, whatever digits follow there.
    // Without an exponent and with at most 19 digits no such number lies halfway between two
    // binary128 values (an integer below 2**64, or m / 10**j needing fewer than 113 bits when
    // dyadic), so the hard cases are the exactly representable ones ending in zeros ("0.500000"),
    // whose quotient by a reciprocal lands on a rounding boundary and is settled by exact division.
    std::mt19937_64 gen(29);
    int checked = 0;
    for (int n = 1; n <= 19; ++n) {
        for (int point = 0; point <= n; ++point) {
            for (int trial = 0; trial < 12; ++trial) {
                std::string digits;
                for (int k = 0; k < n; ++k) digits += char('0' + gen() % 10);
                if (trial % 4 == 1) // a dyadic value: 5**-j x an odd digit, then zeros
                    digits = std::string(n, '0'), digits[std::min(n - 1, point)] = '5';
                if (trial % 4 == 2) digits.front() = '0';
                std::string text = trial % 3 == 0 ? "-" : trial % 3 == 1 ? "" : "+";
                text += digits.substr(0, point);
                if (point < n || trial % 2) text += "." + digits.substr(point);
                const Real reference = strtoflt128(text.c_str(), nullptr);
                // The record: the field, then a delimiter or the record's end followed by digits
                // that belong to the next record.
                for (const char* after : {",", "\t", ""}) {
                    const std::string record = text + after + "98765432109876543210";
                    const char* stop = record.data() + text.size() + (*after ? 5 : 0);
                    Real v = -1;
                    const char* end =
                        tarvex::quick_scan_field(record.data(), stop, *after ? *after : ',', v);
                    ASSERT_EQ(end, record.data() + text.size()) << text << "|" << after;
                    ASSERT_TRUE(same_bits(v, reference)) << text;
                    ++checked;
                }
            }
        }
    }
    EXPECT_EQ(checked, 3 * 12 * (19 * 20 / 2 + 19));
    // Fields left to the other readers (nullptr), and where an accepted one stops.
    const auto scan = [](const std::string& field, Real& v) {
        const std::string padded = field + std::string(16, '7');
        const char* end =
            tarvex::quick_scan_field(padded.data(), padded.data() + field.size(), ',', v);
        return end == nullptr ? -1 : static_cast<int>(end - padded.data());
    };
    Real v = 0;
    for (const char* refused :
         {"", "-", "+", ".", "-.", "1e5", "2D4", "1 ", " 1", "1.2.3", "--1", "1;2", "0x1", "NA",
          "12345678901234567890", "0.00000000000000000001", "00000000000000000001", "1.5\r"})
        EXPECT_EQ(scan(refused, v), -1) << refused;
    EXPECT_EQ(scan("1234567890123456789,5", v), 19);
    EXPECT_TRUE(same_bits(v, 1234567890123456789.0Q));
    EXPECT_EQ(scan("-0.000000,", v), 9);
    EXPECT_TRUE(same_bits(v, -0.0Q));
    EXPECT_EQ(scan("7.,", v), 2);
    EXPECT_TRUE(same_bits(v, 7.0Q));
    EXPECT_EQ(scan(".25", v), 3);
    EXPECT_TRUE(same_bits(v, 0.25Q));
    // The fields of the data file the benchmarks read: six decimals, signs, zeros and ones.
    for (const char* text : {"-1.659076", "0.000000", "1.000000", "-0.005984", "2.072767"}) {
        ASSERT_EQ(scan(text, v), static_cast<int>(std::strlen(text))) << text;
        EXPECT_TRUE(same_bits(v, strtoflt128(text, nullptr))) << text;
    }
}
