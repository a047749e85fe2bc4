// The integer-arithmetic cosine: correctly rounded values worked out to 60 digits with mpmath
// (mpmath.cos at 400 bits, the expression beside each), arguments next to a table point and
// next to pi/2 and 3*pi/2, the tiny and large ranges and the IEEE special cases, and agreement
// within one unit in the last place with libquadmath's cosq on random arguments.
#include "numeric/fast_cos.hpp"
#include "reference_support.hpp"

#include <gtest/gtest.h>

#include <random>

namespace tarvex {
namespace {

using testing::bits_of;
using testing::from_bits;
using testing::pow2;
using testing::u128;
using testing::ulps_apart;

TEST(FastCos, CorrectlyRoundedReferenceValues) {
    // mpmath.mp.prec = 400; mpmath.nstr(mpmath.cos(x), 60); the compiler rounds each literal.
    EXPECT_EQ(fast_cos(1), 0.540302305868139717400936607442976603732310420617922227670097Q);
    EXPECT_EQ(fast_cos(0.5Q), 0.877582561890372716116281582603829651991645197109744052997611Q);
    EXPECT_EQ(fast_cos(2), -0.41614683654714238699756822950076218976600077107554489075515Q);
    EXPECT_EQ(fast_cos(3), -0.989992496600445457271572794731261302393679096615588328814086Q);
    EXPECT_EQ(fast_cos(6), 0.960170286650366020545652297922924405451937679211012698129286Q);
    EXPECT_EQ(fast_cos(7.9375Q), -0.0834213053636372176522527410288944039709691342700235464544367Q);
    EXPECT_EQ(fast_cos(-2.5Q), -0.801143615546933714833502790467351664428567848767820135074598Q);
    EXPECT_EQ(fast_cos(1.5Q), 0.0707372016677029100881898514342687090850910275633468694226454Q);
    // mpmath.cos(mpf(2)**-30)
    EXPECT_EQ(fast_cos(pow2(-30)), 0.999999999999999999566319131005798226428365395673950982307948Q);
    // mpmath.cos(mpf(1)/64 + mpf(2)**-40): just off the table point 1/64
    EXPECT_EQ(fast_cos(0.015625Q + pow2(-40)),
              0.99987793217099244445953449391769439067355474297243093076012Q);
    // x = nearest binary128 to pi/2, 0x1921fb54442d18469898cc51701b8 * 2**-112, plus 2**-45:
    // mpmath.cos(x) = -2.8421709430404007434801611648647902088293047631551564905966e-14
    const Real half_pi = 0x1.921fb54442d18469898cc51701b8p+0Q;
    EXPECT_EQ(fast_cos(half_pi + pow2(-45)),
              -2.8421709430404007434801611648647902088293047631551564905966e-14Q);
    // x = nearest binary128 to 3*pi/2 (0x12d97c7f3321d234f272993d1414a * 2**-110) minus 2**-48:
    // mpmath.cos(x) = -3.55271367880050092948569848983500812356222330267823615284853e-15
    const Real three_half_pi = 0x1.2d97c7f3321d234f272993d1414ap+2Q;
    EXPECT_EQ(fast_cos(three_half_pi - pow2(-48)),
              -3.55271367880050092948569848983500812356222330267823615284853e-15Q);
}

TEST(FastCos, EdgeRangesFollowTheLibrary) {
    // Below 2**-57, 1 - x*x/2 is within half a unit of 1.
    EXPECT_EQ(fast_cos(0), 1);
    EXPECT_EQ(fast_cos(-0.0Q), 1);
    EXPECT_EQ(fast_cos(FLT128_DENORM_MIN), 1);
    EXPECT_EQ(fast_cos(pow2(-58)), 1);
    // cos(2**-56) = 1 - 2**-113 - ...: the first value below 1.
    EXPECT_EQ(fast_cos(pow2(-56)), 1 - pow2(-113));
    // Nearest pi/2 and 3*pi/2 themselves, |x| >= 8, infinities and NaN: cosq's results.
    const Real half_pi = 0x1.921fb54442d18469898cc51701b8p+0Q;
    EXPECT_EQ(fast_cos(half_pi), cosq(half_pi));
    EXPECT_EQ(fast_cos(8), cosq(8));
    EXPECT_EQ(fast_cos(-1e6Q), cosq(-1e6Q));
    EXPECT_TRUE(isnanq(fast_cos(__builtin_infq())));
    EXPECT_TRUE(isnanq(fast_cos(__builtin_nanq(""))));
}

TEST(FastCos, WithinOneUnitOfCosqOnRandomArguments) {
    std::mt19937_64 gen(20261207);
    const u128 fraction_mask = (u128(1) << 112) - 1;
    long long worst = 0, differ = 0, count = 0;
    for (int n = 0; n < 200000; ++n) {
        const u128 fraction = ((u128(gen()) << 64) | gen()) & fraction_mask;
        Real x = 0;
        switch (n % 3) {
        case 0: // the generator's arguments 2*pi*u
            x = 2 * M_PIq * from_bits(fraction | (u128(16382 - gen() % 8) << 112));
            break;
        case 1: // any magnitude from 2**-57 to 8, either sign
            x = from_bits(fraction | (u128(16383 - 57 + gen() % 60) << 112) |
                          (u128(gen() & 1) << 127));
            break;
        default: // next to the table points j/64
            x = Real(gen() % 51) / 64 + from_bits(fraction | (u128(16383 - 8 - gen() % 40) << 112));
            break;
        }
        const long long apart = ulps_apart(fast_cos(x), cosq(x));
        worst = std::max(worst, apart);
        differ += apart != 0;
        ++count;
    }
    EXPECT_LE(worst, 1);
    // cosq itself is not always correctly rounded; the two agree on nearly all.
    EXPECT_LT(differ, count / 10);
}

} // namespace
} // namespace tarvex
