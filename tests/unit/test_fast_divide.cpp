// The integer-unit divide must give the library's bits on every input: random operands over the
// whole exponent range, quotients just below one (where the first quotient digit's estimate
// overflows its limb), exact quotients, quotients whose rounding only the final remainder can
// decide, results at the ends of the normal range, and the operands the library takes whole.
#include "numeric/fast_divide.hpp"
#include "reference_support.hpp"

#include <gtest/gtest.h>

#include <random>

namespace tarvex {
namespace {

using testing::bits_of;
using testing::from_bits;
using testing::u128;

// Bit equality with the library's a / b (any NaN equal to any NaN).
::testing::AssertionResult divides_as_library(Real a, Real b) {
    const Real got = fast_divide(a, b), want = a / b;
    if (bits_of(got) == bits_of(want) || (isnanq(got) && isnanq(want)))
        return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure()
           << std::hex << "bits " << std::uint64_t(bits_of(a) >> 64) << ':'
           << std::uint64_t(bits_of(a)) << " / " << std::uint64_t(bits_of(b) >> 64) << ':'
           << std::uint64_t(bits_of(b));
}

u128 random_significand_bits(std::mt19937_64& gen, int bits) {
    const u128 value = (u128(gen()) << 64) | gen();
    return bits <= 0 ? 0 : bits >= 128 ? value : value & ((u128(1) << bits) - 1);
}

// A value with the 113-bit significand `m` (2^112 <= m < 2^113) and biased exponent `e`.
Real operand_from(u128 m, unsigned e, bool negative) {
    return from_bits((u128(negative) << 127) | (u128(e) << 112) | (m & limbs::FRACTION_MASK));
}

TEST(FastDivide, RandomAndShapedQuotientsGiveTheLibraryBits) {
    std::mt19937_64 gen(20261209);
    long checked = 0;
    for (int i = 0; i < 100000; ++i) {
        const u128 hidden = u128(1) << 112;
        u128 ma = hidden | random_significand_bits(gen, 112),
             mb = hidden | random_significand_bits(gen, 112);
        unsigned ea = 16383 + unsigned(gen() % 61) - 30, eb = 16383 + unsigned(gen() % 61) - 30;
        switch (i % 5) {
        case 0: // anywhere in the range, with overflow and underflow handed back
            ea = 1 + unsigned(gen() % 0x7ffe);
            eb = 1 + unsigned(gen() % 0x7ffe);
            break;
        case 1: // a a few units below b: the quotient just under one
            ma = mb - 1 - random_significand_bits(gen, static_cast<int>(gen() % 64));
            if (ma < hidden) ma = hidden;
            break;
        case 2: { // an exact quotient: a = q b with q and b short enough for the product to fit
            const u128 q =
                (u128(1) << 56) | random_significand_bits(gen, 54); // both below 1.25 2^56
            const u128 b_short = (u128(1) << 56) | random_significand_bits(gen, 54);
            ma = q * b_short;
            mb = b_short << 56;
            break;
        }
        case 3: // a long run of zeros or ones in the significands
            ma = hidden |
                 (gen() & 1 ? random_significand_bits(gen, 20) : (hidden - 1) >> (gen() % 30));
            mb = hidden | (gen() & 1 ? random_significand_bits(gen, 20) << 90
                                     : (hidden - 1) >> (gen() % 30));
            break;
        default: // the ends of the range
            ea = gen() & 1 ? 1 + unsigned(gen() % 200) : 0x7ffe - unsigned(gen() % 200);
            eb = gen() & 1 ? 16383 + unsigned(gen() % 200) : 16383 - unsigned(gen() % 200);
            break;
        }
        const Real a = operand_from(ma, ea, gen() & 1), b = operand_from(mb, eb, gen() & 1);
        ASSERT_TRUE(divides_as_library(a, b));
        ++checked;
    }
    EXPECT_EQ(checked, 100000);
}

TEST(FastDivide, TheRemainderAloneDecidesTheRounding) {
    // A / B = (Q + d / B) 2^-113 with Q odd and of 114 bits and d a small positive integer: the
    // quotient's bit after its 113 kept bits is one, the next ~90 are zero, and only the nonzero
    // remainder d makes it round up instead of to even. A is found as d 2^-113 modulo B.
    std::mt19937_64 gen(77);
    int made = 0;
    for (int attempt = 0; attempt < 200000 && made < 4000; ++attempt) {
        const u128 mb =
            (u128(1) << 112) | random_significand_bits(gen, 112) | 1; // odd: 2 has an inverse
        u128 inverse = 1;                                             // 2^-113 modulo B
        for (int k = 0; k < 113; ++k)
            inverse = (inverse & 1) ? (inverse >> 1) + (mb >> 1) + 1 : inverse >> 1;
        const u128 d = 1 + random_significand_bits(gen, 20);
        u128 ma = 0; // d * inverse modulo B, by doubling
        for (int k = 20; k >= 0; --k) {
            ma = ma << 1;
            if (ma >= mb) ma -= mb;
            if ((d >> k) & 1) {
                ma += inverse;
                if (ma >= mb) ma -= mb;
            }
        }
        ma += mb; // into [B, 2B): the quotient in [1, 2)
        if (ma >> 113 != 0) continue;
        // Q = (A 2^113 - d) / B must be odd; its parity is that of (A 2^113 - d) / B mod 2,
        // which for odd B is (-d) B^-1 mod 2 = d mod 2.
        if ((d & 1) == 0) continue;
        ++made;
        const unsigned eb = 16383 + unsigned(gen() % 101) - 50;
        const Real a = operand_from(ma, 16383, gen() & 1), b = operand_from(mb, eb, gen() & 1);
        ASSERT_TRUE(divides_as_library(a, b));
        // Against the exact check: the result r is the rounded-up quotient, so r b > a.
        const Real r = fast_divide(fabsq(a), fabsq(b));
        ASSERT_GT(fmaq(r, fabsq(b), -fabsq(a)), 0);
    }
    EXPECT_EQ(made, 4000);
}

TEST(FastDivide, OperandsTheLibraryTakesWhole) {
    const Real inf = __builtin_infq(), nan = __builtin_nanq("");
    const Real smallest_normal = from_bits(u128(1) << 112);
    const Real subnormal = from_bits(u128(12345));
    const Real largest = from_bits((u128(0x7ffe) << 112) | limbs::FRACTION_MASK);
    const Real values[] = {0, -0.0Q,           1,         -1.5Q,    inf,     -inf, nan,
                           3, smallest_normal, subnormal, -largest, largest, 0.1Q, -7.25Q};
    for (const Real a : values)
        for (const Real b : values) ASSERT_TRUE(divides_as_library(a, b));
    // Quotients that overflow, underflow into the subnormals, or land on the largest value and
    // the smallest normal value.
    EXPECT_EQ(fast_divide(largest, 0.5Q), inf);
    EXPECT_TRUE(divides_as_library(smallest_normal, 3));
    EXPECT_TRUE(divides_as_library(smallest_normal, 1 + 1e-30Q));
    EXPECT_EQ(bits_of(fast_divide(largest, 1)), bits_of(largest));
    EXPECT_EQ(bits_of(fast_divide(smallest_normal * 4, 4)), bits_of(smallest_normal));
    // 1/3 and 2/3: the fraction 0101...01, the next bit 0; 1/10 is the literal's value.
    EXPECT_EQ(bits_of(fast_divide(1, 3)), (u128(0x3ffd555555555555) << 64) | 0x5555555555555555);
    EXPECT_EQ(bits_of(fast_divide(2, 3)), (u128(0x3ffe555555555555) << 64) | 0x5555555555555555);
    EXPECT_EQ(bits_of(fast_divide(1, 10)), bits_of(0.1Q));
}

} // namespace
} // namespace tarvex
