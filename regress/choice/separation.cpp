// Finding perfect prediction: the threshold check of each regressor and the check of a fit that
// ran away.
#include "regress/choice/separation.hpp"

#include "numeric/fast_arith.hpp"
#include "numeric/qmath.hpp"
#include "regress/choice/choice_pass.hpp"

#include <algorithm>
#include <cstdint>

namespace tarvex {

namespace {

// A log-likelihood term above this is a probability of 1 - 1e-30 or closer: no finite
// coefficients at which the data are merely well predicted come so near.
const Real CERTAIN_TERM = -1e-30Q;
// Iterations looked back over to see which coefficients grow.
constexpr std::size_t GROWTH_SPAN = 5;
// A coefficient "grows" when it moved by this share of the largest move over the span.
const Real GROWTH_SHARE = 1e-3Q;

// A number's place in IEEE order as a signed integer: the magnitude's bits, negated for a
// negative number, so that -0 and +0 share the key 0 and the keys of two numbers other than NaN
// compare as the numbers do. `nan` is set for a NaN (its key means nothing).
using OrderKey = __int128;
const OrderKey NO_KEY_ABOVE = ~(OrderKey(1) << 127); // above every number's key
const OrderKey NO_KEY_BELOW = OrderKey(1) << 127;    // below every number's key

inline OrderKey order_key(Real v, bool& nan) {
    const limbs::u128 bits = limbs::bits_of(v);
    const limbs::u128 magnitude = bits & ~(limbs::u128(1) << 127);
    constexpr limbs::u128 INFINITE = limbs::u128(limbs::EXPONENT_FIELD) << limbs::FRACTION_BITS;
    nan = magnitude > INFINITE;
    const OrderKey negative = OrderKey(bits) >> 127; // 0, or -1 for a negative sign
    return (OrderKey(magnitude) ^ negative) - negative;
}

} // namespace

Separation regressor_separation(const ChoiceData& data) {
    Separation s;
    const std::size_t n = data.rows();
    const int k = static_cast<int>(data.columns());
    const Real* y = data.y_values();
    // The range of every regressor in each outcome group, by chunk on the threads, then merged.
    // Values are compared by their order keys (see order_key): the first value of a group
    // stays its minimum and maximum until one strictly below or above it comes, so of -0 and +0
    // the first seen is kept, a NaN never replaces a value, and a group whose first value is a
    // NaN keeps it (its keys then admit nothing), as with IEEE comparisons.
    struct Range {
        bool seen[2] = {false, false};
        Real lo[2] = {0, 0}, hi[2] = {0, 0};
        OrderKey lo_key[2] = {NO_KEY_ABOVE, NO_KEY_ABOVE}, hi_key[2] = {NO_KEY_BELOW, NO_KEY_BELOW};
        void take(int g, Real v) {
            bool nan = false;
            const OrderKey key = order_key(v, nan);
            if (nan) {
                if (!seen[g]) {
                    lo[g] = hi[g] = v;
                    lo_key[g] = NO_KEY_BELOW;
                    hi_key[g] = NO_KEY_ABOVE;
                }
                seen[g] = true;
                return;
            }
            seen[g] = true;
            if (key < lo_key[g]) lo_key[g] = key, lo[g] = v;
            if (key > hi_key[g]) hi_key[g] = key, hi[g] = v;
        }
        // take(g, x[i]) for the rows `rows` of group g, in order.
        void take_rows(int g, const Real* x, const std::vector<std::uint32_t>& rows) {
            for (std::uint32_t i : rows) take(g, x[i]);
        }
        void merge(const Range& o) {
            for (int g = 0; g < 2; ++g)
                if (o.seen[g]) {
                    take(g, o.lo[g]);
                    take(g, o.hi[g]);
                }
        }
    };
    const std::size_t chunks = (n + PASS_CHUNK - 1) / PASS_CHUNK;
    std::vector<std::vector<Range>> parts(chunks, std::vector<Range>(std::size_t(k)));
    for_each_chunk(n, [&](std::size_t c, std::size_t begin, std::size_t end) {
        // The chunk's rows of each outcome, found once for every regressor.
        std::vector<std::uint32_t> rows[2];
        for (int g = 0; g < 2; ++g) rows[g].reserve(end - begin);
        for (std::size_t i = begin; i < end; ++i)
            rows[!fast_is_zero(y[i])].push_back(static_cast<std::uint32_t>(i - begin));
        for (int j = 0; j < k; ++j) {
            if (j == data.intercept) continue;
            const Real* x = data.column(std::size_t(j)) + begin;
            Range& r = parts[c][std::size_t(j)];
            for (int g = 0; g < 2; ++g) r.take_rows(g, x, rows[g]);
        }
    });
    for (int j = 0; j < k; ++j) {
        if (j == data.intercept) continue;
        Range r;
        for (const std::vector<Range>& part : parts) r.merge(part[std::size_t(j)]);
        if (!r.seen[0] || !r.seen[1]) return s;
        // Ones above: max over y = 0 <= min over y = 1; ones below: max over y = 1 <= min over y =
        // 0.
        const bool above = r.hi[0] <= r.lo[1], below = r.hi[1] <= r.lo[0];
        if (!above && !below) continue;
        const Real* x = data.column(std::size_t(j));
        s.found = true;
        s.by_threshold = true;
        s.columns = {j};
        s.ones_above = above;
        s.threshold = above ? r.hi[0] : r.hi[1];
        s.complete = above ? r.hi[0] < r.lo[1] : r.hi[1] < r.lo[0];
        for (std::size_t i = 0; i < n; ++i)
            if (!equal_values(x[i], s.threshold) || s.complete) s.rows.push_back(int(i));
        return s;
    }
    return s;
}

Separation fitted_separation(const std::vector<Real>& log_terms,
                             const std::vector<std::vector<Real>>& history, int intercept) {
    Separation s;
    for (std::size_t i = 0; i < log_terms.size(); ++i)
        if (log_terms[i] > CERTAIN_TERM) s.rows.push_back(int(i));
    if (s.rows.empty()) return s;
    s.found = true;
    s.complete = s.rows.size() == log_terms.size();
    if (history.size() < 2) return s;
    const std::vector<Real>& last = history.back();
    const std::vector<Real>& before =
        history[history.size() - 1 - std::min(GROWTH_SPAN, history.size() - 1)];
    Real largest = 0;
    std::vector<Real> moved(last.size());
    for (std::size_t j = 0; j < last.size(); ++j) {
        moved[j] = qm::abs(last[j] - before[j]);
        if (int(j) != intercept) largest = std::max(largest, moved[j]);
    }
    for (std::size_t j = 0; j < last.size(); ++j)
        if (int(j) != intercept && largest > 0 && moved[j] > GROWTH_SHARE * largest)
            s.columns.push_back(int(j));
    return s;
}

} // namespace tarvex
