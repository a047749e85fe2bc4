// The fused multiply-subtract on integer significands. A normal binary128 value is m * 2^e with
// a 113-bit m (implicit bit included) and e the weight of its last bit. For y - c*x both terms are
// placed in a 256-bit window whose bit 253 holds the leading bit of the larger one; the other is
// shifted to the same scale, and the bits it loses below the window are kept as a sticky bit in
// its last place. The larger term's last bits are zero (a product has at most 226 bits, y 113),
// so the odd jammed value can never sit on a rounding boundary, and at most one bit cancels when
// bits were lost: the window sum or difference then rounds exactly as the exact one would.
// Zeros of x or c, subnormals, infinities, NaNs and results outside the normal range go to the
// libquadmath fma, which is correctly rounded too.
#include "numeric/fused_axpy.hpp"

#include "numeric/row_split.hpp"

#include <cstdint>
#include <cstring>

namespace tarvex {
namespace {

using u64 = std::uint64_t;
using u128 = unsigned __int128;

constexpr int FRACTION_BITS = 112;
constexpr int EXPONENT_BIAS = 16383;
constexpr unsigned EXPONENT_FIELD = 0x7fff;
constexpr u128 FRACTION_MASK = (u128(1) << FRACTION_BITS) - 1;
constexpr int WINDOW_TOP = 253; // leading bit of the larger term; two bits spare for the carry

struct Wide {
    u128 hi, lo;
};

inline u128 bits_of(Real value)
{
    u128 bits;
    std::memcpy(&bits, &value, sizeof bits);
    return bits;
}

inline Real from_bits(u128 bits)
{
    Real value;
    std::memcpy(&value, &bits, sizeof value);
    return value;
}

inline unsigned exponent_field(u128 bits) { return static_cast<unsigned>(bits >> FRACTION_BITS) & EXPONENT_FIELD; }

// A biased exponent of a normal number: 1..0x7ffe.
inline bool is_normal(unsigned field) { return field - 1 < EXPONENT_FIELD - 1; }

inline int top_bit(u128 v)
{
    const u64 high = static_cast<u64>(v >> 64);
    return high != 0 ? 127 - __builtin_clzll(high) : 63 - __builtin_clzll(static_cast<u64>(v));
}

inline int top_bit(const Wide& v) { return v.hi != 0 ? 128 + top_bit(v.hi) : top_bit(v.lo); }

// v << n for 0 <= n < 256 where no set bit leaves the window.
inline Wide shift_left(const Wide& v, int n)
{
    if (n == 0)
        return v;
    if (n >= 128)
        return {v.lo << (n - 128), 0};
    return {(v.hi << n) | (v.lo >> (128 - n)), v.lo << n};
}

// v >> n for n >= 0; `lost` is set when a set bit falls off.
inline Wide shift_right(const Wide& v, int n, bool& lost)
{
    if (n == 0)
        return v;
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
inline Wide place(const Wide& v, int exponent, int base)
{
    const int shift = exponent - base;
    if (shift >= 0)
        return shift_left(v, shift);
    bool lost = false;
    Wide placed = shift_right(v, -shift, lost);
    placed.lo |= static_cast<u128>(lost);
    return placed;
}

inline bool less(const Wide& a, const Wide& b) { return a.hi < b.hi || (a.hi == b.hi && a.lo < b.lo); }

inline Wide add(const Wide& a, const Wide& b)
{
    const u128 lo = a.lo + b.lo;
    return {a.hi + b.hi + (lo < a.lo), lo};
}

inline Wide subtract(const Wide& a, const Wide& b) // a >= b
{
    return {a.hi - b.hi - (a.lo < b.lo), a.lo - b.lo};
}

// The factor c decoded once for a whole vector.
struct Factor {
    bool usable = false; // normal: the integer path applies
    bool negative = false;
    int exponent = 0;    // weight of the last significand bit
    u64 low = 0, high = 0;
};

Factor decode_factor(Real c)
{
    Factor f;
    const u128 bits = bits_of(c);
    const unsigned field = exponent_field(bits);
    if (!is_normal(field))
        return f;
    const u128 significand = (bits & FRACTION_MASK) | (u128(1) << FRACTION_BITS);
    f.usable = true;
    f.negative = (bits >> 127) != 0;
    f.exponent = static_cast<int>(field) - EXPONENT_BIAS - FRACTION_BITS;
    f.low = static_cast<u64>(significand);
    f.high = static_cast<u64>(significand >> 64);
    return f;
}

// Everything the integer path leaves. A zero product leaves a nonzero finite y as it is and
// added to a zero y gives -0 only when both zeros are negative; the rest (subnormals, infinities,
// NaNs, overflow, underflow) is the library's fma.
Real special_case(Real y, Real c, Real x)
{
    const bool zero_product = (c == 0 && finiteq(x)) || (x == 0 && finiteq(c));
    if (zero_product && finiteq(y)) {
        if (y != 0)
            return y;
        const bool term_negative = signbitq(c) == signbitq(x); // the sign of -c*x
        return signbitq(y) && term_negative ? -Real(0) : Real(0);
    }
    return fmaq(-c, x, y);
}

// The result's bits from the operands' bits: the values stay in integer registers from load to
// store (a binary128 round trip through the stack costs a failed store forwarding per element).
__attribute__((always_inline)) inline u128 multiply_subtract(u128 ybits, const Factor& c, Real craw, u128 xbits)
{
    const unsigned xfield = exponent_field(xbits);
    const unsigned yfield = exponent_field(ybits);
    const bool y_zero = (ybits << 1) == 0;
    if (__builtin_expect(!c.usable || !is_normal(xfield) || (!is_normal(yfield) && !y_zero), 0))
        return bits_of(special_case(from_bits(ybits), craw, from_bits(xbits)));

    // The exact product of the significands: 225 or 226 bits.
    const u128 mx = (xbits & FRACTION_MASK) | (u128(1) << FRACTION_BITS);
    const u64 xl = static_cast<u64>(mx);
    const u64 xh = static_cast<u64>(mx >> 64);
    const u128 ll = u128(xl) * c.low;
    const u128 middle = u128(xl) * c.high + u128(xh) * c.low; // below 2^115
    const u128 hh = u128(xh) * c.high;
    const u128 lo = ll + (middle << 64);
    const u128 hi = hh + (middle >> 64) + (lo < ll);
    const Wide product{hi, lo};
    const int product_exponent = c.exponent + static_cast<int>(xfield) - EXPONENT_BIAS - FRACTION_BITS;
    const bool product_negative = !(c.negative != ((xbits >> 127) != 0)); // the term is -c*x
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
        if (round && (sticky || (kept & 1)))
            ++kept;
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
    if (__builtin_expect(biased <= 0 || biased >= static_cast<int>(EXPONENT_FIELD), 0))
        return bits_of(fmaq(-craw, from_bits(xbits), from_bits(ybits)));
    return (u128(negative) << 127) | (u128(biased) << FRACTION_BITS) | (kept & FRACTION_MASK);
}

} // namespace

Real fused_multiply_subtract(Real y, Real c, Real x)
{
    return from_bits(multiply_subtract(bits_of(y), decode_factor(c), c, bits_of(x)));
}

void fused_axpy(Real* y, Real c, const Real* x, std::size_t n)
{
    const Factor factor = decode_factor(c);
    // Each element is independent: long vectors are updated in two halves on two threads.
    split_rows(n, [=](std::size_t begin, std::size_t end) {
        for (std::size_t i = begin; i < end; ++i) {
            u128 xbits, ybits;
            std::memcpy(&xbits, x + i, sizeof xbits);
            std::memcpy(&ybits, y + i, sizeof ybits);
            const u128 result = multiply_subtract(ybits, factor, c, xbits);
            std::memcpy(y + i, &result, sizeof result);
        }
    });
}

} // namespace tarvex
