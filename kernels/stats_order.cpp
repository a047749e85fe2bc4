// SORTSH and the other order statistics of STATS.
#include "kernels/stats_order.hpp"

#include "numeric/qmath.hpp"
#include "numeric/real_order.hpp"

#include <algorithm>
#include <cstring>

namespace tarvex {

namespace {

// Value at a 1-based position p of sorted data, interpolating between neighbours.
Real at_position(const std::vector<Real>& s, Real p) {
    const long long n = (long long)s.size();
    if (p <= 1) return s.front();
    if (p >= Real(n)) return s.back();
    const long long i = (long long)floorq(p);
    const Real frac = p - Real(i);
    return s[i - 1] + frac * (s[i] - s[i - 1]);
}

constexpr int EXPONENT_BIAS = 16383;
constexpr int SIGNIFICAND_BITS = 112;
constexpr int SPECIAL_EXPONENT = 0x7fff;

// The biased exponent field of a binary128 value.
int biased_exponent(OrderKey bits) {
    return int((bits >> SIGNIFICAND_BITS) & SPECIAL_EXPONENT);
}

// For sorted values a < b of one sign, neither zero, infinite nor NaN: whether they are so far
// apart that nearly_equal must be false. The tolerance is below 2^-36, so nearly equal values
// differ by less than 2^(E-34), E the binary exponent of max(1, |a|, |b|); b - a is at least
// the number of representable steps between them (the difference of their bits) times the
// spacing at the smaller magnitude.
bool clearly_apart(OrderKey small_bits, OrderKey large_bits) {
    const int small_exponent = std::max(biased_exponent(small_bits), 1); // subnormal spacing
    const int large_exponent = biased_exponent(large_bits) - EXPONENT_BIAS;
    const int spacing = small_exponent - EXPONENT_BIAS - SIGNIFICAND_BITS; // log2 of the spacing
    const int needed = std::max(large_exponent, 0) - 34 - spacing; // log2 of the steps needed
    const OrderKey steps = large_bits - small_bits;
    if (needed <= 0) return true;
    return needed < 127 && (steps >> needed) != 0;
}

// nearly_equal(a, b) for sorted a <= b, deciding most pairs from their bits.
bool nearly_equal_sorted(Real a, Real b) {
    OrderKey x, y;
    std::memcpy(&x, &a, sizeof x);
    std::memcpy(&y, &b, sizeof y);
    const bool special =
        biased_exponent(x) == SPECIAL_EXPONENT || biased_exponent(y) == SPECIAL_EXPONENT;
    if (!special) {
        if (x == y) return true;
        const OrderKey sign = OrderKey(1) << 127;
        const OrderKey magnitude = ~sign;
        const bool zero = (x & magnitude) == 0 || (y & magnitude) == 0;
        if (!zero && (x & sign) == (y & sign)) {
            // Positive: b has the larger magnitude; negative: a has.
            const bool apart =
                (x & sign) ? clearly_apart(y & magnitude, x & magnitude) : clearly_apart(x, y);
            if (apart) return false;
        }
    }
    return nearly_equal(a, b);
}

// Runs of nearly equal values in sorted data: [first, last) index pairs.
template <typename F>
void for_each_run(const std::vector<Real>& s, F f) {
    std::size_t i = 0;
    while (i < s.size()) {
        std::size_t j = i + 1;
        while (j < s.size() && nearly_equal_sorted(s[i], s[j])) ++j;
        f(i, j);
        i = j;
    }
}

// Stems beyond this magnitude do not fit the stem column.
const Real STEM_LIMIT = 99999;

// Powers of ten beyond the binary128 range are held at its edges.
constexpr int MAX_POWER = 4940;

Real power_of_ten(int k) {
    k = std::clamp(k, -MAX_POWER, MAX_POWER);
    Real p = 1;
    for (int i = 0; i < std::abs(k); ++i) p *= 10;
    return k < 0 ? 1 / p : p;
}

} // namespace

bool nearly_equal(Real a, Real b) {
    const Real scale = std::max({Real(1), fabsq(a), fabsq(b)});
    return fabsq(a - b) <= EQUAL_VALUE_TOLERANCE * scale;
}

OrderStatistics SORTSH(std::vector<Real> values, Real xmiss) {
    std::erase(values, xmiss);
    OrderStatistics o;
    o.n = (long long)values.size();
    if (o.n == 0) return o;
    sort_reals(values);
    const long long n = o.n;
    o.median = n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
    const Real p = Real(n + 1) / 4;
    o.lower_quartile = at_position(values, p);
    o.upper_quartile = at_position(values, Real(n + 1) - p);
    long long best = 0;
    int ties = 0;
    for_each_run(values, [&](std::size_t a, std::size_t b) {
        const long long c = (long long)(b - a);
        if (c > best) {
            best = c;
            ties = 1;
            o.mode = values[a];
        } else if (c == best) {
            ++ties;
            o.mode = values[a]; // later runs hold larger values: the maximum is kept
        }
    });
    o.mode_count = best;
    o.mode_applicable = best > 1;
    o.multiple_modes = o.mode_applicable && ties > 1;
    return o;
}

std::vector<Real> average_ranks(const std::vector<Real>& values) {
    const std::vector<std::size_t> order = stable_order(values);
    std::vector<Real> ranks(values.size());
    std::size_t i = 0;
    while (i < order.size()) {
        std::size_t j = i + 1;
        while (j < order.size() && values[order[j]] == values[order[i]]) ++j;
        const Real rank = Real(i + 1 + j) / 2; // mean of ranks i+1 .. j
        for (std::size_t k = i; k < j; ++k) ranks[order[k]] = rank;
        i = j;
    }
    return ranks;
}

Real tie_sum(const std::vector<Real>& values) {
    std::vector<Real> s = values;
    sort_reals(s);
    Real total = 0;
    std::size_t i = 0;
    while (i < s.size()) {
        std::size_t j = i + 1;
        while (j < s.size() && s[j] == s[i]) ++j;
        const Real t = Real(j - i);
        total += t * t * t - t;
        i = j;
    }
    return total;
}

std::vector<FrequencyRow> frequency_table(std::vector<Real> values) {
    sort_reals(values);
    std::vector<FrequencyRow> rows;
    const Real n = Real(values.size());
    long long cumulative = 0;
    for_each_run(values, [&](std::size_t a, std::size_t b) {
        FrequencyRow r;
        r.value = values[a];
        r.count = (long long)(b - a);
        cumulative += r.count;
        r.percent = Real(r.count) * 100 / n;
        r.cumulative = Real(cumulative) * 100 / n;
        r.remaining = Real((long long)values.size() - cumulative) * 100 / n;
        rows.push_back(r);
    });
    return rows;
}

std::vector<StemRow> stem_and_leaf(std::vector<Real> values, int digits, long long max_stems,
                                   bool& too_many) {
    too_many = false;
    std::vector<StemRow> rows;
    if (values.empty()) return rows;
    sort_reals(values);
    const Real unit = power_of_ten(digits);
    const Real leaf_unit = power_of_ten(digits - 1);
    auto stem_of = [&](Real x) { return floorq(x / unit); };
    const Real lo = stem_of(values.front()), hi = stem_of(values.back());
    const bool units_usable = leaf_unit > 0 && !isinfq(unit);
    if (!units_usable || !(fabsq(lo) <= STEM_LIMIT) || !(fabsq(hi) <= STEM_LIMIT) ||
        hi - lo + 1 > Real(max_stems)) {
        too_many = true;
        return rows;
    }
    long long cumulative = 0;
    std::size_t i = 0;
    for (Real stem = lo; stem <= hi; stem += 1) {
        StemRow r;
        r.stem = (long long)stem;
        for (; i < values.size() && stem_of(values[i]) == stem; ++i) {
            ++cumulative;
            long long leaf = (long long)floorq((values[i] - stem * unit) / leaf_unit);
            leaf = std::clamp(leaf, 0LL, 9LL);
            if ((int)r.leaves.size() < MAX_LEAVES) r.leaves.push_back(char('0' + leaf));
        }
        r.cumulative = cumulative;
        rows.push_back(r);
    }
    return rows;
}

} // namespace tarvex
