// The integer-unit addition and multiplication must give the library's bits on every input: a few
// million random pairs whose exponents are close (cancellation, carries), far apart (sticky
// bits) and at the ends of the range (overflow and underflow handed back), with significands
// ending in long runs of zeros or ones (ties and round-ups), plus the exact cancellations and
// the operands the library takes whole (zeros, subnormals, infinities, NaN). The comparisons
// must order them as the library does. The same holds for the sums and products whose operands
// and results stay taken apart from step to step (a recursion's running values).
#include "numeric/fast_arith.hpp"
#include "numeric/unpacked_arith.hpp"
#include "reference_support.hpp"

#include <gtest/gtest.h>

#include <random>
#include <utility>
#include <vector>

namespace tarvex {
namespace {

using testing::bits_of;
using testing::from_bits;
using testing::pow2;
using testing::u128;

class RandomOperands {
public:
    explicit RandomOperands(std::uint64_t seed) : g_(seed) {}
    // A normal value with its biased exponent within `spread` of 1's, now and then at the
    // ends of the range.
    Real next(int spread) {
        u128 fraction = ((u128(g_()) << 64) | g_()) & limbs::FRACTION_MASK;
        const int shape = int(g_() % 8);
        if (shape == 0) fraction &= ~((u128(1) << (g_() % 112)) - 1); // trailing zeros
        if (shape == 1) fraction |= (u128(1) << (g_() % 112)) - 1;    // trailing ones
        unsigned e = unsigned(16383 + int(g_() % (2 * spread + 1)) - spread);
        if (g_() % 50 == 0) e = 1 + unsigned(g_() % 3);
        if (g_() % 50 == 0) e = 0x7ffe - unsigned(g_() % 3);
        const u128 sign = (g_() & 1) != 0 ? u128(1) << 127 : 0;
        return from_bits(sign | (u128(e) << 112) | fraction);
    }
    std::uint64_t bits() { return g_(); }
    // The i-th pair of a shaped run: exponents close together, 64 binades apart or spread over
    // the range in turn, and now and then a heavy cancellation or values a few ulps apart.
    std::pair<Real, Real> pair(long i) {
        const int spread = i % 3 == 0 ? 2 : i % 3 == 1 ? 130 : 8000;
        const Real a = next(spread);
        Real b = next(spread);
        if (i % 5 == 0) b = -a + next(2) * 1e-20Q * a;               // heavy cancellation
        if (i % 7 == 0) b = -from_bits(bits_of(a) ^ u128(g_() % 8)); // a few ulps apart
        return {a, b};
    }

private:
    std::mt19937_64 g_;
};

TEST(FastArithmetic, RandomPairsGiveTheLibraryBits) {
    RandomOperands r(20261207);
    long add_wrong = 0, multiply_wrong = 0, order_wrong = 0;
    const long pairs = 1000000; // 20,000,000 agreed when the routines were written
    for (long i = 0; i < pairs; ++i) {
        const auto [a, b] = r.pair(i);
        add_wrong += bits_of(fast_add(a, b)) != bits_of(a + b);
        add_wrong += bits_of(fast_subtract(a, b)) != bits_of(a - b);
        multiply_wrong += bits_of(fast_multiply(a, b)) != bits_of(a * b);
        order_wrong += fast_less(a, b) != (a < b) || fast_less(b, a) != (b < a);
    }
    EXPECT_EQ(add_wrong, 0);
    EXPECT_EQ(multiply_wrong, 0);
    EXPECT_EQ(order_wrong, 0);
}

TEST(FastArithmetic, FactorsTakenApartOnceGiveTheLibraryBits) {
    // A recursion's coefficients are taken apart once and multiply every row's operands: each
    // product, in either order, must be the library's a * b, for shaped coefficients and for
    // the ones the library takes whole (zero, subnormal, infinite, NaN, near the range's ends).
    RandomOperands r(20261209);
    const Real inf = __builtin_infq();
    std::vector<Real> factors = {0,   -0.0Q, 1,    -1,       from_bits(u128(777)),
                                 inf, -inf,  0.5Q, 1e-4930Q, 1e4930Q};
    for (int i = 0; i < 40; ++i) factors.push_back(r.next(i % 2 ? 4 : 9000));
    long wrong = 0, nan_wrong = 0;
    for (const Real c : factors) {
        const DecodedFactor cd = decode_multiplier(c);
        for (int i = 0; i < 20000; ++i) {
            const Real x = i % 97 == 0 ? Real(0) : r.next(i % 2 ? 3 : 9000);
            const DecodedFactor xd = decode_multiplier(x);
            const Real library = c * x;
            if (library != library) { // an infinity times zero
                nan_wrong += fast_multiply(cd, xd) == fast_multiply(cd, xd);
                continue;
            }
            wrong += bits_of(fast_multiply(cd, xd)) != bits_of(library);
            wrong += bits_of(fast_multiply(xd, cd)) != bits_of(x * c);
        }
    }
    EXPECT_EQ(wrong, 0);
    EXPECT_EQ(nan_wrong, 0);
    const DecodedFactor nan = decode_multiplier(__builtin_nanq(""));
    EXPECT_NE(fast_multiply(nan, decode_multiplier(2)), fast_multiply(nan, decode_multiplier(2)));
}

TEST(FastArithmetic, ProductsDecidedByTheirLowestBits) {
    // (1 + 2^-112)(1.5 + L 2^-112) = 1.5 + (1.5 + L) 2^-112 + L 2^-224 for L below 2^64: the
    // bit after the 113 kept ones is set, the next 47 are clear, and only L's bits, in the
    // lowest 64 of the 226-bit product, lift it above the tie. L is odd, so the kept bits end in
    // 0: without L the tie would stay where it is; with it the product rounds up.
    std::mt19937_64 gen(31);
    const Real a = from_bits((u128(16383) << 112) | 1); // 1 + 2^-112
    long wrong = 0, above_tie = 0;
    for (int i = 0; i < 20000; ++i) {
        const u128 low = gen() | 1;
        const Real b =
            from_bits((u128(gen() & 1) << 127) | (u128(16383) << 112) | (u128(1) << 111) | low);
        const int shift_a = static_cast<int>(gen() % 200) - 100, shift_b = i % 2 ? 40 : -40;
        const Real x = scalbnq(a, shift_a), y = scalbnq(b, shift_b);
        // Without L 2^-224 the product is the exact tie |b| + 2^-112 + 2^-113.
        const Real tie = (fabsq(b) + pow2(-112)) + pow2(-113);
        const Real library = x * y, with_tie = scalbnq(b < 0 ? -tie : tie, shift_a + shift_b);
        wrong += bits_of(fast_multiply(x, y)) != bits_of(library);
        wrong += bits_of(fast_multiply(y, x)) != bits_of(library);
        above_tie += bits_of(library) != bits_of(with_tie); // L moved the rounding
    }
    EXPECT_EQ(wrong, 0);
    EXPECT_EQ(above_tie, 20000);
}

TEST(FastArithmetic, OperandsTheLibraryTakesWhole) {
    const Real inf = __builtin_infq(), nan = __builtin_nanq("");
    const Real smallest_normal = from_bits(u128(1) << 112);
    const Real subnormal = from_bits(u128(12345));
    const Real largest = from_bits((u128(0x7ffe) << 112) | limbs::FRACTION_MASK);
    const Real values[] = {0,       -0.0Q,    1,         -1.5Q,      inf,
                           -inf,    nan,      subnormal, -subnormal, smallest_normal,
                           largest, -largest, 3.25Q};
    for (const Real a : values)
        for (const Real b : values) {
            const Real sum = a + b, product = a * b;
            if (sum != sum) {
                EXPECT_NE(fast_add(a, b), fast_add(a, b));
            } else {
                EXPECT_EQ(bits_of(fast_add(a, b)), bits_of(sum));
            }
            if (product != product) {
                EXPECT_NE(fast_multiply(a, b), fast_multiply(a, b));
            } else {
                EXPECT_EQ(bits_of(fast_multiply(a, b)), bits_of(product));
            }
            // The comparisons: NaN unordered, -0 equal to +0, infinities at the ends.
            EXPECT_EQ(fast_less(a, b), a < b);
            EXPECT_EQ(fast_is_zero(a), a == 0);
        }
    // Exact cancellation gives +0; a product or sum past the largest value overflows; a
    // product below the smallest normal value is subnormal.
    EXPECT_EQ(bits_of(fast_add(1.75Q, -1.75Q)), bits_of(Real(0)));
    EXPECT_EQ(fast_add(largest, largest), inf);
    EXPECT_EQ(fast_multiply(largest, 2), inf);
    EXPECT_EQ(bits_of(fast_multiply(smallest_normal, 0.5Q)), bits_of(smallest_normal * 0.5Q));
    EXPECT_EQ(bits_of(fast_add(smallest_normal, -from_bits(bits_of(smallest_normal) + 1))),
              bits_of(smallest_normal - from_bits(bits_of(smallest_normal) + 1)));
}

// The library's a + b, but a zero added to a nonzero value leaves that value (its NaN payload
// too), as the unpacked sum does.
Real sum_keeping_zero(Real a, Real b) {
    if (b == 0 && a != 0) return a;
    if (a == 0 && b != 0) return b;
    return a + b;
}

bool same_bits_or_both_nan(Real got, Real want) {
    return want != want ? got != got : bits_of(got) == bits_of(want);
}

TEST(FastArithmetic, UnpackedSumsAndProductsGiveTheLibraryBits) {
    RandomOperands r(20261210);
    const Real inf = __builtin_infq(), nan = __builtin_nanq("");
    const Real smallest_normal = from_bits(u128(1) << 112);
    const Real largest = from_bits((u128(0x7ffe) << 112) | limbs::FRACTION_MASK);
    const Real below_one = from_bits((u128(16382) << 112) | limbs::FRACTION_MASK); // 1 - 2^-113
    const std::vector<Real> special = {0,
                                       -0.0Q,
                                       1,
                                       -1,
                                       inf,
                                       -inf,
                                       nan,
                                       from_bits(u128(12345)),
                                       smallest_normal,
                                       -smallest_normal,
                                       largest,
                                       below_one,
                                       from_bits(bits_of(smallest_normal) | limbs::FRACTION_MASK),
                                       scalbnq(Real(1), 8191),
                                       scalbnq(below_one, -8190)};
    long sum_wrong = 0, product_wrong = 0, round_trip_wrong = 0, chained_wrong = 0;
    auto check = [&](Real a, Real b) {
        const Unpacked ua = unpack_real(a), ub = unpack_real(b);
        round_trip_wrong += bits_of(pack_real(ua)) != bits_of(a);
        sum_wrong +=
            !same_bits_or_both_nan(pack_real(unpacked_sum(ua, ub)), sum_keeping_zero(a, b));
        sum_wrong += !same_bits_or_both_nan(pack_real(unpacked_sum(ua, unpacked_negate(ub))),
                                            sum_keeping_zero(a, -b));
        product_wrong += !same_bits_or_both_nan(pack_real(unpacked_multiply(ua, ub)), a * b);
        // The product as it stays taken apart, as the operand of the next sum and product.
        const Unpacked product = unpacked_multiply(ua, ub);
        chained_wrong += !same_bits_or_both_nan(pack_real(unpacked_sum(product, ub)),
                                                sum_keeping_zero(a * b, b));
        chained_wrong +=
            !same_bits_or_both_nan(pack_real(unpacked_multiply(product, ua)), (a * b) * a);
    };
    for (const Real a : special)
        for (const Real b : special) check(a, b);
    // Products whose round-up carries to the next binade at the ends of the range: (1 - 2^-113)
    // times values just above 1 scaled to the smallest and largest exponents.
    for (int i = 0; i < 2000; ++i) {
        const Real near_one = from_bits((u128(16383) << 112) | u128(r.bits() % 16));
        const int shift = i % 2 ? 16383 - int(r.bits() % 3) : -16381 + int(r.bits() % 3);
        check(below_one, scalbnq(near_one, shift));
    }
    // Products whose round-up carries to the next binade within the range: (1 + j 2^-112) times
    // (2 - 2j 2^-112) is 2 - 2 j^2 2^-224 exactly, which rounds to 2.
    for (int j = 1; j <= 3000; ++j) {
        const Real up = from_bits((u128(16383) << 112) | u128(j));
        const Real down =
            from_bits((u128(16383) << 112) | (limbs::FRACTION_MASK - u128(2 * j - 1)));
        const int shift = int(r.bits() % 400) - 200;
        check(scalbnq(up, shift), j % 2 ? down : -down);
    }
    const long pairs = 600000;
    for (long i = 0; i < pairs; ++i) {
        auto [a, b] = r.pair(i);
        if (i % 11 == 0) b = a; // equal magnitudes
        check(a, b);
    }
    EXPECT_EQ(sum_wrong, 0);
    EXPECT_EQ(product_wrong, 0);
    EXPECT_EQ(round_trip_wrong, 0);
    EXPECT_EQ(chained_wrong, 0);
    // A running value kept taken apart through a recursion, s <- c s + x_t: every step's bits
    // are the library's.
    Real s = 0;
    Unpacked su = unpack_real(s);
    const Real c = -0.7384615384615384615384615384615Q;
    const Unpacked cu = unpack_real(c);
    long chain_wrong = 0;
    for (int t = 0; t < 100000; ++t) {
        const Real xt = t % 1000 == 0 ? Real(0) : r.next(t % 2 ? 3 : 40);
        s = sum_keeping_zero(c * s, xt);
        su = unpacked_sum(unpacked_multiply(cu, su), unpack_real(xt));
        chain_wrong += bits_of(pack_real(su)) != bits_of(s);
    }
    EXPECT_EQ(chain_wrong, 0);
}

} // namespace
} // namespace tarvex
