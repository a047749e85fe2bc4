// Exact decimal digits of binary128 values: the general form against libquadmath's "%.<n>Qg"
// for many values and every digit count, ties to even, the switch between fixed and exponent
// form, and the round-trip text that WRITE puts in data files (33 digits whenever they read back,
// else 36), checked by reading every text back.
#include "numeric/real_digits.hpp"

#include "numeric/decimal.hpp"
#include "reference_support.hpp"

#include <gtest/gtest.h>

#include <cstring>
#include <quadmath.h>
#include <random>

namespace tarvex {
namespace {

using testing::from_bits;
using testing::u128;

std::string library_text(Real value, int digits) {
    char text[128];
    quadmath_snprintf(text, sizeof text, "%.*Qg", digits, value);
    return text;
}

using testing::same_bits;

TEST(RealDigits, GeneralFormByHand) {
    EXPECT_EQ(general_text(0, 33), "0");
    EXPECT_EQ(general_text(-0.0Q, 33), "-0");
    EXPECT_EQ(general_text(0.5Q, 33), "0.5");
    EXPECT_EQ(general_text(-123.456Q, 33), "-123.456");
    EXPECT_EQ(general_text(1e-5Q, 33), "1e-05"); // below 1e-4: exponent form
    EXPECT_EQ(general_text(0.0001Q, 33), "0.0001");
    EXPECT_EQ(general_text(1e32Q, 33), "100000000000000000000000000000000");
    EXPECT_EQ(general_text(1e32Q, 32), "1e+32"); // the exponent reaches the digit count
    EXPECT_EQ(general_text(9.96Q, 2), "10");     // the carry adds a digit before the point
    EXPECT_EQ(general_text(99.96Q, 3), "100");
    EXPECT_EQ(general_text(999.6Q, 3), "1e+03");
    // Exact ties go to the even digit.
    EXPECT_EQ(general_text(0.125Q, 2), "0.12");
    EXPECT_EQ(general_text(0.375Q, 2), "0.38");
    EXPECT_EQ(general_text(2.5Q, 1), "2");
    EXPECT_EQ(general_text(3.5Q, 1), "4");
    EXPECT_EQ(general_text(-1e-60Q, 3), "-1e-60");
}

TEST(RealDigits, GeneralFormAgreesWithTheLibrary) {
    std::mt19937_64 gen(4242);
    const u128 fraction_mask = (u128(1) << 112) - 1;
    int checked = 0;
    for (int n = 0; n < 60000; ++n) {
        Real v;
        switch (n % 4) {
        case 0:
            v = Real(static_cast<long long>(gen() % 2000001) - 1000000) / 1000;
            break;
        case 1:
            v = from_bits((((u128(gen()) << 64) | gen()) & fraction_mask) |
                          (u128(16383 - 240 + gen() % 360) << 112) | (u128(gen() & 1) << 127));
            break;
        case 2:
            v = Real(static_cast<long long>(gen() % 100000)) / Real(1 + gen() % 997);
            break;
        default:
            v = scalbnq(1, static_cast<int>(gen() % 300) - 200);
            break; // powers of two
        }
        const int digits = 1 + static_cast<int>(gen() % 36);
        ASSERT_EQ(general_text(v, digits), library_text(v, digits)) << digits;
        ++checked;
    }
    EXPECT_EQ(checked, 60000);
}

TEST(RealDigits, RoundTripTextReadsBackAndIsShortWhenItCanBe) {
    std::mt19937_64 gen(77);
    const u128 fraction_mask = (u128(1) << 112) - 1;
    int short_ones = 0, long_ones = 0;
    for (int n = 0; n < 40000; ++n) {
        Real v;
        if (n % 3 == 0)
            v = Real(static_cast<long long>(gen() % 2000001) - 1000000) / 1000;
        else if (n % 3 == 1)
            v = scalbnq(1, static_cast<int>(gen() % 300) - 200);
        else
            v = from_bits((((u128(gen()) << 64) | gen()) & fraction_mask) |
                          (u128(16383 - 200 + gen() % 300) << 112));
        const std::string text = round_trip_text(v);
        ASSERT_FALSE(text.empty());
        Real back = 0;
        ASSERT_TRUE(parse_real_field(text, back)) << text;
        ASSERT_TRUE(same_bits(back, v)) << text;
        // 33 digits exactly when the library's 33-digit text reads back.
        Real back33 = 0;
        ASSERT_TRUE(parse_real_field(library_text(v, 33), back33));
        const bool short_form = same_bits(back33, v);
        ASSERT_EQ(text, library_text(v, short_form ? 33 : 36));
        (short_form ? short_ones : long_ones) += 1;
    }
    EXPECT_GT(short_ones, 10000); // both forms were exercised
    EXPECT_GT(long_ones, 5000);
    EXPECT_EQ(round_trip_text(Real(1) / 10), "0.1");
    EXPECT_EQ(round_trip_text(Real(1) / 3), "0.333333333333333333333333333333333317");
    // Outside the range of the digit generator the caller takes the library's route.
    EXPECT_EQ(round_trip_text(1e40Q), "");
    EXPECT_EQ(round_trip_text(FLT128_DENORM_MIN), "");
    EXPECT_EQ(round_trip_text(__builtin_infq()), "");
}

} // namespace
} // namespace tarvex
