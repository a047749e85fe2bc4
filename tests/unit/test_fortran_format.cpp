// Exact field text of the Fortran edit descriptors. Each expected string was worked out by hand
// from the exact binary128 value of the literal (its full decimal expansion noted where it decides
// the rounding).
#include "numeric/fitted_fields.hpp"
#include "numeric/fortran_format.hpp"

#include <gtest/gtest.h>

#include <climits>
#include <string>

namespace tarvex {
namespace {

const Real INF = __builtin_infq();
const Real NAN_VALUE = __builtin_nanq("");

struct IntCase {
    long long value;
    int w, m;
    const char* expected;
};

TEST(FortranFormat, IntegerFields) {
    const IntCase cases[] = {
        {42, 5, -1, "   42"},
        {-42, 5, -1, "  -42"},
        {0, 1, -1, "0"},
        {1234, 3, -1, "***"}, // too many digits
        {-100, 3, -1, "***"}, // the sign does not fit
        {-100, 4, -1, "-100"},
        {-5, 6, 3, "  -005"}, // Iw.m: at least m digits
        {12345, 6, 3, " 12345"},
        {0, 4, 0, "    "}, // Iw.0 of zero: all blanks
        {7, 4, 0, "   7"},
        {99, 3, 4, "***"},   // m digits wider than the field
        {-12, 0, -1, "-12"}, // I0: minimal width
        {LLONG_MIN, 21, -1, " -9223372036854775808"},
        {LLONG_MAX, 19, -1, "9223372036854775807"},
    };
    for (const IntCase& c : cases)
        EXPECT_EQ(fmt_I(c.value, c.w, c.m), c.expected)
            << "I" << c.w << "." << c.m << " of " << c.value;
}

struct RealCase {
    Real value;
    int w, d;
    const char* expected;
};

TEST(FortranFormat, FixedLeadingZeroSignAndWidth) {
    const RealCase cases[] = {
        {0.5Q, 4, 3, ".500"}, // one short: the zero before the point is dropped
        {0.5Q, 5, 3, "0.500"},
        {0.5Q, 6, 3, " 0.500"},
        {0.5Q, 3, 3, "***"},
        {-0.5Q, 5, 3, "-.500"},
        {-0.5Q, 6, 3, "-0.500"},
        {-0.5Q, 4, 3, "****"},
        {0.0Q, 5, 2, " 0.00"},
        {0.0Q, 3, 2, ".00"},
        {-0.0Q, 5, 2, "-0.00"},   // negative zero keeps its sign
        {-0.001Q, 5, 2, "-0.00"}, // a negative value rounding to zero keeps its sign
        {-0.001Q, 4, 2, "-.00"},
        {0.3Q, 2, 0, "0."}, // d = 0: the zero is the only digit and is always written
        {0.3Q, 1, 0, "*"},
        {123456.7Q, 8, 1, "123456.7"},
        {123456.7Q, 7, 1, "*******"},
        {-123456.7Q, 9, 1, "-123456.7"},
        {42.0Q, 0, 2, "42.00"}, // F0.d: minimal width
        {1e4000Q, 10, 2, "**********"},
        {6.5e-4966Q, 10, 2, "      0.00"}, // subnormal
        {-6.5e-4966Q, 6, 2, " -0.00"},
    };
    for (const RealCase& c : cases)
        EXPECT_EQ(fmt_F(c.value, c.w, c.d), c.expected) << "F" << c.w << "." << c.d;
}

TEST(FortranFormat, FixedRoundingOnTheExactBinaryValue) {
    const RealCase cases[] = {
        // Carries through every digit.
        {9.9999Q, 6, 2, " 10.00"},
        {9.99999Q, 8, 4, " 10.0000"},
        {99.96Q, 5, 1, "100.0"},
        {99.96Q, 4, 1, "****"}, // the carry makes it too wide
        {0.996Q, 4, 2, "1.00"},
        // Exact binary halfway cases: ties to even.
        {0.125Q, 5, 2, " 0.12"},
        {0.375Q, 5, 2, " 0.38"},
        {2.5Q, 3, 0, " 2."},
        {3.5Q, 3, 0, " 4."},
        {0.5Q, 2, 0, "0."},
        {1.5Q, 2, 0, "2."},
        {0.96875Q, 6, 4, "0.9688"},
        {-0.125Q, 5, 2, "-0.12"},
        // Decimal literals that look halfway but are not in binary:
        // 9.99995Q = 9.99994999999999999999999999999999942..., 0.15Q = 0.149999...99995185...,
        // 0.35Q = 0.3499999...99998074..., 0.1Q = 0.1000...00004814...
        {9.99995Q, 8, 4, "  9.9999"},
        {0.15Q, 4, 1, " 0.1"},
        {0.35Q, 4, 1, " 0.3"},
        // All the binary digits: 1/3 = 0.33333333333333333333333333333333331728391713...
        {1.0Q / 3, 45, 40, "   0.3333333333333333333333333333333333172839"},
        {0.1Q, 42, 40, "0.1000000000000000000000000000000000048148"},
        {2.0Q / 3, 42, 40, "0.6666666666666666666666666666666666345678"},
        // 2**113 is exact and has 35 digits.
        {10384593717069655257060992658440192.0Q, 37, 1, "10384593717069655257060992658440192.0"},
    };
    for (const RealCase& c : cases)
        EXPECT_EQ(fmt_F(c.value, c.w, c.d), c.expected) << "F" << c.w << "." << c.d;
}

TEST(FortranFormat, InfinityAndNaNInEveryNumericForm) {
    EXPECT_EQ(fmt_F(INF, 8, 2), "Infinity");
    EXPECT_EQ(fmt_F(INF, 10, 2), "  Infinity");
    EXPECT_EQ(fmt_F(INF, 7, 2), "    Inf");
    EXPECT_EQ(fmt_F(INF, 3, 1), "Inf");
    EXPECT_EQ(fmt_F(INF, 2, 0), "**");
    EXPECT_EQ(fmt_F(-INF, 9, 2), "-Infinity");
    EXPECT_EQ(fmt_F(-INF, 8, 2), "    -Inf");
    EXPECT_EQ(fmt_F(-INF, 4, 2), "-Inf");
    EXPECT_EQ(fmt_F(-INF, 3, 2), "***");
    EXPECT_EQ(fmt_F(NAN_VALUE, 5, 2), "  NaN");
    EXPECT_EQ(fmt_F(NAN_VALUE, 2, 1), "**");
    EXPECT_EQ(fmt_E(INF, 10, 3), "  Infinity");
    EXPECT_EQ(fmt_E(-INF, 6, 3), "  -Inf");
    EXPECT_EQ(fmt_E(NAN_VALUE, 10, 3), "       NaN");
    EXPECT_EQ(fmt_G(INF, 12, 4), "    Infinity");
    EXPECT_EQ(fmt_G(NAN_VALUE, 12, 4), "         NaN");
}

struct ExpCase {
    Real value;
    int w, d, e;
    char letter;
    const char* expected;
};

TEST(FortranFormat, ExponentFields) {
    const ExpCase cases[] = {
        {1234.5Q, 12, 4, 0, 'E', "  0.1234E+04"}, // exact tie, 4 is even
        {1235.5Q, 12, 4, 0, 'E', "  0.1236E+04"}, // exact tie, 5 is odd
        {0.0Q, 10, 3, 0, 'E', " 0.000E+00"},
        {-0.0Q, 10, 3, 0, 'E', "-0.000E+00"},
        {1.0Q, 9, 3, 0, 'E', "0.100E+01"},
        {1.0Q, 8, 3, 0, 'E', ".100E+01"}, // no room for the zero
        {1.0Q, 7, 3, 0, 'E', "*******"},
        {-1.0Q, 9, 3, 0, 'E', "-.100E+01"},
        {-1.0Q, 10, 3, 0, 'E', "-0.100E+01"},
        {9.9996Q, 10, 3, 0, 'E', " 0.100E+02"}, // carry raises the exponent
        {0.000123456Q, 12, 3, 0, 'E', "   0.123E-03"},
        // Two-, three- and four-digit exponents; the letter goes when the exponent needs 3 or 4.
        {9.99e98Q, 12, 4, 0, 'E', "  0.9990E+99"},
        {1e99Q, 12, 4, 0, 'E', "  0.1000+100"},
        {1e100Q, 12, 4, 0, 'E', "  0.1000+101"},
        {1e-100Q, 12, 4, 0, 'E', "  0.1000E-99"},
        {1e-101Q, 12, 4, 0, 'E', "  0.1000-100"},
        {1e4000Q, 12, 4, 0, 'E', " 0.1000+4001"},
        {-1e4000Q, 12, 4, 0, 'E', "-0.1000+4001"},
        {1e-4000Q, 12, 4, 0, 'E', " 0.1000-3999"},
        {1.18973149535723176508575932662800702e4932Q, 14, 6, 0, 'E', " 0.118973+4933"},
        {6.475175119438025110924438958227646552e-4966Q, 12, 3, 0, 'E', "  0.648-4965"},
        // Ee: the letter, the sign and exactly e digits; asterisks when the exponent needs more.
        {1.5e5Q, 12, 4, 3, 'E', " 0.1500E+006"},
        {1e-5Q, 10, 3, 1, 'E', "  0.100E-4"},
        {1e100Q, 12, 4, 2, 'E', "************"},
        {1e4000Q, 12, 4, 4, 'E', "0.1000E+4001"},
        // Dw.d.
        {1.5e5Q, 12, 4, 0, 'D', "  0.1500D+06"},
        {-2.25Q, 10, 2, 0, 'D', " -0.22D+01"}, // exact tie 22|5 to even
    };
    for (const ExpCase& c : cases)
        EXPECT_EQ(fmt_E(c.value, c.w, c.d, c.e, c.letter), c.expected)
            << c.letter << c.w << "." << c.d << "E" << c.e;
    EXPECT_EQ(fmt_E(1.0Q, 8, 0), "********"); // Ew.0 is not a valid field
    // 1/3 to 36 digits: 0.333333333333333333333333333333333317 (next digit 2).
    EXPECT_EQ(fmt_E(1.0Q / 3, 42, 36), "0.333333333333333333333333333333333317E+00");
}

struct GCase {
    Real value;
    int w, d, e;
    const char* expected;
};

TEST(FortranFormat, GeneralFieldSwitchesAtFortranBoundaries) {
    const GCase cases[] = {
        // Lower boundary 0.1 - 0.5e-4 = 0.09995 for d = 3.
        {0.09999999Q, 10, 3, 0, " 0.100    "}, // rounds up to 0.100: fixed form
        {0.09995Q, 10, 3, 0, " 0.100    "},    // binary value 0.0999500...0057 lies above
        {0.0999Q, 10, 3, 0, " 0.999E-01"},
        {0.5Q, 10, 3, 0, " 0.500    "},
        {1.0Q, 10, 3, 0, "  1.00    "},
        {99.25Q, 10, 3, 0, "  99.2    "}, // exact tie to even
        {99.95Q, 10, 3, 0, "  100.    "}, // binary value 99.95000...0025 rounds to 100.
        {999.4Q, 10, 3, 0, "  999.    "},
        // Upper boundary 10**3 - 0.5.
        {999.5Q, 10, 3, 0, " 0.100E+04"}, // exact tie rounds to 1000: exponent form
        {999.6Q, 10, 3, 0, " 0.100E+04"},
        {-999.6Q, 10, 3, 0, "-0.100E+04"},
        {123456.0Q, 10, 3, 0, " 0.123E+06"},
        {0.0Q, 10, 3, 0, "  0.00    "}, // zero: F(w-4).(d-1)
        {-0.0Q, 10, 3, 0, " -0.00    "},
        {1.0Q / 3, 12, 5, 0, " 0.33333    "},
        {-2.0Q / 3, 12, 5, 0, "-0.66667    "},
        {1e-300Q, 12, 4, 0, "  0.1000-299"},
        // Gw.dEe leaves e+2 blanks after the fixed form and uses Ew.dEe otherwise.
        {1.5Q, 12, 3, 3, "   1.50     "},
        {1.5e10Q, 12, 3, 3, "  0.150E+011"},
        // A fixed form that does not fit fills the whole field.
        {1.5Q, 5, 3, 0, "*****"},
        {-0.5Q, 8, 3, 0, "********"},
    };
    for (const GCase& c : cases)
        EXPECT_EQ(fmt_G(c.value, c.w, c.d, c.e), c.expected)
            << "G" << c.w << "." << c.d << "E" << c.e;
}

TEST(FortranFormat, CharacterAndBlankFields) {
    EXPECT_EQ(fmt_A("HELLO", 3), "HEL");
    EXPECT_EQ(fmt_A("HELLO", 5), "HELLO");
    EXPECT_EQ(fmt_A("HI", 5), "   HI");
    EXPECT_EQ(fmt_A("", 3), "   ");
    EXPECT_EQ(fmt_A("HI", 0), "");
    EXPECT_EQ(fmt_X(3), "   ");
    EXPECT_EQ(fmt_X(0), "");
}

// The fields of the system's own report layouts: a value that would fill a Fortran field with
// "*" keeps its digits (a chi-square of a million rows, degrees of freedom past 99,999).
TEST(FortranFormat, FittedFieldsNeverLoseANumber) {
    EXPECT_EQ(fmt_F_fitted(12.5Q, 10, 4), "   12.5000"); // fits: the Fortran field itself
    EXPECT_EQ(fmt_F_fitted(639999.375Q, 10, 4), "639999.375");
    EXPECT_EQ(fmt_F_fitted(6399999.375Q, 10, 4), "6399999.38");
    EXPECT_EQ(fmt_F_fitted(123456789.5Q, 10, 4), "123456790."); // rounds to even at 0 decimals
    EXPECT_EQ(fmt_F_fitted(1.5e12Q, 10, 4), "0.1500E+13");
    EXPECT_EQ(fmt_F_fitted(-1.5e12Q, 10, 4), "-.1500E+13");
    EXPECT_EQ(fmt_F_fitted(2.5e300Q, 10, 4), ".2500E+301");
    EXPECT_EQ(fmt_F_fitted(5.125e4000Q, 12, 4), ".51250E+4001");
    EXPECT_EQ(fmt_I_fitted(99999, 5), "99999");
    EXPECT_EQ(fmt_I_fitted(119998, 5), "119998");
    EXPECT_EQ(fmt_I_fitted(-1000000, 5), "-1000000");
    EXPECT_EQ(fmt_I_fitted(42, 5), "   42");
}

} // namespace
} // namespace tarvex
