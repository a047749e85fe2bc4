// The expression language's elementary and special functions and the normal quantile, checked
// against mpmath's values rounded to binary128 on a table of hard cases (next to multiples of
// pi/2, the far tail of erfc, the poles of gamma, probabilities near 0, 1/2 and 1): every result
// must be the nearest binary128 number or its neighbour. Also the identities a user relies on
// (exact values, symmetries) and the domain answers.
#include "numeric/distributions.hpp"
#include "numeric/elementary_functions.hpp"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <string>

namespace tarvex {
namespace {

struct HardCase {
    const char* function;
    std::uint64_t x_high, x_low, expected_high, expected_low;
};

const HardCase HARD_CASES[] = {
#include "elementary_hard_cases.inc"
};

using Bits = unsigned __int128;

Real from_bits(std::uint64_t high, std::uint64_t low) {
    const Bits b = (Bits(high) << 64) | low;
    Real v;
    std::memcpy(&v, &b, sizeof v);
    return v;
}

// Position of a finite value on the line of binary128 numbers: neighbours differ by one.
__int128 ordinal(Real v) {
    Bits b;
    std::memcpy(&b, &v, sizeof b);
    const Bits magnitude = b & ~(Bits(1) << 127);
    return (b >> 127) ? -static_cast<__int128>(magnitude) : static_cast<__int128>(magnitude);
}

Real evaluate(const std::string& f, Real x) {
    if (f == "cos") return elem::cos(x);
    if (f == "tan") return elem::tan(x);
    if (f == "atan") return elem::atan(x);
    if (f == "asin") return elem::asin(x);
    if (f == "acos") return elem::acos(x);
    if (f == "sinh") return elem::sinh(x);
    if (f == "cosh") return elem::cosh(x);
    if (f == "tanh") return elem::tanh(x);
    if (f == "erf") return elem::erf(x);
    if (f == "erfc") return elem::erfc(x);
    if (f == "gamma") return elem::gamma(x);
    if (f == "log10") return elem::log10(x);
    if (f == "ncdf") return dist::normal_lower(x);
    if (f == "invncdf") return dist::normal_quantile(x);
    ADD_FAILURE() << "no function " << f;
    return 0;
}

std::string text(Real v) {
    char buffer[64];
    quadmath_snprintf(buffer, sizeof buffer, "%.36Qe", v);
    return buffer;
}

TEST(ElementaryFunctions, HardCasesWithinOneUnitOfMpmath) {
    int checked = 0;
    for (const HardCase& c : HARD_CASES) {
        const Real x = from_bits(c.x_high, c.x_low);
        const Real expected = from_bits(c.expected_high, c.expected_low);
        const Real got = evaluate(c.function, x);
        const __int128 off = ordinal(got) - ordinal(expected);
        EXPECT_TRUE(off >= -1 && off <= 1)
            << c.function << "(" << text(x) << ") = " << text(got) << ", nearest is "
            << text(expected) << " (" << static_cast<long long>(off) << " units off)";
        ++checked;
    }
    EXPECT_GE(checked, 200);
}

TEST(ElementaryFunctions, ExactValuesAndSymmetries) {
    EXPECT_TRUE(elem::cos(0) == 1);
    EXPECT_TRUE(elem::tan(0) == 0);
    EXPECT_TRUE(elem::gamma(1) == 1 && elem::gamma(2) == 1);
    // Whole factorials (20! and 30! have few enough bits to be exact in binary128).
    EXPECT_TRUE(elem::gamma(21) == 2432902008176640000.0Q) << text(elem::gamma(21));
    EXPECT_TRUE(elem::gamma(31) == 265252859812191058636308480000000.0Q) << text(elem::gamma(31));
    Real power = 1;
    for (int k = 0; k <= 40; ++k, power *= 10) EXPECT_TRUE(elem::log10(power) == k) << k;
    EXPECT_TRUE(elem::erf(0) == 0 && elem::erfc(0) == 1);
    const Real xs[] = {0.1Q, 0.75Q, 2.5Q, 7.25Q, 30};
    for (Real x : xs) {
        EXPECT_TRUE(elem::erf(-x) == -elem::erf(x)) << text(x);
        EXPECT_TRUE(elem::tanh(-x) == -elem::tanh(x)) << text(x);
        EXPECT_TRUE(elem::sinh(-x) == -elem::sinh(x)) << text(x);
        EXPECT_TRUE(elem::cosh(-x) == elem::cosh(x)) << text(x);
        EXPECT_TRUE(elem::atan(-x) == -elem::atan(x)) << text(x);
        // The quantile undoes the distribution function to the digits the rounded p keeps.
        const Real back = dist::normal_quantile(dist::normal_lower(-x));
        EXPECT_TRUE(fabsq(back + x) <= 1e-31Q * x) << text(x) << " " << text(back);
    }
    EXPECT_TRUE(dist::normal_quantile(0.5Q) == 0);
    EXPECT_TRUE(dist::normal_quantile(0.25Q) == -dist::normal_quantile(0.75Q));
}

TEST(ElementaryFunctions, DomainAndRangeEnds) {
    EXPECT_TRUE(isnanq(elem::asin(1.0000000001Q)) && isnanq(elem::acos(-2)));
    EXPECT_TRUE(isnanq(elem::gamma(0)) && isnanq(elem::gamma(-3)));
    EXPECT_TRUE(isinfq(elem::gamma(1756)) && isinfq(elem::sinh(11400)));
    EXPECT_TRUE(elem::sinh(11357) > 0 && !isinfq(elem::sinh(11357))); // e^x/2 still finite
    EXPECT_TRUE(isnanq(elem::log10(-1)));
    EXPECT_TRUE(elem::erfc(200) == 0 && elem::erfc(-200) == 2);
    EXPECT_TRUE(elem::tanh(100) == 1 && elem::tanh(-100) == -1);
    EXPECT_TRUE(isinfq(dist::normal_quantile(0)) && dist::normal_quantile(1) > 0);
    EXPECT_TRUE(isnanq(dist::normal_quantile(-0.5Q)));
}

} // namespace
} // namespace tarvex
