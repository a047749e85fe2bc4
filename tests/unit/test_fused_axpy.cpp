// The fused multiply-subtract y - c*x: one rounding where the product and the subtraction would
// round twice, bit for bit the libquadmath fma on random operands of every relative size, on
// near-total cancellation, at exact ties and around the ends of the normal range, and the vector
// update element by element; the row-by-row chains over columns and the chained sum.
#include "numeric/fused_axpy.hpp"

#include "numeric/decimal.hpp"
#include "numeric/exact_dot.hpp"
#include "numeric/fast_arith.hpp"
#include "reference_support.hpp"

#include <gtest/gtest.h>

#include <cstring>
#include <random>
#include <vector>

namespace tarvex {
namespace {

using testing::pow2;

using testing::same_bits;

// Bit equality, with any NaN equal to any NaN.
::testing::AssertionResult agrees(Real actual, Real expected, Real y, Real c, Real x) {
    if (same_bits(actual, expected) || (isnanq(actual) && isnanq(expected)))
        return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure()
           << real_to_string(y) << " - " << real_to_string(c) << " * " << real_to_string(x)
           << ": got " << real_to_string(actual) << ", expected " << real_to_string(expected);
}

// The reference: y + (-c)*x, exact, rounded once, by the library's fma.
Real reference(Real y, Real c, Real x) {
    return fmaq(-c, x, y);
}

// A random normal number: 113 random significand bits, exponent in [low, high], random sign.
Real random_operand(std::mt19937_64& gen, int low, int high) {
    const Real fraction = Real(gen() >> 1) * pow2(-63) + Real(gen() >> 14) * pow2(-113);
    const int exponent = low + static_cast<int>(gen() % static_cast<unsigned>(high - low + 1));
    const Real value = scalbnq(1 + fraction / 2, exponent);
    return (gen() & 1) ? -value : value;
}

TEST(FusedAxpy, RoundsOnceWhereTwoRoundingsLoseTheAnswer) {
    // (1 + 2^-112)^2 = 1 + 2^-111 + 2^-224: the rounded product is 1 + 2^-111, so the two-step
    // y - c*x gives 0; the fused form keeps the exact -2^-224.
    const Real c = 1 + pow2(-112);
    EXPECT_TRUE(same_bits(fused_multiply_subtract(1 + pow2(-111), c, c), -pow2(-224)));
    EXPECT_TRUE(same_bits((1 + pow2(-111)) - c * c, Real(0)));
    EXPECT_TRUE(same_bits(fused_multiply_add(-(1 + pow2(-111)), c, c), pow2(-224)));
    // Exact cancellation is +0; a zero product leaves y alone.
    EXPECT_TRUE(same_bits(fused_multiply_subtract(6, 2, 3), Real(0)));
    EXPECT_TRUE(same_bits(fused_multiply_subtract(-6, -2, 3), Real(0)));
    EXPECT_TRUE(same_bits(fused_multiply_subtract(7.5Q, 0, 3), 7.5Q));
    EXPECT_TRUE(same_bits(fused_multiply_subtract(-7.5Q, 3, 0), -7.5Q));
}

TEST(FusedAxpy, TiesGoToEven) {
    // 1 + 2^-113 is halfway between 1 and 1 + 2^-112: the even 1.
    EXPECT_TRUE(same_bits(fused_multiply_subtract(1, -pow2(-113), 1), Real(1)));
    // (1 + 2^-112) + 2^-113 is halfway to the even 1 + 2^-111.
    EXPECT_TRUE(same_bits(fused_multiply_subtract(1 + pow2(-112), pow2(-113), -1), 1 + pow2(-111)));
    // A hair beyond the half, far below the window of y, rounds up; a hair short rounds down.
    EXPECT_TRUE(same_bits(fused_multiply_subtract(1, -pow2(-113), 1 + pow2(-112)), 1 + pow2(-112)));
    EXPECT_TRUE(same_bits(fused_multiply_subtract(1, -pow2(-113), 1 - pow2(-113)), Real(1)));
    // Rounding up carries into the next binade: (2 - 2^-112) + 2^-113 is 2.
    EXPECT_TRUE(same_bits(fused_multiply_subtract(2 - pow2(-112), -pow2(-113), 1), Real(2)));
}

TEST(FusedAxpy, MatchesTheLibraryFmaOnRandomOperands) {
    std::mt19937_64 gen(2024);
    long checked = 0;
    for (int spread : {0, 2, 60, 120, 130, 240, 400}) {
        for (int i = 0; i < 40000; ++i) {
            const Real c = random_operand(gen, -spread / 2, spread / 2);
            const Real x = random_operand(gen, -spread / 2, spread / 2);
            const Real y = random_operand(gen, -spread, spread);
            ASSERT_TRUE(agrees(fused_multiply_subtract(y, c, x), reference(y, c, x), y, c, x));
            ++checked;
        }
    }
    EXPECT_EQ(checked, 280000);
}

TEST(FusedAxpy, MatchesTheLibraryFmaUnderCancellation) {
    // y near c*x: the rounded product nudged by a few units in the last place, so that most of
    // the leading bits cancel and the low half of the exact product decides the result.
    std::mt19937_64 gen(99);
    for (int i = 0; i < 100000; ++i) {
        const Real c = random_operand(gen, -20, 20);
        const Real x = random_operand(gen, -20, 20);
        Real y = c * x;
        const int nudge = static_cast<int>(gen() % 7) - 3;
        y = nudge == 0 ? y : nextafterq(y, nudge > 0 ? Real(1e4000Q) : Real(-1e4000Q));
        ASSERT_TRUE(agrees(fused_multiply_subtract(y, c, x), reference(y, c, x), y, c, x));
        // The same against the exact accumulator, an independent exact sum.
        ExactAccumulator exact;
        exact.add(y);
        exact.add_product(-c, x);
        ASSERT_TRUE(agrees(fused_multiply_subtract(y, c, x), exact.result(), y, c, x));
    }
}

TEST(FusedAxpy, EveryGapBetweenTheTermsMatchesTheLibraryFma) {
    // y and c*x a set number of binades apart, from y far above the product to far below it:
    // the terms meet at every shift, across the points where bits start to be lost below the
    // window and where the update leaves its inline route.
    std::mt19937_64 gen(2024);
    for (int gap = -240; gap <= 240; ++gap)
        for (int i = 0; i < 400; ++i) {
            const Real c = random_operand(gen, -3, 3);
            const Real x = random_operand(gen, -3, 3);
            const Real y = scalbnq(random_operand(gen, 0, 0), ilogbq(c * x) - gap);
            ASSERT_TRUE(agrees(fused_multiply_subtract(y, c, x), reference(y, c, x), y, c, x));
        }
}

TEST(FusedAxpy, BitsBelowTheWindowStillDecideATie) {
    // Products c*x = A*2^128 + 1 with A odd: 127 zero bits between the upper part and a last bit
    // that falls below the working window. Added to y = 2^241, the sum lies just above a tie, and
    // only the lost last bit, kept as a sticky bit, makes it round up. Such c and x are odd
    // 113-bit c whose inverse modulo 2^128 happens to have 113 bits or fewer.
    using u128 = unsigned __int128;
    const u128 low_half = (u128(1) << 64) - 1;
    std::mt19937_64 gen(7);
    int found = 0;
    for (long attempt = 0; attempt < 20000000 && found < 24; ++attempt) {
        const u128 c = (u128(1) << 112) | (u128(gen() & ((1ULL << 48) - 1)) << 64) | gen() | 1;
        u128 inverse = c; // right to 3 bits; each Newton step doubles them
        for (int step = 0; step < 6; ++step) inverse *= 2 - c * inverse;
        if (inverse >> 113 != 0) continue;
        // A, the product's upper 128 bits, from the four 64-bit partial products.
        const u128 ll = (c & low_half) * (inverse & low_half);
        const u128 lh = (c & low_half) * (inverse >> 64), hl = (c >> 64) * (inverse & low_half);
        const u128 middle = (ll >> 64) + (lh & low_half) + (hl & low_half);
        const u128 upper = (c >> 64) * (inverse >> 64) + (lh >> 64) + (hl >> 64) + (middle >> 64);
        if ((upper & 1) == 0) continue;
        ++found;
        const Real cr = Real(c), xr = Real(inverse), y = pow2(241);
        ASSERT_TRUE(agrees(fused_multiply_subtract(y, -cr, xr), reference(y, -cr, xr), y, -cr, xr));
        ASSERT_TRUE(agrees(fused_multiply_subtract(-y, cr, xr), reference(-y, cr, xr), -y, cr, xr));
    }
    EXPECT_EQ(found, 24);
}

// A random integer below 2^bits.
unsigned __int128 random_product_bits(std::mt19937_64& gen, int bits) {
    using u128 = unsigned __int128;
    const u128 value = (u128(gen()) << 64) | gen();
    return bits <= 0 ? 0 : bits >= 128 ? value : value & ((u128(1) << bits) - 1);
}

TEST(FusedAxpy, TheLowestBitsOfTheProductDecideAfterPartialCancellation) {
    // y + C x with significands chosen so that the exact sum T = W 2^112 + C (x = 1 + 2^-112,
    // y = (W - C) 2^-112 in units of 2^-112) sits exactly on a tie at its 113th bit except for
    // the last bits L of C, which lie in the product's lowest 64-bit limb or just above it: L
    // alone decides between the tie going to even and rounding up. W's length sets how many
    // leading bits cancel, 3 to 40. A second family, x = 2 - 2^-112 and C = 2^113 - L, makes the
    // sum (W - 2) 2^112 + L carry into a new binade, with the same tie and L deciding.
    using u128 = unsigned __int128;
    std::mt19937_64 gen(20261209);
    int ties = 0, moved = 0;
    for (int i = 0; i < 60000; ++i) {
        const bool carrying = i % 3 == 2;
        u128 c_int, low = 0, w;
        if (!carrying) {
            const int length = 74 + static_cast<int>(gen() % 37);
            w = (u128(1) << (length - 1)) | random_product_bits(gen, length - 1);
            const int round_bit = length - 2; // the tie bit of T = W 2^112 + C
            const u128 above = random_product_bits(gen, 112) & ~((u128(2) << round_bit) - 1);
            low = random_product_bits(gen, static_cast<int>(gen() % (round_bit + 1)));
            c_int = (u128(1) << 112) | above | (u128(1) << round_bit);
        } else {
            c_int =
                (u128(1) << 113) - 1 - random_product_bits(gen, 1 + static_cast<int>(gen() % 60));
            w = (u128(1) << 114) + 4 * (1 + random_product_bits(gen, 100)) - c_int; // y is W - 2C
        }
        const int scale = static_cast<int>(gen() % 41) - 20;
        const bool flip = (gen() & 1) != 0;
        // y and c for a C with its last bits `last`, scaled and with the signs flipped or not.
        const auto operands = [&](u128 last, Real& y, Real& c) {
            const u128 whole = c_int | last;
            const __int128 y_int = static_cast<__int128>(w) - static_cast<__int128>(whole);
            c = scalbnq(-Real(whole), scale - 112);
            y = scalbnq(Real(y_int), scale - 112);
            if (flip) {
                c = -c;
                y = -y;
            }
        };
        const Real x = carrying ? 2 - pow2(-112) : 1 + pow2(-112);
        Real y, c;
        operands(low, y, c);
        const Real expected = reference(y, c, x);
        ASSERT_TRUE(agrees(fused_multiply_subtract(y, c, x), expected, y, c, x));
        if (!carrying && low != 0) {
            // Without L the sum is an exact tie: L must have moved about half of them up.
            Real y_tie, c_tie;
            operands(0, y_tie, c_tie);
            ++ties;
            moved += !same_bits(reference(y_tie, c_tie, x), expected);
        }
    }
    EXPECT_GT(ties, 35000);
    EXPECT_GT(moved, ties / 3);
}

TEST(FusedAxpy, EdgesOfTheRangeAndSpecialValues) {
    const Real inf = __builtin_infq();
    const Real nan = __builtin_nanq("");
    const Real tiny = pow2(-16382); // smallest normal
    const Real denormal = pow2(-16400);
    const Real huge = scalbnq(2 - pow2(-112), 16383);
    const std::vector<Real> values = {0,
                                      -Real(0),
                                      1,
                                      -1,
                                      3,
                                      tiny,
                                      -tiny,
                                      denormal,
                                      -denormal,
                                      huge,
                                      -huge,
                                      inf,
                                      -inf,
                                      nan,
                                      pow2(8000),
                                      pow2(-8000),
                                      1 + pow2(-112),
                                      0.1Q,
                                      -7.25Q,
                                      pow2(-16300),
                                      pow2(16300)};
    for (Real y : values)
        for (Real c : values)
            for (Real x : values)
                ASSERT_TRUE(agrees(fused_multiply_subtract(y, c, x), reference(y, c, x), y, c, x));
    // Results that underflow into the subnormal range or overflow, from normal operands.
    std::mt19937_64 gen(5);
    for (int i = 0; i < 20000; ++i) {
        const bool low = (i & 1) != 0;
        const Real c = random_operand(gen, low ? -8300 : 8150, low ? -8150 : 8300);
        const Real x = random_operand(gen, low ? -8300 : 8150, low ? -8150 : 8300);
        const Real y = random_operand(gen, low ? -16450 : 16300, low ? -16300 : 16383);
        ASSERT_TRUE(agrees(fused_multiply_subtract(y, c, x), reference(y, c, x), y, c, x));
    }
}

TEST(FusedAxpy, VectorUpdateIsTheElementwiseFusedForm) {
    std::mt19937_64 gen(11);
    const std::size_t n = 1000;
    std::vector<Real> y(n), x(n);
    for (std::size_t i = 0; i < n; ++i) {
        x[i] = random_operand(gen, -30, 30);
        y[i] = i % 10 == 0 ? Real(0) : random_operand(gen, -30, 30); // zeros of y as well
    }
    x[3] = 0;
    for (Real c : {Real(0), Real(1), -0.3Q, Real(1e-20Q), pow2(-16390)}) {
        std::vector<Real> updated = y;
        fused_axpy(updated.data(), c, x.data(), n);
        for (std::size_t i = 0; i < n; ++i)
            ASSERT_TRUE(agrees(updated[i], reference(y[i], c, x[i]), y[i], c, x[i]));
    }
    // The chain y + a0 x0 + a1 x1 + ... is the loop of single fused steps, bit for bit.
    Real looped = 0.125Q;
    for (std::size_t i = 0; i < n; ++i) looped = fused_multiply_add(looped, y[i], x[i]);
    EXPECT_EQ(testing::bits_of(fused_multiply_add_chain(0.125Q, y.data(), x.data(), n)),
              testing::bits_of(looped));
    // The chain against the library's fma step by step, the running value passing through an
    // exact zero, a subnormal value and a value near the top of the range, and back.
    std::vector<Real> a = {1, 1, pow2(-16390), 3, pow2(16000), 1, -0.75Q, 1e-30Q};
    std::vector<Real> b = {1.5Q, -1.5Q, 1, pow2(-16380), 1.5Q, -0.1Q, 2, 7};
    for (std::size_t i = 0; i < 200; ++i) {
        a.push_back(random_operand(gen, -40, 40));
        b.push_back(i % 50 == 0 ? -a.back() * 0 : random_operand(gen, -40, 40));
    }
    a.insert(a.end(), {-pow2(16000), 2}); // the large value cancelled, exactly
    b.insert(b.end(), {1.5Q, 1});
    Real stepped = 0;
    for (std::size_t i = 0; i < a.size(); ++i) {
        stepped = fmaq(a[i], b[i], stepped);
        const Real chained = fused_multiply_add_chain(Real(0), a.data(), b.data(), i + 1);
        ASSERT_TRUE(testing::same_bits(chained, stepped)) << "after step " << i;
    }
}

// A value for a shaped test: mostly random of mixed sign and size, at times a zero of either
// sign, a subnormal, the smallest normal or a value near the top of the range.
Real shaped_value(std::mt19937_64& gen) {
    switch (gen() % 16) {
    case 0:
        return (gen() & 1) ? -Real(0) : Real(0);
    case 1:
        return scalbnq(random_operand(gen, 0, 0), -16390); // subnormal
    case 2:
        return random_operand(gen, -16382, -16382); // smallest binade of the normal range
    case 3:
        return random_operand(gen, 16370, 16383); // huge: sums may overflow
    case 4:
        return random_operand(gen, -400, 400);
    default:
        return random_operand(gen, -30, 30);
    }
}

TEST(FusedAxpy, RowChainsAreTheColumnByColumnUpdates) {
    // y[i] + c0 x0[i] + c1 x1[i] + ... formed row by row against the same update made column by
    // column with fused_axpy and against the library's fma step by step, and the chains down
    // the columns side by side against each chain alone, on 1 to 20 columns:
    // random rows, rows whose running value the next term cancels (to a few units, or exactly to
    // zero), and rows with zeros, subnormals, huge values and a NaN or an infinity.
    std::mt19937_64 gen(31);
    const std::size_t rows = 96, offset = 5;
    for (std::size_t k = 1; k <= 20; ++k) {
        std::vector<Real> c(k);
        for (Real& v : c) v = gen() % 9 == 0 ? shaped_value(gen) : random_operand(gen, -4, 4);
        std::vector<std::vector<Real>> x(k, std::vector<Real>(offset + rows));
        std::vector<Real> y(rows), expected(rows);
        for (std::size_t i = 0; i < rows; ++i) {
            const int shape = static_cast<int>(i % 4);
            y[i] = shape == 3   ? shaped_value(gen)
                   : i % 8 == 0 ? Real(0)
                                : random_operand(gen, -9, 9);
            Real running = y[i];
            for (std::size_t j = 0; j < k; ++j) {
                Real v = random_operand(gen, -9, 9);
                if (shape == 1 && !fast_is_zero(c[j]) && finiteq(running)) {
                    // -running/c_j, nudged by up to 2 units or left as is.
                    v = -running / c[j];
                    const int nudge = static_cast<int>(gen() % 5) - 2;
                    for (int step = 0; step < (nudge < 0 ? -nudge : nudge); ++step)
                        v = nextafterq(v, nudge > 0 ? Real(1e4000Q) : Real(-1e4000Q));
                } else if (shape == 2) {
                    v = shaped_value(gen);
                }
                if (shape == 3 && gen() % 40 == 0)
                    v = (gen() & 1) ? __builtin_nanq("") : -__builtin_infq();
                x[j][offset + i] = v;
                running = fmaq(c[j], v, running);
            }
            expected[i] = running;
        }
        std::vector<const Real*> columns(k);
        for (std::size_t j = 0; j < k; ++j) columns[j] = x[j].data();
        std::vector<Real> by_rows = y, by_columns = y;
        fused_multiply_add_rows(by_rows.data(), c.data(), columns.data(), k, offset, rows);
        for (std::size_t j = 0; j < k; ++j)
            fused_axpy(by_columns.data(), -c[j], x[j].data() + offset, rows);
        for (std::size_t i = 0; i < rows; ++i) {
            ASSERT_TRUE(same_bits(by_rows[i], by_columns[i])) << k << " columns, row " << i;
            ASSERT_TRUE(agrees(by_rows[i], expected[i], y[i], c[0], x[0][offset + i]))
                << k << " columns, row " << i;
        }
        // The same columns as the terms of k chains down the rows, y[j] + a0 x[j][0] + ..., formed
        // side by side, against each chain alone and the library's fma row after row.
        std::vector<Real> a(rows), sums(k), alone(k), stepped(k);
        for (Real& v : a) v = gen() % 5 == 0 ? shaped_value(gen) : random_operand(gen, -9, 9);
        for (std::size_t j = 0; j < k; ++j) {
            sums[j] = j % 3 == 0 ? Real(0) : shaped_value(gen);
            alone[j] = fused_multiply_add_chain(sums[j], a.data(), x[j].data() + offset, rows);
            stepped[j] = sums[j];
            for (std::size_t i = 0; i < rows; ++i)
                stepped[j] = fmaq(a[i], x[j][offset + i], stepped[j]);
        }
        fused_multiply_add_chains(sums.data(), a.data(), columns.data(), k, offset, rows);
        for (std::size_t j = 0; j < k; ++j) {
            ASSERT_TRUE(same_bits(sums[j], alone[j])) << k << " chains, chain " << j;
            ASSERT_TRUE(same_bits(sums[j], stepped[j]) || (isnanq(sums[j]) && isnanq(stepped[j])))
                << k << " chains, chain " << j;
        }
    }
    // No columns leave y as it is; a long vector, updated in two halves, is the same row by row.
    std::vector<Real> kept = {1.5Q, -0.0Q};
    fused_multiply_add_rows(kept.data(), nullptr, nullptr, 0, 0, kept.size());
    EXPECT_TRUE(same_bits(kept[0], 1.5Q));
    EXPECT_TRUE(same_bits(kept[1], -0.0Q));
    const std::size_t n = 70001;
    std::vector<Real> a(n), b(n), y(n);
    for (std::size_t i = 0; i < n; ++i) {
        a[i] = random_operand(gen, -20, 20);
        b[i] = random_operand(gen, -20, 20);
        y[i] = random_operand(gen, -20, 20);
    }
    const Real c[2] = {-0.3Q, 7};
    const Real* pair[2] = {a.data(), b.data()};
    std::vector<Real> long_rows = y;
    fused_multiply_add_rows(long_rows.data(), c, pair, 2, 0, n);
    for (std::size_t i = 0; i < n; ++i)
        ASSERT_TRUE(same_bits(long_rows[i], fmaq(c[1], b[i], fmaq(c[0], a[i], y[i])))) << i;
}

TEST(FusedAxpy, SumChainIsTheRoundedAdditionLoop) {
    // y + x0 + x1 + ... with the running value kept taken apart, against the loop of fast_add
    // and the library's addition after every step: random terms of mixed sign and size, terms
    // that cancel the running value (exactly, or to a few units), zeros of either sign,
    // subnormals and huge terms, and starts at +0, -0, a normal and a subnormal value.
    std::mt19937_64 gen(77);
    for (Real start : {Real(0), -Real(0), Real(3.5Q), scalbnq(Real(1), -16400)}) {
        std::vector<Real> x;
        Real looped = start, library = start;
        for (int i = 0; i < 600; ++i) {
            Real v = shaped_value(gen);
            if (i % 7 == 3 && finiteq(library) && !fast_is_zero(library)) {
                v = -library;
                const int nudge = static_cast<int>(gen() % 5) - 2;
                for (int step = 0; step < (nudge < 0 ? -nudge : nudge); ++step)
                    v = nextafterq(v, nudge > 0 ? Real(1e4000Q) : Real(-1e4000Q));
            }
            if (i == 500) v = -library; // whatever the value, an exact cancellation late on
            x.push_back(v);
            looped = fast_add(looped, v);
            library = library + v;
            const Real chained = fast_add_chain(start, x.data(), x.size());
            ASSERT_TRUE(same_bits(chained, looped) || (isnanq(chained) && isnanq(looped)))
                << "after term " << i;
            ASSERT_TRUE(same_bits(chained, library) || (isnanq(chained) && isnanq(library)))
                << "after term " << i;
        }
    }
    // Sums that stay finite: a column of ones, a dummy of zeros and ones, and a long column of
    // values of one sign, each against the library's sum.
    std::vector<Real> ones(4096, Real(1)), dummy(4096), level(4096);
    Real dummy_sum = 0, level_sum = 0;
    for (std::size_t i = 0; i < level.size(); ++i) {
        dummy[i] = (gen() & 1) ? Real(1) : Real(0);
        level[i] = random_operand(gen, 3, 6);
        level[i] = level[i] < 0 ? -level[i] : level[i];
        dummy_sum += dummy[i];
        level_sum += level[i];
    }
    EXPECT_TRUE(same_bits(fast_add_chain(Real(0), ones.data(), ones.size()), Real(4096)));
    EXPECT_TRUE(same_bits(fast_add_chain(Real(0), dummy.data(), dummy.size()), dummy_sum));
    EXPECT_TRUE(same_bits(fast_add_chain(Real(0), level.data(), level.size()), level_sum));
    // 1 to 9 sums side by side, from an offset, each against its own fast_add loop.
    const std::size_t offset = 3, length = 300;
    for (std::size_t k = 1; k <= 9; ++k) {
        std::vector<std::vector<Real>> columns(k, std::vector<Real>(offset + length));
        std::vector<const Real*> pointers(k);
        std::vector<Real> sums(k), expected(k);
        for (std::size_t j = 0; j < k; ++j) {
            sums[j] = expected[j] = j % 2 == 0 ? Real(0) : shaped_value(gen);
            for (std::size_t i = 0; i < length; ++i) {
                Real v = shaped_value(gen);
                if (i % 9 == 4 && finiteq(expected[j])) v = -expected[j]; // cancelled exactly
                columns[j][offset + i] = v;
                expected[j] = fast_add(expected[j], v);
            }
            pointers[j] = columns[j].data();
        }
        fast_add_chains(sums.data(), pointers.data(), k, offset, length);
        for (std::size_t j = 0; j < k; ++j)
            ASSERT_TRUE(same_bits(sums[j], expected[j]) || (isnanq(sums[j]) && isnanq(expected[j])))
                << k << " sums, sum " << j;
    }
    // Overflow to infinity, and infinities of both signs making a NaN.
    const Real huge = scalbnq(2 - pow2(-112), 16383);
    const Real over[3] = {huge, huge, -__builtin_infq()};
    EXPECT_TRUE(same_bits(fast_add_chain(Real(1), over, 2), __builtin_infq()));
    EXPECT_TRUE(isnanq(fast_add_chain(Real(1), over, 3)));
}

} // namespace
} // namespace tarvex
