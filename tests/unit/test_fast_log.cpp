// The integer-arithmetic logarithm: correctly rounded values worked out to 60 digits elsewhere
// (small integers, the ends of the binary128 range, subnormals, 1 plus or minus one unit), the
// IEEE special cases, agreement within one unit in the last place with libquadmath's logq
// on a large spread of random arguments; and the short path against the 192-bit routine, bit for
// bit, on ten million arguments, on the neighbours of those it could not decide and on the edges.
#include "numeric/fast_log.hpp"
#include "reference_support.hpp"
#include "short_path_agreement.hpp"

#include <gtest/gtest.h>

#include <cstring>
#include <random>
#include <vector>

namespace tarvex {
namespace {

using testing::bits_of;
using testing::from_bits;
using testing::u128;
using testing::ulps_apart;

using testing::pow2;

TEST(FastLog, CorrectlyRoundedReferenceValues) {
    // Each literal has 60 digits of the exact logarithm; the compiler rounds it correctly.
    EXPECT_EQ(fast_log(1), 0);
    EXPECT_EQ(fast_log(2), 0.693147180559945309417232121458176568075500134360255254120680Q);
    EXPECT_EQ(fast_log(0.5Q), -0.693147180559945309417232121458176568075500134360255254120680Q);
    EXPECT_EQ(fast_log(3), 1.09861228866810969139524523692252570464749055782274945173469Q);
    EXPECT_EQ(fast_log(10), 2.30258509299404568401799145468436420760110148862877297603333Q);
    EXPECT_EQ(fast_log(FLT128_MAX), 11356.5234062941439494919310779707648912526977041390602908604Q);
    EXPECT_EQ(fast_log(FLT128_MIN),
              -11355.1371119330240588730966137278485382128432010897015730050Q);
    EXPECT_EQ(fast_log(FLT128_DENORM_MIN),
              -11432.7695961557379335278266113311643138372992161380501614665Q);
    // EXP(1) lies 0.26 units below e, so its logarithm is 1 - 0.70 * 2**-113: nearer to the
    // number below 1 than to 1.
    EXPECT_EQ(fast_log(expq(1)), 1 - pow2(-113));
}

TEST(FastLog, NextToOneKeepsFullRelativePrecision) {
    // log(1 + 2**-112) = 2**-112 - 2**-225 + 2**-337/3: the first two terms are representable.
    EXPECT_EQ(fast_log(1 + pow2(-112)), pow2(-112) - pow2(-225));
    // log(1 - 2**-113) = -(2**-113 + 2**-227 + ...): the tail is a quarter unit, rounded away.
    EXPECT_EQ(fast_log(1 - pow2(-113)), -pow2(-113));
    // log(1 + d) = d - d*d/2 + d**3/3 - ... for d = 2**-k: for k >= 57 the cube is below half a
    // unit, and d - d*d/2 = 2**-k - 2**(-2k-1) is representable up to k = 112.
    for (int k = 57; k <= 112; ++k)
        EXPECT_EQ(fast_log(1 + pow2(-k)), pow2(-k) - pow2(-2 * k - 1)) << k;
    // Exact powers of two: k * log 2 needs no reduction beyond the exponent.
    for (int k = -16494; k <= 16383; k += 997)
        EXPECT_LE(ulps_apart(fast_log(pow2(k)), logq(pow2(k))), 1) << k;
}

TEST(FastLog, SpecialArgumentsFollowIeee) {
    EXPECT_TRUE(isinfq(fast_log(0)) && fast_log(0) < 0);
    EXPECT_TRUE(isinfq(fast_log(-0.0Q)) && fast_log(-0.0Q) < 0);
    EXPECT_TRUE(isnanq(fast_log(-1)));
    EXPECT_TRUE(isnanq(fast_log(-FLT128_DENORM_MIN)));
    EXPECT_TRUE(isnanq(fast_log(__builtin_nanq(""))));
    EXPECT_TRUE(isinfq(fast_log(__builtin_infq())) && fast_log(__builtin_infq()) > 0);
}

TEST(FastLog, WithinOneUnitOfLogqEverywhere) {
    std::mt19937_64 gen(20261206);
    const u128 fraction_mask = (u128(1) << 112) - 1;
    long long worst = 0, differ = 0;
    const int per_shape = 40000;
    for (int shape = 0; shape < 6; ++shape) {
        for (int n = 0; n < per_shape; ++n) {
            const u128 fraction = ((u128(gen()) << 64) | gen()) & fraction_mask;
            Real x = 0;
            switch (shape) {
            case 0:
                x = from_bits(fraction | (u128(16383) << 112));
                break; // [1, 2)
            case 1:
                x = from_bits(fraction | (u128(16382) << 112));
                break; // [1/2, 1)
            case 2:
                x = from_bits(fraction | (u128(1 + gen() % 32766) << 112));
                break; // any normal
            case 3:
                x = 1 + from_bits(fraction | (u128(16382 - gen() % 112) << 112));
                break;
            case 4:
                x = 1 - from_bits(fraction | (u128(16381 - gen() % 112) << 112));
                break;
            default:
                x = from_bits(fraction | 1);
                break; // subnormal
            }
            const long long apart = ulps_apart(fast_log(x), logq(x));
            worst = std::max(worst, apart);
            differ += apart != 0;
        }
    }
    EXPECT_LE(worst, 1);
    // logq itself is not always correctly rounded; the two agree on the great majority.
    EXPECT_LT(differ, 6 * per_shape / 10);
}

using LogAgreement = testing::ShortPathAgreement<fast_log_short, fast_log, fast_log_wide>;

TEST(FastLog, ShortPathGivesTheWideRoutinesBits) {
    std::mt19937_64 gen(20261209);
    const u128 fraction_mask = (u128(1) << 112) - 1;
    auto in_binade = [&](int e) {
        return from_bits((((u128(gen()) << 64) | gen()) & fraction_mask) |
                         (u128(e + 16383) << 112));
    };
    // The choice links: log of a probability in (0, 1], mostly in (1/2, 1], and log(1 + e) for
    // e = exp(-|z|) in (0, 1]; then every binade, and 1 plus or minus a small value.
    LogAgreement links, wide_range;
    for (int n = 0; n < 1'500'000; ++n) {
        links.check(in_binade(-1));
        links.check(in_binade(-int(gen() % 60)));
        links.check(1 + in_binade(-int(gen() % 60)));
        links.check(in_binade(0));
    }
    for (int n = 0; n < 1'000'000; ++n) {
        wide_range.check(in_binade(int(gen() % 32765) - 16382));
        wide_range.check(1 + in_binade(-1 - int(gen() % 112)));
        wide_range.check(1 - in_binade(-2 - int(gen() % 112)));
        wide_range.check(from_bits(((u128(gen()) << 64) | gen()) & fraction_mask)); // subnormal
    }
    EXPECT_EQ(links.differ + wide_range.differ, 0);
    EXPECT_EQ(links.checked + wide_range.checked, 10'000'000);
    // Within (0, 2] the short path leaves about one argument in 2000 to the wide routine.
    EXPECT_LT(links.undecided, links.checked / 1000);
    EXPECT_GT(links.undecided, 0);

    // Neighbours of the undecided arguments (those of the links first), a few units either side.
    LogAgreement near;
    std::vector<Real> hard = links.hard;
    hard.insert(hard.end(), wide_range.hard.begin(), wide_range.hard.end());
    near.check_neighbours(hard);
    EXPECT_EQ(near.differ, 0);
    EXPECT_GT(near.checked, 13 * 1000);

    // Zeros, subnormals, infinities, NaN, 1 and its neighbours, the ends of the range.
    const Real edges[] = {0,
                          -0.0Q,
                          FLT128_DENORM_MIN,
                          FLT128_MIN,
                          nextafterq(FLT128_MIN, 0),
                          FLT128_MAX,
                          __builtin_infq(),
                          -__builtin_infq(),
                          nanq(""),
                          -1,
                          1,
                          2,
                          0.5Q,
                          nextafterq(1, 2),
                          nextafterq(1, 0),
                          nextafterq(2, 0),
                          nextafterq(0.5Q, 1)};
    LogAgreement edge;
    for (Real x : edges) edge.check(x);
    EXPECT_EQ(edge.differ, 0);
    Real out;
    EXPECT_FALSE(fast_log_short(1, out));                 // z = 0: the wide routine's exact 0
    EXPECT_FALSE(fast_log_short(FLT128_DENORM_MIN, out)); // subnormal
    EXPECT_TRUE(fast_log_short(nextafterq(1, 2), out));   // log(1 + 2**-112), from the series
    EXPECT_EQ(out, pow2(-112) - pow2(-225));
}

} // namespace
} // namespace tarvex
