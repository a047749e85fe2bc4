// The exact dot product: cancellation that the plain loop loses, round-to-nearest-even at exact
// ties with and without sticky bits, subnormal and overflowing results, intermediate products
// beyond the binary128 range, order independence, and IEEE behaviour of NaN and infinity; block
// products on a common scale per column give the same exact sums; copies of an accumulator.
#include "numeric/exact_dot.hpp"

#include "numeric/exact_block_products.hpp"

#include "numeric/decimal.hpp"

#include "reference_support.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <random>
#include <vector>

namespace tarvex {
namespace {

using testing::pow2;

using testing::bits_equal;

Real dot(std::vector<Real> a, std::vector<Real> b) {
    return exact_dot(a.data(), b.data(), a.size());
}

TEST(ExactDot, CancellationTheLoopLoses) {
    // x = 1 + 2^-112: x*x = 1 + 2^-111 + 2^-224, so x*x - (1 + 2^-111) is exactly 2^-224.
    const Real x = 1 + pow2(-112);
    EXPECT_TRUE(bits_equal(dot({x, 1 + pow2(-111)}, {x, -1}), pow2(-224)));
    // A huge product, a small one, the huge one taken away: the small one survives.
    EXPECT_TRUE(bits_equal(dot({1e200Q, 3, -1e200Q}, {7e100Q, 0.25Q, 7e100Q}), 0.75Q));
    // Products beyond the binary128 range cancel exactly.
    EXPECT_TRUE(bits_equal(dot({1e4000Q, 1, -1e4000Q}, {1e4000Q, 2, 1e4000Q}), 2));
    // Nothing left at all is +0.
    EXPECT_TRUE(bits_equal(dot({5, -5}, {3, 3}), 0));
    EXPECT_TRUE(bits_equal(dot({}, {}), 0));
}

TEST(ExactDot, RoundsToNearestEvenOnce) {
    // 1 + 2^-113 is halfway between 1 and 1 + 2^-112: ties go to the even 1.
    EXPECT_TRUE(bits_equal(dot({1, pow2(-113)}, {1, 1}), 1));
    // (1 + 2^-112) + 2^-113 is halfway to 1 + 2^-111, which is even.
    EXPECT_TRUE(bits_equal(dot({1 + pow2(-112), pow2(-113)}, {1, 1}), 1 + pow2(-111)));
    // Anything beyond the half, however far down, rounds up; the sign is symmetric.
    EXPECT_TRUE(bits_equal(dot({1, pow2(-113), pow2(-900)}, {1, 1, 1}), 1 + pow2(-112)));
    EXPECT_TRUE(bits_equal(dot({-1, pow2(-113), pow2(-900)}, {1, -1, -1}), -(1 + pow2(-112))));
    // Just below the half rounds down.
    EXPECT_TRUE(bits_equal(dot({1, pow2(-113), -pow2(-900)}, {1, 1, 1}), 1));
    // Rounding up can carry into the next binade: (2 - 2^-112) + 2^-113 rounds to 2.
    EXPECT_TRUE(bits_equal(dot({2 - pow2(-112), pow2(-113)}, {1, 1}), 2));
}

TEST(ExactDot, SubnormalAndOverflowingResults) {
    const Real smallest = pow2(-16494);
    EXPECT_TRUE(bits_equal(dot({pow2(-16000)}, {pow2(-494)}), smallest));
    // 1.5 times the smallest subnormal: tie between 1 and 2 units, even is 2.
    EXPECT_TRUE(bits_equal(dot({3 * pow2(-8000)}, {pow2(-8495)}), 2 * smallest));
    // Half a unit ties to 0; a little more goes to one unit.
    EXPECT_TRUE(bits_equal(dot({pow2(-8000)}, {pow2(-8495)}), 0));
    EXPECT_TRUE(bits_equal(dot({pow2(-8000), pow2(-9000)}, {pow2(-8495), pow2(-8000)}), smallest));
    // A subnormal sum near the normal range keeps every bit it can.
    const Real normal_min = pow2(-16382);
    EXPECT_TRUE(bits_equal(dot({normal_min, -smallest}, {1, 1}), normal_min - smallest));
    // Sums too large for binary128 are infinite with their sign.
    EXPECT_TRUE(bits_equal(dot({1e4000Q, 1e4000Q}, {1e4000Q, 1e4000Q}), __builtin_infq()));
    EXPECT_TRUE(bits_equal(dot({-1e3000Q}, {1e3000Q}), -__builtin_infq()));
    const Real largest = (2 - pow2(-112)) * pow2(16383);
    EXPECT_TRUE(bits_equal(dot({largest, -largest, largest}, {1, 1, 1}), largest));
}

TEST(ExactDot, RandomSumsWithAKnownAnswerInAnyOrder) {
    // Pairs a*b and (-a)*b over the whole exponent range, shuffled, plus one term t: the exact
    // sum is t. Every carry and borrow across limbs is exercised.
    std::mt19937_64 rng(20261206);
    for (int trial = 0; trial < 50; ++trial) {
        std::vector<Real> a, b;
        for (int i = 0; i < 200; ++i) {
            const Real mantissa = Real(rng() >> 11) / pow2(53) + Real(rng() >> 11) / pow2(106);
            const Real x = scalbnq(1 + mantissa, static_cast<int>(rng() % 32000) - 16000);
            const Real y = scalbnq(1 + mantissa / 3, static_cast<int>(rng() % 32000) - 16000);
            a.push_back(x);
            b.push_back(y);
            a.push_back(-x);
            b.push_back(y);
        }
        const Real t = scalbnq(Real(rng() >> 3) / pow2(61), static_cast<int>(rng() % 200) - 100);
        a.push_back(t);
        b.push_back(1);
        std::vector<int> order(a.size());
        for (std::size_t i = 0; i < order.size(); ++i) order[i] = static_cast<int>(i);
        std::shuffle(order.begin(), order.end(), rng);
        std::vector<Real> a2, b2;
        for (int i : order) {
            a2.push_back(a[i]);
            b2.push_back(b[i]);
        }
        EXPECT_TRUE(bits_equal(dot(a2, b2), t)) << "trial " << trial;
    }
    // Integer data small enough that the plain loop is exact: both agree bit for bit.
    for (int trial = 0; trial < 50; ++trial) {
        std::vector<Real> a, b;
        Real plain = 0;
        for (int i = 0; i < 300; ++i) {
            a.push_back(Real(static_cast<long long>(rng() % (1ULL << 48)) - (1LL << 47)));
            b.push_back(Real(static_cast<long long>(rng() % (1ULL << 48)) - (1LL << 47)));
            plain += a.back() * b.back();
        }
        EXPECT_TRUE(bits_equal(dot(a, b), plain));
        EXPECT_TRUE(bits_equal(exact_sum_of_squares(a.data(), a.size()), dot(a, a)));
    }
}

TEST(ExactDot, LongSumsCarryAndChangeSignWithoutLosingBits) {
    // 4096 copies of the largest significand, 2 - 2^-112: exactly 2^13 - 2^-100, which needs all
    // 113 bits; every addition carries across limbs.
    const Real all_ones = 2 - pow2(-112);
    std::vector<Real> many(4096, all_ones), ones(4096, 1);
    EXPECT_TRUE(bits_equal(dot(many, ones), pow2(13) - pow2(-100)));
    // A running sum that changes sign at every step, far above the one term that survives, and
    // one accumulator used for sums of very different magnitudes in turn.
    ExactAccumulator sum;
    for (int scale : {0, 9000, -9000, 16000}) {
        sum.clear();
        for (int i = 0; i < 1000; ++i) {
            sum.add_product(all_ones, pow2(scale + i % 7));
            sum.add_product(-all_ones, pow2(scale + i % 7));
            sum.add_product(-all_ones, pow2(scale + i % 5));
            sum.add_product(all_ones, pow2(scale + i % 5));
        }
        sum.add(pow2(-200));
        EXPECT_TRUE(bits_equal(sum.result(), pow2(-200))) << "scale " << scale;
    }
}

TEST(ExactDot, SumsOfValuesAndOfArraysOfProducts) {
    // 1e30 + 1 - 1e30 is 1; the loop gives 0. Many tiny terms under a large one are kept too.
    const Real cancel[] = {1e30Q, 1, -1e30Q};
    EXPECT_TRUE(bits_equal(exact_sum(cancel, 3), 1));
    std::vector<Real> tiny(1024, pow2(-120));
    tiny.push_back(1);
    EXPECT_TRUE(bits_equal(exact_sum(tiny.data(), tiny.size()), 1 + pow2(-110)));
    EXPECT_TRUE(bits_equal(exact_sum(nullptr, 0), 0));
    // add_values and add_products add to what the accumulator holds.
    ExactAccumulator sum;
    const Real a[] = {3, -2}, b[] = {5, 7};
    sum.add_values(a, 2);      // 1
    sum.add_products(a, b, 2); // + 15 - 14
    sum.add(pow2(-200));
    EXPECT_TRUE(bits_equal(sum.result(), 2 + pow2(-200)));
}

TEST(ExactDot, DecodedFactorsGiveTheSameSums) {
    // Factors taken apart once and reused: the same exact sums as from the values, with zeros,
    // subnormals, both signs and cancelling pairs among them; infinities and NaNs are refused.
    std::mt19937_64 gen(5);
    for (int trial = 0; trial < 3000; ++trial) {
        const std::size_t n = gen() % 24;
        std::vector<Real> a(n), b(n);
        std::vector<ExactAccumulator::Factor> fa(n), fb(n);
        for (std::size_t i = 0; i < n; ++i) {
            a[i] = scalbnq(1 + Real(gen() >> 11) * pow2(-53), static_cast<int>(gen() % 400) - 200);
            b[i] = scalbnq(1 + Real(gen() >> 12) * pow2(-52), static_cast<int>(gen() % 60) - 30);
            if (gen() & 1) b[i] = -b[i];
            if (gen() % 11 == 0) a[i] = 0;
            if (gen() % 17 == 0) a[i] = pow2(-16440) * Real(gen() % 1000); // subnormal products
            if (i > 0 && gen() % 4 == 0) a[i] = -a[i - 1], b[i] = b[i - 1];
            ASSERT_TRUE(ExactAccumulator::decode(a[i], fa[i]));
            ASSERT_TRUE(ExactAccumulator::decode(b[i], fb[i]));
        }
        ExactAccumulator from_values, from_factors;
        from_values.add_products(a.data(), b.data(), n);
        from_factors.add_decoded_products(fa.data(), fb.data(), n);
        ASSERT_TRUE(bits_equal(from_factors.result(), from_values.result())) << "trial " << trial;
    }
    ExactAccumulator::Factor unused;
    EXPECT_FALSE(ExactAccumulator::decode(__builtin_infq(), unused));
    EXPECT_FALSE(ExactAccumulator::decode(nanq(""), unused));
}

TEST(ExactDot, BlockProductsOnACommonScaleGiveTheSameSums) {
    // Blocks as the cross-product kernels take them: full 113-bit values near 1 (on the scale),
    // values more than 2^15 below the block's largest, zeros, subnormals and columns far from 1
    // (off it), both signs, and offset ranges as the lag products use. The rounded sum and the
    // rounded rest after it must match the accumulator fed product by product.
    std::mt19937_64 gen(34);
    for (int trial = 0; trial < 1500; ++trial) {
        const std::size_t n = 5 + gen() % 300;
        std::vector<Real> a(n), b(n);
        std::vector<ExactAccumulator::Factor> fa(n), fb(n);
        const int far = trial % 10 == 0 ? 9000 : 0;
        for (std::size_t i = 0; i < n; ++i) {
            a[i] = scalbnq(1 + Real(gen() >> 11) * pow2(-53) + Real(gen() >> 11) * pow2(-106),
                           static_cast<int>(gen() % 8) - 4 + far);
            b[i] = scalbnq(1 + Real(gen() >> 11) * pow2(-53), static_cast<int>(gen() % 30) - 15);
            if (gen() & 1) a[i] = -a[i];
            if (gen() % 9 == 0) b[i] = -b[i];
            if (gen() % 13 == 0) a[i] = 0;
            if (gen() % 19 == 0) b[i] = scalbnq(b[i], -40); // below the scale
            if (gen() % 97 == 0) a[i] = pow2(-16440) * Real(gen() % 1000);
            ASSERT_TRUE(ExactAccumulator::decode(a[i], fa[i]));
            ASSERT_TRUE(ExactAccumulator::decode(b[i], fb[i]));
        }
        ScaledBlock sa, sb;
        sa.assign(fa.data(), n);
        sb.assign(fb.data(), n);
        const std::size_t ai = gen() % 5, bi = gen() % 5, count = n - std::max(ai, bi);
        ExactAccumulator one_by_one, by_block;
        one_by_one.add_products(a.data() + ai, b.data() + bi, count);
        ScaledBlock::add_products(sa, ai, sb, bi, count, fa.data() + ai, fb.data() + bi, by_block);
        const Real sum = one_by_one.result();
        ASSERT_TRUE(bits_equal(by_block.result(), sum)) << "trial " << trial;
        one_by_one.add(-sum);
        by_block.add(-sum);
        ASSERT_TRUE(bits_equal(by_block.result(), one_by_one.result())) << "trial " << trial;
    }
}

TEST(ExactDot, NaNAndInfinityFollowIeee) {
    EXPECT_TRUE(isnanq(dot({1, nanq("")}, {1, 1})));
    EXPECT_TRUE(bits_equal(dot({1, __builtin_infq()}, {1, 2}), __builtin_infq()));
    EXPECT_TRUE(isnanq(dot({__builtin_infq(), __builtin_infq()}, {1, -1})));
    EXPECT_TRUE(isnanq(dot({__builtin_infq()}, {0})));
    // The accumulator is reusable after clear().
    ExactAccumulator sum;
    sum.add_product(__builtin_infq(), 1);
    sum.clear();
    sum.add(2);
    sum.add_product(3, 4);
    EXPECT_TRUE(bits_equal(sum.result(), 14));
}

TEST(ExactDot, OneAccumulatorForManyDots) {
    // Each dot of a reused accumulator equals a fresh one, whatever the previous dot left in
    // its limbs: sums far apart in exponent, sums that change sign, carries across many limbs.
    std::mt19937_64 rng(7);
    ExactAccumulator reused, assigned;
    for (int trial = 0; trial < 300; ++trial) {
        std::vector<Real> a, b;
        const int spread = trial % 3 == 0 ? 16000 : trial % 3 == 1 ? 300 : 2;
        const int n = static_cast<int>(rng() % 60);
        for (int i = 0; i < n; ++i) {
            const Real mantissa = Real(rng() >> 11) / pow2(53) + Real(rng() >> 11) / pow2(106);
            const int e = static_cast<int>(rng() % (2 * spread + 1)) - spread;
            a.push_back((rng() & 1) ? scalbnq(1 + mantissa, e) : -scalbnq(1 + mantissa, e));
            b.push_back(rng() % 5 == 0 ? Real(0) : scalbnq(1 - mantissa / 2, -e / 2));
        }
        // All-ones significands: adding two of them carries through every limb they cover.
        if (trial % 4 == 0) {
            const Real ones = 2 - pow2(-112);
            for (int i = 0; i < 8; ++i) {
                a.push_back(scalbnq(ones, 64 * i));
                b.push_back(ones);
            }
        }
        EXPECT_TRUE(bits_equal(reused.dot(a.data(), b.data(), a.size()), dot(a, b)))
            << "trial " << trial;
        // A copy, constructed or assigned over the previous trial's limbs, holds the same sum,
        // and goes on alone: a far term added to the copy (new limbs) leaves the original as
        // it was.
        ExactAccumulator sum;
        sum.add_products(a.data(), b.data(), a.size());
        ExactAccumulator copy(sum);
        assigned = sum;
        EXPECT_TRUE(bits_equal(copy.result(), dot(a, b))) << "trial " << trial;
        EXPECT_TRUE(bits_equal(assigned.result(), dot(a, b))) << "trial " << trial;
        const Real far = scalbnq(3, trial % 2 == 0 ? 9000 : -9000);
        copy.add_product(far, 1);
        a.push_back(far);
        b.push_back(1);
        EXPECT_TRUE(bits_equal(copy.result(), dot(a, b))) << "trial " << trial;
        a.pop_back();
        b.pop_back();
        EXPECT_TRUE(bits_equal(sum.result(), dot(a, b))) << "trial " << trial;
    }
    // After a dot that ended in NaN the next one is finite again.
    const Real nan_terms[] = {nanq(""), 1};
    EXPECT_TRUE(isnanq(reused.dot(nan_terms, nan_terms, 2)));
    const Real three[] = {3};
    EXPECT_TRUE(bits_equal(reused.dot(three, three, 1), 9));
}

} // namespace
} // namespace tarvex
