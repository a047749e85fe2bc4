// Exact integer conversion of short decimal numbers to binary128. A number M x 10**k with
// M < 10**19 is M x 5**k x 2**k: for k >= 0 the product M x 5**k (< 2**127) is exact and is
// rounded once to 113 bits; for k < 0 the quotient of M shifted left by a bits and 5**-k is
// formed with 120 or 121 bits and its remainder, and rounded once with the remainder as sticky
// bit. The power of two goes into the exponent; every result is a normal number.
#include "numeric/decimal_fast.hpp"

#include "numeric/decimal.hpp"

#include <cstdint>
#include <cstring>
#if defined(__x86_64__)
#include <immintrin.h>
#endif

namespace tarvex {

namespace {

constexpr int MAX_DIGITS = 19;
constexpr int MAX_POWER = 27; // 5**27 < 2**63
constexpr int MANTISSA_BITS = 112;
constexpr int EXPONENT_BIAS = 16383;
constexpr int QUOTIENT_BITS = 120;

using u128 = unsigned __int128;

constexpr std::uint64_t POW5[MAX_POWER + 1] = {1ULL,
                                               5ULL,
                                               25ULL,
                                               125ULL,
                                               625ULL,
                                               3125ULL,
                                               15625ULL,
                                               78125ULL,
                                               390625ULL,
                                               1953125ULL,
                                               9765625ULL,
                                               48828125ULL,
                                               244140625ULL,
                                               1220703125ULL,
                                               6103515625ULL,
                                               30517578125ULL,
                                               152587890625ULL,
                                               762939453125ULL,
                                               3814697265625ULL,
                                               19073486328125ULL,
                                               95367431640625ULL,
                                               476837158203125ULL,
                                               2384185791015625ULL,
                                               11920928955078125ULL,
                                               59604644775390625ULL,
                                               298023223876953125ULL,
                                               1490116119384765625ULL,
                                               7450580596923828125ULL};

int top_bit(u128 x) {
    const std::uint64_t hi = static_cast<std::uint64_t>(x >> 64);
    return hi ? 127 - __builtin_clzll(hi) : 63 - __builtin_clzll(static_cast<std::uint64_t>(x));
}

// (hi:lo) / d with hi < d: quotient and remainder.
inline std::uint64_t divide_128_by_64(std::uint64_t hi, std::uint64_t lo, std::uint64_t d,
                                      std::uint64_t& rem) {
#if defined(__x86_64__)
    std::uint64_t q, r;
    __asm__("divq %4" : "=a"(q), "=d"(r) : "a"(lo), "d"(hi), "rm"(d));
    rem = r;
    return q;
#else
    const u128 n = (u128(hi) << 64) | lo;
    rem = static_cast<std::uint64_t>(n % d);
    return static_cast<std::uint64_t>(n / d);
#endif
}

// Builds sign x m x 2**(e - 112) from a 113-bit significand m (top bit 112 set).
Real assemble(bool negative, u128 m, int e) {
    const u128 fraction = m & ((u128(1) << MANTISSA_BITS) - 1);
    const std::uint64_t lo = static_cast<std::uint64_t>(fraction);
    const std::uint64_t hi = static_cast<std::uint64_t>(fraction >> 64) |
                             (static_cast<std::uint64_t>(e + EXPONENT_BIAS) << 48) |
                             (negative ? (1ULL << 63) : 0);
    // Built in registers: a store of two halves and a 16-byte reload would stall the pipeline.
#if defined(__x86_64__) && defined(__SSE4_1__)
    return __builtin_bit_cast(
        Real, _mm_set_epi64x(static_cast<long long>(hi), static_cast<long long>(lo)));
#else
    return __builtin_bit_cast(Real, (u128(hi) << 64) | lo);
#endif
}

// Rounds x (top bit p > 112) to 113 bits, nearest even, `sticky` telling whether anything
// below x was dropped already; returns the significand and adjusts p on a carry.
u128 round_to_113(u128 x, int& p, bool sticky) {
    const int shift = p - MANTISSA_BITS;
    u128 m = x >> shift;
    const u128 low = x & ((u128(1) << shift) - 1);
    const u128 half = u128(1) << (shift - 1);
    if (low > half || (low == half && (sticky || (m & 1)))) {
        ++m;
        if (m >> (MANTISSA_BITS + 1)) {
            m >>= 1;
            ++p;
        }
    }
    return m;
}

// Reciprocals of 5**j scaled into [2**127, 2**128): RECIPROCAL[j] = floor(2**(127 + bits(5**j))
// / 5**j), so that m x RECIPROCAL[j] falls short of the exact m x 2**scale / 5**j by less than m.
struct Reciprocals {
    u128 value[MAX_POWER + 1];
    int scale[MAX_POWER + 1];
    Reciprocals() {
        for (int j = 1; j <= MAX_POWER; ++j) {
            const std::uint64_t d = POW5[j];
            const int dbits = 64 - __builtin_clzll(d);
            scale[j] = 127 + dbits;
            // 2**scale as limbs n2:n1:n0 (scale is 130 .. 190), divided limb by limb.
            const int s = scale[j] - 128;
            const std::uint64_t n2 = 1ULL << s;
            std::uint64_t rem = n2 % d;
            const std::uint64_t q2 = n2 / d;
            const std::uint64_t q1 = divide_128_by_64(rem, 0, d, rem);
            const std::uint64_t q0 = divide_128_by_64(rem, 0, d, rem);
            (void)q2;
            value[j] = (u128(q1) << 64) | q0;
        }
    }
};

const Reciprocals& reciprocals() {
    static const Reciprocals table;
    return table;
}

// m / 5**j x 2**-j through the reciprocal; false when the product lies too close to a rounding
// boundary to decide (the exact division then settles it).
bool divide_by_reciprocal(bool negative, std::uint64_t m, int j, Real& value) {
    const Reciprocals& table = reciprocals();
    const u128 r = table.value[j];
    const u128 lo = u128(m) * static_cast<std::uint64_t>(r);
    const u128 hi = u128(m) * static_cast<std::uint64_t>(r >> 64);
    // P = hi x 2**64 + lo as p2:p1:p0.
    const std::uint64_t p0 = static_cast<std::uint64_t>(lo);
    const u128 mid = (lo >> 64) + static_cast<std::uint64_t>(hi);
    const std::uint64_t p1 = static_cast<std::uint64_t>(mid);
    const std::uint64_t p2 =
        static_cast<std::uint64_t>(hi >> 64) + static_cast<std::uint64_t>(mid >> 64);
    const u128 upper = (u128(p2) << 64) | p1; // P >> 64
    const int top = 64 + top_bit(upper);      // upper >= 2**63 since r >= 2**127
    const int shift = top - MANTISSA_BITS;    // 15 .. 79
    u128 sig, low;
    if (shift >= 64) {
        sig = upper >> (shift - 64);
        low = ((u128(p1) & ((u128(1) << (shift - 64)) - 1)) << 64) | p0;
    } else {
        sig = (upper << (64 - shift)) | (p0 >> shift);
        low = p0 & ((1ULL << shift) - 1);
    }
    const u128 half = u128(1) << (shift - 1);
    const u128 full = u128(1) << shift;
    // The exact low part lies in [low, low + m).
    if (low + m > full) return false;
    if (low <= half && half < low + m) return false;
    int e = top - table.scale[j] - j;
    if (low > half) {
        ++sig;
        if (sig >> (MANTISSA_BITS + 1)) {
            sig >>= 1;
            ++e;
        }
    }
    value = assemble(negative, sig, e);
    return true;
}

// Eight bytes of text at a time: byte k of the word is the character at p + k.
inline std::uint64_t load_eight(const char* p) {
    std::uint64_t word;
    std::memcpy(&word, p, sizeof word);
#if defined(__BYTE_ORDER__) && __BYTE_ORDER__ == __ORDER_BIG_ENDIAN__
    word = __builtin_bswap64(word);
#endif
    return word;
}

constexpr std::uint64_t EVERY_BYTE = 0x0101010101010101ULL;

// `offsets` holds each character minus '0' (as XOR: digits become 0..9, nothing else does);
// the number of digits the eight characters start with.
inline int leading_digits(std::uint64_t offsets) {
    // A byte above 9 sets its top bit after adding 0x76, one of 0x80 or more has it already; a
    // carry out of such a byte only disturbs the bytes after it.
    const std::uint64_t other = ((offsets + 0x76 * EVERY_BYTE) | offsets) & (0x80 * EVERY_BYTE);
    return other == 0 ? 8 : __builtin_ctzll(other) >> 3;
}

// The value of the first n (1 .. 8) digits of `offsets`: shifted up so that the bytes past them
// drop out and n digits read as an eight-digit number with leading zeros, then combined in
// pairs, fours and eights by three multiplications.
inline std::uint64_t digits_value(std::uint64_t offsets, int n) {
    std::uint64_t v = offsets << (8 * (8 - n));
    v = v * 10 + (v >> 8); // byte 2k+1: the two-digit number of bytes 2k, 2k+1
    const std::uint64_t pairs = 0x000000FF000000FFULL;
    v = (((v & pairs) * (100 + (1000000ULL << 32))) +
         (((v >> 16) & pairs) * (1 + (10000ULL << 32)))) >>
        32;
    return v & 0xFFFFFFFFULL;
}

constexpr std::uint64_t POW10[9] = {1, 10, 100, 1000, 10000, 100000, 1000000, 10000000, 100000000};

// Appends the run of digits at p (ending at `stop` at the latest) to m; false when the digits
// counted in `digits` would pass 19.
inline bool digit_run(const char*& p, const char* stop, std::uint64_t& m, int& digits, int& taken) {
    taken = 0;
    for (;;) {
        const std::uint64_t offsets = load_eight(p) ^ (0x30 * EVERY_BYTE);
        int n = leading_digits(offsets);
        if (n > stop - p) n = static_cast<int>(stop - p);
        if (n == 0) return true;
        digits += n;
        if (digits > MAX_DIGITS) return false;
        m = m * POW10[n] + digits_value(offsets, n);
        p += n;
        taken += n;
        if (n < 8) return true;
    }
}

// The correctly rounded value of sign x m x 10**power (m < 10**19); false when the power lies
// outside the range taken here.
bool from_parts(bool negative, std::uint64_t m, int power, Real& value) {
    if (m == 0) {
        value = negative ? -0.0Q : 0.0Q;
        return true;
    }
    // Trailing zeros of m move into the power, which widens the range taken here.
    while (power < 0 && m % 10 == 0) m /= 10, ++power;
    if (power > MAX_POWER || power < -MAX_POWER) return false;

    if (power >= 0) {
        const u128 x = u128(m) * POW5[power];
        int top = top_bit(x);
        u128 sig = top <= MANTISSA_BITS ? x << (MANTISSA_BITS - top) : round_to_113(x, top, false);
        value = assemble(negative, sig, top + power);
        return true;
    }
    const int j = -power;
    if (divide_by_reciprocal(negative, m, j, value)) return true;
    const std::uint64_t d = POW5[j];
    const int mbits = 64 - __builtin_clzll(m);
    const int dbits = 64 - __builtin_clzll(d);
    const int a = QUOTIENT_BITS + dbits - mbits; // 59 .. 182
    // N = m << a as three 64-bit limbs n2:n1:n0.
    std::uint64_t n2 = 0, n1 = 0, n0 = 0;
    if (a >= 128) {
        n2 = m << (a - 128);
    } else if (a >= 64) {
        const int s = a - 64;
        n1 = m << s;
        n2 = s ? m >> (64 - s) : 0;
    } else {
        n0 = m << a;
        n1 = a ? m >> (64 - a) : 0;
    }
    std::uint64_t rem = n2 % d;
    const std::uint64_t q2 = n2 / d;
    const std::uint64_t q1 = divide_128_by_64(rem, n1, d, rem);
    const std::uint64_t q0 = divide_128_by_64(rem, n0, d, rem);
    if (q2 != 0) return false; // cannot happen with the widths chosen
    const u128 q = (u128(q1) << 64) | q0;
    int top = top_bit(q);
    const u128 sig = round_to_113(q, top, rem != 0);
    value = assemble(negative, sig, top - a - j);
    return true;
}

} // namespace

QuickRead quick_parse_real(std::string_view field, Real& value) {
    const char* p = field.data();
    const char* end = p + field.size();
    bool negative = false;
    if (p < end && (*p == '+' || *p == '-')) negative = *p++ == '-';
    std::uint64_t m = 0;
    int digits = 0; // significant digits kept in m
    int power = 0;  // decimal exponent of m
    bool any = false;
    while (p < end && *p == '0') ++p, any = true;
    // Digits are counted once a run ends: m is only used when the count stays within bounds.
    const char* run = p;
    while (p < end && static_cast<unsigned>(*p - '0') < 10)
        m = m * 10 + static_cast<unsigned>(*p++ - '0');
    digits = static_cast<int>(p - run);
    if (digits > MAX_DIGITS) return QuickRead::GENERAL;
    any = any || digits > 0;
    if (p < end && *p == '.') {
        ++p;
        if (m == 0)
            while (p < end && *p == '0') ++p, --power, any = true;
        run = p;
        while (p < end && static_cast<unsigned>(*p - '0') < 10)
            m = m * 10 + static_cast<unsigned>(*p++ - '0');
        const int fraction = static_cast<int>(p - run);
        digits += fraction;
        if (digits > MAX_DIGITS) return QuickRead::GENERAL;
        power -= fraction;
        any = any || fraction > 0;
    }
    if (!any) return QuickRead::GENERAL;
    if (p < end) {
        if (*p != 'E' && *p != 'e' && *p != 'D' && *p != 'd') return QuickRead::GENERAL;
        ++p;
        bool exp_negative = false;
        if (p < end && (*p == '+' || *p == '-')) exp_negative = *p++ == '-';
        if (p == end) return QuickRead::GENERAL;
        int exponent = 0;
        while (p < end && static_cast<unsigned>(*p - '0') < 10) {
            exponent = exponent * 10 + (*p++ - '0');
            if (exponent > 1000) return QuickRead::GENERAL;
        }
        if (p != end) return QuickRead::GENERAL;
        power += exp_negative ? -exponent : exponent;
    }
    return from_parts(negative, m, power, value) ? QuickRead::DONE : QuickRead::GENERAL;
}

bool parse_real_field_quick(std::string_view field, Real& value) {
    if (quick_parse_real(field, value) == QuickRead::DONE) return true;
    return parse_real_field(field, value);
}

const char* quick_scan_field(const char* p, const char* stop, char delimiter, Real& value) {
    bool negative = false;
    if (p < stop && (*p == '+' || *p == '-')) negative = *p++ == '-';
    std::uint64_t m = 0;
    int digits = 0; // every digit, leading zeros too: m < 10**19 whatever they are
    int taken = 0;
    if (!digit_run(p, stop, m, digits, taken)) return nullptr;
    int power = 0;
    if (p < stop && *p == '.') {
        ++p;
        if (!digit_run(p, stop, m, digits, taken)) return nullptr;
        power = -taken;
    }
    if (digits == 0 || (p != stop && *p != delimiter)) return nullptr;
    return from_parts(negative, m, power, value) ? p : nullptr;
}

} // namespace tarvex
