// Exact decimal digits of binary128 values. With |v| = M * 2**e2 (M the 113-bit significand),
// the digits are those of v * 10**p = M * 5**p * 2**(e2+p) for the power p that leaves `digits`
// digits before the point: the product M * 5**p is formed exactly in a few 64-bit limbs and
// shifted, the bit below the cut and the bits under it give the rounding, and the remainder,
// compared with half the spacing of binary128 numbers at v (5**p / 2 in the same units), tells
// whether the rounded digits read back to v. Values too large or too small for the table of
// powers of five take libquadmath's route.
#include "numeric/real_digits.hpp"

#include "numeric/decimal.hpp"

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstring>

namespace tarvex {

namespace {

using u64 = std::uint64_t;
using u128 = unsigned __int128;

constexpr int MAX_DIGITS = 36;
constexpr int MAX_POWER = 100; // 5**100 has 233 bits
constexpr int LIMBS = 7;       // M * 5**100 has at most 346 bits
constexpr int FRACTION_BITS = 112;
constexpr int EXPONENT_BIAS = 16383;

// A non-negative integer of LIMBS 64-bit limbs, low limb first.
struct Big {
    u64 w[LIMBS] = {};
};

int bit_length(const Big& a) {
    for (int k = LIMBS - 1; k >= 0; --k)
        if (a.w[k]) return 64 * k + 64 - __builtin_clzll(a.w[k]);
    return 0;
}

bool bit(const Big& a, int k) {
    return k >= 0 && k < 64 * LIMBS && ((a.w[k / 64] >> (k % 64)) & 1);
}

bool any_below(const Big& a, int k) {
    for (int limb = 0; limb < LIMBS && k > 0; ++limb, k -= 64) {
        const u64 mask = k >= 64 ? ~u64(0) : (u64(1) << k) - 1;
        if (a.w[limb] & mask) return true;
    }
    return false;
}

// Bits [shift, shift + 128) of a.
u128 bits_from(const Big& a, int shift) {
    const int limb = shift / 64, offset = shift % 64;
    auto get = [&](int k) -> u64 { return k < LIMBS ? a.w[k] : 0; };
    const u64 lo = offset ? (get(limb) >> offset) | (get(limb + 1) << (64 - offset)) : get(limb);
    const u64 hi =
        offset ? (get(limb + 1) >> offset) | (get(limb + 2) << (64 - offset)) : get(limb + 1);
    return (u128(hi) << 64) | lo;
}

// The bits of a below position k.
Big low_bits(const Big& a, int k) {
    Big r;
    for (int limb = 0; limb < LIMBS && k > 0; ++limb, k -= 64)
        r.w[limb] = a.w[limb] & (k >= 64 ? ~u64(0) : (u64(1) << k) - 1);
    return r;
}

// 2**k - a for a < 2**k.
Big complement(const Big& a, int k) {
    Big r;
    u64 borrow = 0;
    Big power;
    power.w[k / 64] = u64(1) << (k % 64);
    for (int limb = 0; limb < LIMBS; ++limb) {
        const u128 d = u128(power.w[limb]) - a.w[limb] - borrow;
        r.w[limb] = u64(d);
        borrow = u64(d >> 64) & 1;
    }
    return r;
}

Big shifted_left(const Big& a, int k) { // k in 1..63
    Big r;
    for (int limb = LIMBS - 1; limb >= 0; --limb)
        r.w[limb] = (a.w[limb] << k) | (limb ? a.w[limb - 1] >> (64 - k) : 0);
    return r;
}

int compare(const Big& a, const Big& b) {
    for (int limb = LIMBS - 1; limb >= 0; --limb)
        if (a.w[limb] != b.w[limb]) return a.w[limb] < b.w[limb] ? -1 : 1;
    return 0;
}

struct PowersOfFive {
    std::array<Big, MAX_POWER + 1> p;
    PowersOfFive() {
        p[0].w[0] = 1;
        for (int k = 1; k <= MAX_POWER; ++k) {
            u64 carry = 0;
            for (int limb = 0; limb < LIMBS; ++limb) {
                const u128 v = u128(p[k - 1].w[limb]) * 5 + carry;
                p[k].w[limb] = u64(v);
                carry = u64(v >> 64);
            }
        }
    }
};

const Big& power_of_five(int k) {
    static const PowersOfFive table;
    return table.p[k];
}

struct PowersOfTen {
    std::array<u128, 39> p;
    constexpr PowersOfTen() : p() {
        p[0] = 1;
        for (int k = 1; k < 39; ++k) p[k] = p[k - 1] * 10;
    }
};
constexpr PowersOfTen TEN;

// m (below 2**113) times b (below 2**233).
Big times(u128 m, const Big& b) {
    Big r;
    const u64 m0 = u64(m), m1 = u64(m >> 64);
    u64 carry = 0;
    for (int limb = 0; limb < LIMBS - 1; ++limb) {
        const u128 v = u128(b.w[limb]) * m0 + r.w[limb] + carry;
        r.w[limb] = u64(v);
        carry = u64(v >> 64);
    }
    r.w[LIMBS - 1] += carry;
    carry = 0;
    for (int limb = 0; limb + 1 < LIMBS; ++limb) {
        const u128 v = u128(b.w[limb]) * m1 + r.w[limb + 1] + carry;
        r.w[limb + 1] = u64(v);
        carry = u64(v >> 64);
    }
    return r;
}

// floor(log10(2**k)) or one less.
int decimal_exponent_estimate(int k) {
    return (k * 78913) >> 18;
}

struct DigitPairs {
    char text[200];
    constexpr DigitPairs() : text() {
        for (int k = 0; k < 100; ++k) {
            text[2 * k] = char('0' + k / 10);
            text[2 * k + 1] = char('0' + k % 10);
        }
    }
};
constexpr DigitPairs PAIRS;

// The n digits of x (leading zeros included) into out[0..n), two at a time.
void put_digits(u64 x, int n, char* out) {
    while (n >= 2) {
        const unsigned k = static_cast<unsigned>(x % 100) * 2;
        x /= 100;
        out[n - 1] = PAIRS.text[k + 1];
        out[n - 2] = PAIRS.text[k];
        n -= 2;
    }
    if (n) out[0] = char('0' + x % 10);
}

// Drops the trailing zeros of the n digits of x (x > 0); returns how many digits are left.
int strip_zeros(u64& x, int n) {
    while (x % 100000000 == 0) x /= 100000000, n -= 8;
    while (x % 10000 == 0) x /= 10000, n -= 4;
    while (x % 100 == 0) x /= 100, n -= 2;
    while (x % 10 == 0) x /= 10, n -= 1;
    return n;
}

// The significant digits of D (`digits` of them, the first non-zero) without its trailing
// zeros, into out; returns their count.
int significant_digits(u128 D, int digits, char* out) {
    constexpr u64 E18 = 1000000000000000000ULL; // 10**18
    if (digits <= 18) {
        u64 x = static_cast<u64>(D);
        const int n = strip_zeros(x, digits);
        put_digits(x, n, out);
        return n;
    }
    u64 high = static_cast<u64>(D / E18), low = static_cast<u64>(D % E18);
    const int high_digits = digits - 18;
    if (low == 0) {
        const int n = strip_zeros(high, high_digits);
        put_digits(high, n, out);
        return n;
    }
    put_digits(high, high_digits, out);
    const int n = strip_zeros(low, 18);
    put_digits(low, n, out + high_digits);
    return high_digits + n;
}

std::string format_general(bool negative, const DecimalDigits& d, int digits) {
    char text[MAX_DIGITS];
    const int last = significant_digits(d.D, digits, text); // digits once trailing zeros go
    const int X = d.exponent;
    std::string out;
    if (negative) out += '-';
    if (X >= -4 && X < digits) {
        if (X >= 0) {
            out.append(text, std::min(X + 1, last));
            if (last < X + 1) out.append(X + 1 - last, '0');
            if (last > X + 1) {
                out += '.';
                out.append(text + X + 1, last - X - 1);
            }
        } else {
            out += "0.";
            out.append(-X - 1, '0');
            out.append(text, last);
        }
        return out;
    }
    out += text[0];
    if (last > 1) {
        out += '.';
        out.append(text + 1, last - 1);
    }
    out += X < 0 ? "e-" : "e+";
    const int magnitude = X < 0 ? -X : X;
    if (magnitude < 10) out += '0';
    out += std::to_string(magnitude);
    return out;
}

} // namespace

bool decimal_digits(Real value, int digits, DecimalDigits& out) {
    if (digits < 1 || digits > MAX_DIGITS) return false;
    u128 bits;
    std::memcpy(&bits, &value, sizeof bits);
    const int field = int(bits >> FRACTION_BITS) & 0x7fff;
    if (field == 0 || field == 0x7fff) return false; // zero, subnormal, infinite, NaN
    const u128 M = (bits & ((u128(1) << FRACTION_BITS) - 1)) | (u128(1) << FRACTION_BITS);
    const int e2 = field - EXPONENT_BIAS - FRACTION_BITS;
    int X = decimal_exponent_estimate(e2 + FRACTION_BITS);
    for (int attempt = 0; attempt < 3; ++attempt) {
        const int p = digits - 1 - X;
        if (p < 0 || p > MAX_POWER) return false;
        const Big B = times(M, power_of_five(p));
        const int F = e2 + p;
        u128 T;
        if (F >= 0) {
            if (bit_length(B) + F > 127) {
                ++X;
                continue;
            }
            T = bits_from(B, 0) << F;
        } else if (bit_length(B) > -F + 127) {
            ++X;
            continue;
        } else {
            T = bits_from(B, -F);
        }
        if (T >= TEN.p[digits]) {
            ++X;
            continue;
        }
        if (T < TEN.p[digits - 1]) {
            --X;
            continue;
        }
        if (F >= 0) { // v * 10**p is a whole number of `digits` digits
            out = DecimalDigits{T, X, true};
            return true;
        }
        const int s = -F;
        const bool half = bit(B, s - 1);
        const bool sticky = any_below(B, s - 1);
        const bool up = half && (sticky || (T & 1));
        // Distance of the digits from v, in units of 2**-s of v * 10**p.
        const Big remainder = low_bits(B, s);
        const Big distance = up ? complement(remainder, s) : remainder;
        // Half the spacing at v is 5**p / 2 in these units; a quarter below a power of two.
        const bool narrow = !up && M == (u128(1) << FRACTION_BITS) && field > 1 && (half || sticky);
        const int c = compare(shifted_left(distance, narrow ? 2 : 1), power_of_five(p));
        out.reads_back = c < 0 || (c == 0 && (M & 1) == 0);
        out.D = T + (up ? 1 : 0);
        out.exponent = X;
        if (out.D == TEN.p[digits]) {
            out.D = TEN.p[digits - 1];
            ++out.exponent;
        }
        return true;
    }
    return false;
}

std::string general_text(Real value, int digits) {
    if (value == 0) return signbitq(value) ? "-0" : "0";
    DecimalDigits d;
    if (!decimal_digits(value, digits, d)) return real_to_string(value, digits);
    return format_general(signbitq(value) != 0, d, digits);
}

std::string round_trip_text(Real value) {
    constexpr int SHORT_DIGITS = 33; // decimal digits that binary128 always preserves
    constexpr int FULL_DIGITS = 36;  // decimal digits that always identify a binary128 value
    if (value == 0) return signbitq(value) ? "-0" : "0";
    DecimalDigits d;
    if (!decimal_digits(value, SHORT_DIGITS, d)) return std::string();
    if (d.reads_back) return format_general(signbitq(value) != 0, d, SHORT_DIGITS);
    if (!decimal_digits(value, FULL_DIGITS, d)) return std::string();
    return format_general(signbitq(value) != 0, d, FULL_DIGITS);
}

} // namespace tarvex
