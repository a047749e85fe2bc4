// The fused multiply-subtract on integer significands. A normal binary128 value is m * 2^e with a
// 113-bit m (implicit bit included). Two routes compute the same correctly rounded result:
//
// The common route, inline in the vector loop, works in a 256-bit picture whose bit 240 is the
// reference: y's significand is the upper two 64-bit limbs as it stands, and the factor's
// significand, moved up 15 bits, times x's gives the exact product with its leading bit at 240 or
// 239. Only the upper three limbs are kept: the product's lowest limb is folded into a sticky bit
// at bit 64 (why that rounds as the exact sum is set out at the routine). The term with the larger
// leading exponent stays; the other is shifted right by the difference, its bits below bit 64
// folded the same way. The sum or difference is formed without a branch on the signs (they are
// data, and a branch on them would be mispredicted half the time), negated when it came out
// negative, normalised to bit 241 and rounded to 113 bits, to nearest with ties to even. Terms 64
// or more binades apart, a y that is zero or not normal, cancellation of the whole top limb, and
// results outside the normal range take the general route. A chain of updates keeps its running
// value taken apart between steps, so that each step neither packs nor unpacks it; several
// independent chains (the rows of an index, the columns of a gradient) run side by side, so that
// the processor overlaps their dependent steps. A chained sum uses the same addition with the
// term's significand in place of the product.
//
// The general route places both terms in a 256-bit window with the larger leading bit at 253 and
// handles every normal case; zeros of x or c, subnormals, infinities and NaNs go to the
// libquadmath fma, which is correctly rounded too.
#include "numeric/fused_axpy.hpp"

#include "numeric/fast_arith.hpp"
#include "numeric/limb_arithmetic.hpp"
#include "numeric/row_split.hpp"
#include "numeric/unpacked_real.hpp"

#include <cstdint>
#include <cstring>
#include <vector>

namespace tarvex {
namespace {

using namespace limbs; // the integer types and the bit and limb helpers

constexpr u64 FRACTION_HIGH = (u64(1) << 48) - 1; // the fraction bits of the upper half
constexpr u64 HIDDEN_HIGH = u64(1) << 48;         // the implicit bit, in the upper half

inline u128 join(u64 low, u64 high) {
    return (u128(high) << 64) | low;
}

// The biased exponent, from the upper half of a value.
inline unsigned exponent_field(u64 high) {
    return static_cast<unsigned>(high >> 48) & EXPONENT_FIELD;
}

// ---- The general route ----

struct Wide {
    u128 hi, lo;
};

inline int top_bit(u128 v) {
    const u64 high = high64(v);
    return high != 0 ? 127 - __builtin_clzll(high) : 63 - __builtin_clzll(low64(v));
}

inline int top_bit(const Wide& v) {
    return v.hi != 0 ? 128 + top_bit(v.hi) : top_bit(v.lo);
}

// v << n for 0 <= n < 256 where no set bit leaves the window.
inline Wide shift_left(const Wide& v, int n) {
    if (n == 0) return v;
    if (n >= 128) return {v.lo << (n - 128), 0};
    return {(v.hi << n) | (v.lo >> (128 - n)), v.lo << n};
}

// v >> n for n >= 0; `lost` is set when a set bit falls off.
inline Wide shift_right(const Wide& v, int n, bool& lost) {
    if (n == 0) return v;
    if (n >= 256) {
        lost = lost || v.hi != 0 || v.lo != 0;
        return {0, 0};
    }
    if (n >= 128) {
        const int m = n - 128;
        lost = lost || v.lo != 0 || (m != 0 && (v.hi << (128 - m)) != 0);
        return {0, m != 0 ? v.hi >> m : v.hi};
    }
    lost = lost || (v.lo << (128 - n)) != 0;
    return {v.hi >> n, (v.lo >> n) | (v.hi << (128 - n))};
}

// Places `v`, whose last bit weighs 2^exponent, in the window whose last bit weighs 2^base; bits
// shifted out are jammed into the last place.
inline Wide place(const Wide& v, int exponent, int base) {
    const int shift = exponent - base;
    if (shift >= 0) return shift_left(v, shift);
    bool lost = false;
    Wide placed = shift_right(v, -shift, lost);
    placed.lo |= static_cast<u128>(lost);
    return placed;
}

inline bool less(const Wide& a, const Wide& b) {
    return a.hi < b.hi || (a.hi == b.hi && a.lo < b.lo);
}

inline Wide add(const Wide& a, const Wide& b) {
    const u128 lo = a.lo + b.lo;
    return {a.hi + b.hi + (lo < a.lo), lo};
}

inline Wide subtract(const Wide& a, const Wide& b) // a >= b
{
    return {a.hi - b.hi - (a.lo < b.lo), a.lo - b.lo};
}

// Everything the integer routes leave. A zero product leaves a nonzero finite y as it is and
// added to a zero y gives -0 only when both zeros are negative; the rest (subnormals, infinities,
// NaNs, overflow, underflow) is the library's fma.
Real special_case(Real y, Real c, Real x) {
    const bool zero_product = (c == 0 && finiteq(x)) || (x == 0 && finiteq(c));
    if (zero_product && finiteq(y)) {
        if (y != 0) return y;
        const bool term_negative = signbitq(c) == signbitq(x); // the sign of -c*x
        return signbitq(y) && term_negative ? -Real(0) : Real(0);
    }
    return fmaq(-c, x, y);
}

// y - c*x for any operands. Both terms go to a window with the larger leading bit at 253; the
// other is shifted to the same scale with its lost bits jammed. The larger term's last bits are
// zero (a product has at most 226 bits, y 113), so at most one bit cancels when bits were lost.
__attribute__((noinline)) u128 multiply_subtract_general(u128 ybits, Real c, u128 xbits) {
    constexpr int WINDOW_TOP = 253;
    const u128 cbits = bits_of(c);
    const unsigned cfield = exponent_field(high64(cbits));
    const unsigned xfield = exponent_field(high64(xbits));
    const unsigned yfield = exponent_field(high64(ybits));
    const bool y_zero = (ybits << 1) == 0;
    if (!is_normal(cfield) || !is_normal(xfield) || (!is_normal(yfield) && !y_zero))
        return bits_of(special_case(from_bits(ybits), c, from_bits(xbits)));

    // The exact product of the significands: 225 or 226 bits.
    const u128 mc = (cbits & FRACTION_MASK) | (u128(1) << FRACTION_BITS);
    const u128 mx = (xbits & FRACTION_MASK) | (u128(1) << FRACTION_BITS);
    const u128 ll = u128(low64(mx)) * low64(mc);
    const u128 middle = u128(low64(mx)) * high64(mc) + u128(high64(mx)) * low64(mc); // below 2^115
    const u128 hh = u128(high64(mx)) * high64(mc);
    const u128 lo = ll + (middle << 64);
    const u128 hi = hh + (middle >> 64) + (lo < ll);
    const Wide product{hi, lo};
    const int product_exponent =
        static_cast<int>(cfield) + static_cast<int>(xfield) - 2 * (EXPONENT_BIAS + FRACTION_BITS);
    const bool product_negative = (cbits >> 127) == (xbits >> 127); // the term is -c*x
    Wide sum;
    bool negative;
    int base;
    const int y_exponent = static_cast<int>(yfield) - EXPONENT_BIAS - FRACTION_BITS;
    const int product_top = product_exponent + 128 + top_bit(hi);

    if (y_zero) {
        base = product_top - WINDOW_TOP;
        sum = shift_left(product, WINDOW_TOP - (product_top - product_exponent));
        negative = product_negative;
    } else {
        const Wide ysig{0, (ybits & FRACTION_MASK) | (u128(1) << FRACTION_BITS)};
        const bool y_negative = (ybits >> 127) != 0;
        const int y_top = y_exponent + FRACTION_BITS;
        base = (product_top > y_top ? product_top : y_top) - WINDOW_TOP;
        const Wide p = place(product, product_exponent, base);
        const Wide q = place(ysig, y_exponent, base);
        if (product_negative == y_negative) {
            sum = add(p, q);
            negative = y_negative;
        } else if (less(p, q)) {
            sum = subtract(q, p);
            negative = y_negative;
        } else {
            sum = subtract(p, q);
            negative = product_negative;
        }
        if (sum.hi == 0 && sum.lo == 0)
            return 0; // exact cancellation is +0 when rounding to nearest (all bits clear)
    }

    // Round to 113 bits.
    const int top = top_bit(sum);
    u128 kept;
    int last; // weight of the last kept bit
    if (top > FRACTION_BITS) {
        const int shift = top - FRACTION_BITS;
        bool sticky = false;
        const Wide with_round = shift_right(sum, shift - 1, sticky);
        kept = with_round.lo >> 1;
        const bool round = (with_round.lo & 1) != 0;
        if (round && (sticky || (kept & 1))) ++kept;
        last = base + shift;
        if (kept >> (FRACTION_BITS + 1)) {
            kept >>= 1;
            ++last;
        }
    } else {
        kept = sum.lo << (FRACTION_BITS - top);
        last = base - (FRACTION_BITS - top);
    }
    const int biased = last + FRACTION_BITS + EXPONENT_BIAS;
    if (biased <= 0 || biased >= static_cast<int>(EXPONENT_FIELD))
        return bits_of(fmaq(-c, from_bits(xbits), from_bits(ybits)));
    return (u128(negative) << 127) | (u128(biased) << FRACTION_BITS) | (kept & FRACTION_MASK);
}

// ---- The common route ----

// The factor c decoded once for a whole vector, its significand moved up 15 bits to fill 128.
struct Factor {
    bool usable = false; // normal: the common route applies
    bool negative = false;
    int exponent = 0; // unbiased exponent of the leading bit
    u64 low = 0, high = 0;
};

__attribute__((always_inline)) inline Factor decode_factor(u128 bits) {
    Factor f;
    const unsigned field = exponent_field(high64(bits));
    f.usable = is_normal(field);
    const u128 significand = ((bits & FRACTION_MASK) | (u128(1) << FRACTION_BITS)) << 15;
    f.negative = (bits >> 127) != 0;
    f.exponent = static_cast<int>(field) - EXPONENT_BIAS;
    f.low = low64(significand);
    f.high = high64(significand);
    return f;
}

// y + t for a normal y and a term t given as the three limbs p3 p2 p1 of the picture, its
// leading bit at 240 or 239 and bit 240 weighing 2^exponent, bits below bit 64 folded into bit
// 64; `negative` is t's sign. Returns false, leaving `result` unset, when the sum needs the
// general route: terms 64 or more binades apart, cancellation of the whole top limb, a result
// outside the normal range.
__attribute__((always_inline)) inline bool add_term(const Unpacked& y, u64 p1, u64 p2, u64 p3,
                                                    int product_exponent, bool product_negative,
                                                    Unpacked& result) {
    // The larger term (by leading exponent) and the smaller, shifted to its scale; y's
    // significand is limbs 3 and 2, bit 240 weighing 2^(its exponent).
    const int difference = product_exponent - y.exponent;
    const bool product_leads = difference >= 0;
    const int apart = product_leads ? difference : -difference;
    if (__builtin_expect(apart >= 64, 0)) return false;
    u64 r1 = product_leads ? p1 : 0, r2 = product_leads ? p2 : y.low;
    u64 r3 = product_leads ? p3 : y.high;
    u64 s1 = product_leads ? 0 : p1, s2 = product_leads ? y.low : p2;
    u64 s3 = product_leads ? y.high : p3;
    const bool larger_negative = product_leads ? product_negative : y.negative;
    const int exponent = product_leads ? product_exponent : y.exponent;
    // a >> n | b << (64 - n), the second shift split so that n = 0 needs no branch; the bits
    // shifted below bit 64 are folded into it.
    const int back = 63 - apart;
    const u64 lost = (s1 << 1) << back;
    s1 = (s1 >> apart) | ((s2 << 1) << back) | u64(lost != 0);
    s2 = (s2 >> apart) | ((s3 << 1) << back);
    s3 >>= apart;

    // larger + smaller or larger - smaller; a negative difference (only when the leading exponents
    // agree) is negated.
    const u64 sign = limbs::signed_sum3(r1, r2, r3, s1, s2, s3, product_negative != y.negative);
    if (__builtin_expect(r3 == 0, 0)) return false;

    // Leading bit to 241 (bit 49 of the top limb); below bit 128 only a sticky bit counts.
    const int lift = __builtin_clzll(r3) - 14;
    const int down = 63 - lift;
    r3 = (r3 << lift) | ((r2 >> 1) >> down);
    r2 = (r2 << lift) | ((r1 >> 1) >> down);
    const bool sticky = (r1 << lift) != 0;

    // Round the 113 bits 241..129 to nearest, ties to even.
    u64 kept_low = (r3 << 63) | (r2 >> 1);
    u64 kept_high = r3 >> 1;
    limbs::add_to_pair(kept_low, kept_high, (r2 & 1) & (u64(sticky) | kept_low));
    // Rounding up can carry out of the 113 bits only to 2^113 exactly: 2^112 one binade up.
    const int overflow = static_cast<int>(kept_high >> 49);
    const int result_exponent = exponent + 1 - lift + overflow;
    if (__builtin_expect(unsigned(result_exponent + EXPONENT_BIAS - 1) >= EXPONENT_FIELD - 1, 0))
        return false;
    result.high = kept_high >> overflow;
    result.low = kept_low;
    result.exponent = result_exponent;
    result.negative = larger_negative != (sign != 0);
    return true;
}

// y - c*x for a normal y, with every intermediate a named 64-bit limb, which the compiler keeps
// in registers where it would spill 128-bit temporaries. Returns false, leaving `result` unset,
// for the operands and results the general route takes.
//
// The window is three limbs, bits 255..64 of the four-limb picture above: the product's lowest
// limb is folded into a sticky bit at bit 64 (its bits truncated, bit 64 set when any was set),
// and so is anything the alignment shift moves below bit 64. y's last bit lies at bit 65 or above
// (it is shifted right by less than 64 from bit 128), so the folded sum T' is either the exact
// sum T or an odd multiple of 2^64 at an end of the 2^64-wide interval holding T: both lie inside
// one interval between consecutive multiples of 2^65. The result is used only when its top limb
// is not zero (leading bit at 192 or above), so its round bit weighs 2^79 or more and every
// rounding boundary is a multiple of 2^65: T' rounds exactly as T.
__attribute__((always_inline)) inline bool
multiply_subtract(const Unpacked& y, const Factor& c, u64 xlow, u64 xhigh, Unpacked& result) {
    const unsigned xfield = exponent_field(xhigh);
    if (__builtin_expect(!c.usable || !is_normal(xfield), 0)) return false;

    // The exact product: 241 bits at most, bit 240 weighing 2^(exponents of c and x, plus 1);
    // its lowest limb folded into bit 64.
    const u64 xsig = (xhigh & FRACTION_HIGH) | HIDDEN_HIGH;
    const limbs::Product product = limbs::multiply(c.low, c.high, xlow, xsig);
    const u64 p1 = product.p1 | u64(product.p0 != 0);
    const int product_exponent = c.exponent + static_cast<int>(xfield) - EXPONENT_BIAS + 1;
    const bool product_negative = c.negative == ((xhigh >> 63) != 0); // the term is -c*x
    return add_term(y, p1, product.p2, product.p3, product_exponent, product_negative, result);
}

// y - c*x for any operands, c decoded as `factor`: the common route, else the general one.
__attribute__((always_inline)) inline u128
multiply_subtract(u64 ylow, u64 yhigh, const Factor& factor, Real c, u64 xlow, u64 xhigh) {
    Unpacked y, result;
    if (__builtin_expect(
            unpack(ylow, yhigh, y) && multiply_subtract(y, factor, xlow, xhigh, result), 1))
        return pack(result);
    return multiply_subtract_general(join(ylow, yhigh), c, join(xlow, xhigh));
}

} // namespace

Real fused_multiply_subtract(Real y, Real c, Real x) {
    const u128 ybits = bits_of(y), xbits = bits_of(x);
    return from_bits(multiply_subtract(low64(ybits), high64(ybits), decode_factor(bits_of(c)), c,
                                       low64(xbits), high64(xbits)));
}

// The general route for y[i] - c x[i], out of line and reading its operands from memory again, so
// that the loop need not keep them in registers (or on the stack) for it.
namespace {
__attribute__((noinline, cold)) u128 general_at(const Real* y, Real c, const Real* x) {
    return multiply_subtract_general(bits_of(*y), c, bits_of(*x));
}
} // namespace

void fused_axpy(Real* y, Real c, const Real* x, std::size_t n) {
    const Factor factor = decode_factor(bits_of(c));
    // Each element is independent: long vectors are updated in two halves on two threads.
    split_rows(n, [=](std::size_t begin, std::size_t end) {
        // Local copies: the stores through y cannot change them.
        const Factor f = factor;
        const Real craw = c;
        Real* const ys = y;
        const Real* const xs = x;
        for (std::size_t i = begin; i < end; ++i) {
            u64 xhalves[2], yhalves[2];
            std::memcpy(xhalves, xs + i, sizeof xhalves);
            std::memcpy(yhalves, ys + i, sizeof yhalves);
            Unpacked running, result;
            const u128 updated =
                __builtin_expect(unpack(yhalves[0], yhalves[1], running) &&
                                     multiply_subtract(running, f, xhalves[0], xhalves[1], result),
                                 1)
                    ? pack(result)
                    : general_at(ys + i, craw, xs + i);
            const u64 halves[2] = {low64(updated), high64(updated)};
            std::memcpy(ys + i, halves, sizeof halves);
        }
    });
}

// The general route for a chain's step y + a[i] x[i], out of line and reading a[i] and x[i] from
// memory again.
namespace {
__attribute__((noinline, cold)) u128 general_chain_step(u128 ybits, const Real* a, const Real* x) {
    return multiply_subtract_general(ybits, -*a, bits_of(*x));
}
} // namespace

Real fused_multiply_add_chain(Real y, const Real* a, const Real* x, std::size_t n) {
    constexpr u128 SIGN = u128(1) << 127;
    u128 ybits = bits_of(y);
    // The running value stays taken apart from step to step while the common route holds it.
    Unpacked running;
    bool unpacked = unpack(low64(ybits), high64(ybits), running);
    for (std::size_t i = 0; i < n; ++i) {
        u64 ahalves[2], xhalves[2];
        std::memcpy(ahalves, a + i, sizeof ahalves);
        std::memcpy(xhalves, x + i, sizeof xhalves);
        // y + a x is y - (-a) x: the factor is a with its sign flipped.
        const Factor f = decode_factor(join(ahalves[0], ahalves[1]) ^ SIGN);
        if (__builtin_expect(unpacked, 1)) {
            Unpacked next;
            if (__builtin_expect(multiply_subtract(running, f, xhalves[0], xhalves[1], next), 1)) {
                running = next;
                continue;
            }
            ybits = pack(running);
        }
        ybits = general_chain_step(ybits, a + i, x + i);
        unpacked = unpack(low64(ybits), high64(ybits), running);
    }
    if (unpacked) ybits = pack(running);
    return from_bits(ybits);
}

// The general route for a row's step y + c x, out of line and reading c and x from memory again.
namespace {
__attribute__((noinline, cold)) u128 general_row_step(u128 ybits, const Real* c, const Real* x) {
    return multiply_subtract_general(ybits, -*c, bits_of(*x));
}
} // namespace

// The sum's step through the library's route (zeros, subnormals, infinities, NaNs, cancellation,
// the ends of the range), out of line.
namespace {
__attribute__((noinline, cold)) u128 general_add_step(u128 ybits, const Real* x) {
    return bits_of(fast_add(from_bits(ybits), *x));
}
} // namespace

namespace {

// The running value of a chain: taken apart while the common route holds it, else its bits.
struct ChainValue {
    Unpacked running;
    u128 bits = 0;
    bool unpacked = false;

    __attribute__((always_inline)) void start(const Real* y) {
        u64 halves[2];
        std::memcpy(halves, y, sizeof halves);
        bits = join(halves[0], halves[1]);
        unpacked = unpack(halves[0], halves[1], running);
    }
    // y + c x, the factor f being -c taken apart.
    __attribute__((always_inline)) void step(const Factor& f, const Real* c, const Real* x) {
        u64 xhalves[2];
        std::memcpy(xhalves, x, sizeof xhalves);
        if (__builtin_expect(unpacked, 1)) {
            Unpacked next;
            if (__builtin_expect(multiply_subtract(running, f, xhalves[0], xhalves[1], next), 1)) {
                running = next;
                return;
            }
            bits = pack(running);
        }
        bits = general_row_step(bits, c, x);
        unpacked = unpack(low64(bits), high64(bits), running);
    }
    // y + x, rounded once.
    __attribute__((always_inline)) void add(const Real* x) {
        u64 xhalves[2];
        std::memcpy(xhalves, x, sizeof xhalves);
        if (__builtin_expect(unpacked, 1)) {
            // A normal y plus a zero is y itself.
            if (((xhalves[1] << 1) | xhalves[0]) == 0) return;
            // x as a term of the picture: its significand in limbs 3 and 2, as y's.
            Unpacked term, next;
            if (__builtin_expect(unpack(xhalves[0], xhalves[1], term) &&
                                     add_term(running, 0, term.low, term.high, term.exponent,
                                              term.negative, next),
                                 1)) {
                running = next;
                return;
            }
            bits = pack(running);
        }
        bits = general_add_step(bits, x);
        unpacked = unpack(low64(bits), high64(bits), running);
    }
    __attribute__((always_inline)) void finish(Real* y) {
        if (unpacked) bits = pack(running);
        const u64 halves[2] = {low64(bits), high64(bits)};
        std::memcpy(y, halves, sizeof halves);
    }
};

} // namespace

void fused_multiply_add_rows(Real* y, const Real* c, const Real* const* x, std::size_t k,
                             std::size_t offset, std::size_t n) {
    if (k == 0) return;
    constexpr u128 SIGN = u128(1) << 127;
    // y + c x is y - (-c) x: each factor taken apart once, with its sign flipped.
    std::vector<Factor> factors(k);
    for (std::size_t j = 0; j < k; ++j) factors[j] = decode_factor(bits_of(c[j]) ^ SIGN);
    // Each row is independent: long vectors are updated in two halves on two threads.
    split_rows(n, [=, &factors](std::size_t begin, std::size_t end) {
        const Factor* const f = factors.data();
        Real* const ys = y;
        // Two rows at a time: one row's chain is a sequence of dependent steps, two chains side
        // by side keep the processor's units busy.
        std::size_t i = begin;
        for (; i + 1 < end; i += 2) {
            ChainValue first, second;
            first.start(ys + i);
            second.start(ys + i + 1);
            for (std::size_t j = 0; j < k; ++j) {
                const Real* const xj = x[j] + offset + i;
                first.step(f[j], c + j, xj);
                second.step(f[j], c + j, xj + 1);
            }
            first.finish(ys + i);
            second.finish(ys + i + 1);
        }
        if (i < end) {
            ChainValue last;
            last.start(ys + i);
            for (std::size_t j = 0; j < k; ++j) last.step(f[j], c + j, x[j] + offset + i);
            last.finish(ys + i);
        }
    });
}

namespace {

// The chains y[r] + a[0] x[r][0] + ... for r < G side by side: each step of one chain waits for
// its previous step, several chains keep the processor's units busy, and each a[i] is taken
// apart once for all of them.
template <std::size_t G>
__attribute__((always_inline)) inline void chains_side_by_side(Real* y, const Real* a,
                                                               const Real* const* x,
                                                               std::size_t offset, std::size_t n) {
    constexpr u128 SIGN = u128(1) << 127;
    ChainValue chains[G];
    const Real* xs[G];
#pragma GCC unroll 4
    for (std::size_t r = 0; r < G; ++r) {
        chains[r].start(y + r);
        xs[r] = x[r] + offset;
    }
    for (std::size_t i = 0; i < n; ++i) {
        u64 ahalves[2];
        std::memcpy(ahalves, a + i, sizeof ahalves);
        // y + a x is y - (-a) x: the factor is a with its sign flipped.
        const Factor f = decode_factor(join(ahalves[0], ahalves[1]) ^ SIGN);
#pragma GCC unroll 4
        for (std::size_t r = 0; r < G; ++r) chains[r].step(f, a + i, xs[r] + i);
    }
#pragma GCC unroll 4
    for (std::size_t r = 0; r < G; ++r) chains[r].finish(y + r);
}

} // namespace

void fused_multiply_add_chains(Real* y, const Real* a, const Real* const* x, std::size_t k,
                               std::size_t offset, std::size_t n) {
    std::size_t j = 0;
    for (; j + 4 <= k; j += 4) chains_side_by_side<4>(y + j, a, x + j, offset, n);
    if (j + 2 <= k) {
        chains_side_by_side<2>(y + j, a, x + j, offset, n);
        j += 2;
    }
    if (j < k) chains_side_by_side<1>(y + j, a, x + j, offset, n);
}

namespace {

// The sums y[r] + x[r][0] + x[r][1] + ... for r < G side by side, as the chains above.
template <std::size_t G>
__attribute__((always_inline)) inline void sums_side_by_side(Real* y, const Real* const* x,
                                                             std::size_t offset, std::size_t n) {
    ChainValue sums[G];
    const Real* xs[G];
#pragma GCC unroll 4
    for (std::size_t r = 0; r < G; ++r) {
        sums[r].start(y + r);
        xs[r] = x[r] + offset;
    }
    for (std::size_t i = 0; i < n; ++i) {
#pragma GCC unroll 4
        for (std::size_t r = 0; r < G; ++r) sums[r].add(xs[r] + i);
    }
#pragma GCC unroll 4
    for (std::size_t r = 0; r < G; ++r) sums[r].finish(y + r);
}

} // namespace

Real fast_add_chain(Real y, const Real* x, std::size_t n) {
    sums_side_by_side<1>(&y, &x, 0, n);
    return y;
}

void fast_add_chains(Real* y, const Real* const* x, std::size_t k, std::size_t offset,
                     std::size_t n) {
    std::size_t j = 0;
    for (; j + 4 <= k; j += 4) sums_side_by_side<4>(y + j, x + j, offset, n);
    if (j + 2 <= k) {
        sums_side_by_side<2>(y + j, x + j, offset, n);
        j += 2;
    }
    if (j < k) sums_side_by_side<1>(y + j, x + j, offset, n);
}

} // namespace tarvex
