// Order-preserving keys of binary128 values: a positive value's bits with the sign bit set, a
// negative value's bits complemented, so that unsigned integer order is the order of the values.
#include "numeric/real_order.hpp"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <x86intrin.h>

namespace tarvex {

namespace {

constexpr OrderKey SIGN_BIT = OrderKey(1) << 127;

// Below this many keys a comparison sort is as quick as another distribution pass.
constexpr std::ptrdiff_t SMALL_SORT = 256;
// Buckets of a distribution pass: 2^11, by the bits that follow the prefix all keys share.
constexpr int BUCKET_BITS = 11;
constexpr std::size_t BUCKETS = std::size_t(1) << BUCKET_BITS;

int leading_zeros(OrderKey k) {
    const auto high = static_cast<std::uint64_t>(k >> 64);
    const auto low = static_cast<std::uint64_t>(k);
    return high != 0 ? __builtin_clzll(high) : low != 0 ? 64 + __builtin_clzll(low) : 128;
}

// Sorts keys[0 .. n) ascending, `spare` holding as many: the keys are distributed into buckets
// by the 11 bits below the prefix they all share, and each bucket is sorted the same way, down
// to buckets small enough for a comparison sort. Spread-out data takes two or three passes.
void sort_keys(OrderKey* keys, OrderKey* spare, std::ptrdiff_t n) {
    if (n < SMALL_SORT) {
        std::sort(keys, keys + n);
        return;
    }
    const auto [low, high] = std::minmax_element(keys, keys + n);
    const OrderKey base = *low;
    const int spread_bits = 128 - leading_zeros(*high - base);
    if (spread_bits == 0) return; // all equal
    const int shift = std::max(spread_bits - BUCKET_BITS, 0);
    const auto bucket = [&](OrderKey k) { return std::size_t((k - base) >> shift); };
    std::vector<std::ptrdiff_t> counts(2 * BUCKETS + 1, 0); // the bucket starts, then cursors
    std::ptrdiff_t* start = counts.data();
    std::ptrdiff_t* next = start + BUCKETS + 1;
    for (std::ptrdiff_t i = 0; i < n; ++i) ++start[bucket(keys[i]) + 1];
    for (std::size_t b = 1; b <= BUCKETS; ++b) start[b] += start[b - 1];
    std::copy(start, start + BUCKETS, next);
    for (std::ptrdiff_t i = 0; i < n; ++i) spare[next[bucket(keys[i])]++] = keys[i];
    std::copy(spare, spare + n, keys);
    for (std::size_t b = 0; b < BUCKETS; ++b)
        if (start[b + 1] - start[b] > 1)
            sort_keys(keys + start[b], spare + start[b], start[b + 1] - start[b]);
}

} // namespace

OrderKey order_key(Real x) {
    OrderKey bits;
    std::memcpy(&bits, &x, sizeof bits);
    return bits & SIGN_BIT ? ~bits : bits | SIGN_BIT;
}

Real value_of_key(OrderKey key) {
    const OrderKey bits = key & SIGN_BIT ? key & ~SIGN_BIT : ~key;
    // Straight into a vector register: a 16-byte reload of two 8-byte stores would stall.
    const __m128i halves =
        _mm_set_epi64x(static_cast<long long>(bits >> 64), static_cast<long long>(bits));
    Real x;
    std::memcpy(&x, &halves, sizeof x);
    return x;
}

void sort_reals(std::vector<Real>& values) {
    std::vector<OrderKey> keys(values.size());
    for (std::size_t i = 0; i < values.size(); ++i) keys[i] = order_key(values[i]);
    std::vector<OrderKey> spare(keys.size());
    sort_keys(keys.data(), spare.data(), std::ptrdiff_t(keys.size()));
    for (std::size_t i = 0; i < values.size(); ++i) values[i] = value_of_key(keys[i]);
}

std::vector<std::size_t> stable_order(const std::vector<Real>& values) {
    struct Entry {
        OrderKey key;
        std::size_t index;
    };
    const OrderKey plus_zero = order_key(0), minus_zero = ~SIGN_BIT;
    std::vector<Entry> entries(values.size());
    for (std::size_t i = 0; i < values.size(); ++i) {
        const OrderKey key = order_key(values[i]);
        entries[i] = {key == minus_zero ? plus_zero : key, i};
    }
    std::sort(entries.begin(), entries.end(), [](const Entry& a, const Entry& b) {
        return a.key < b.key || (a.key == b.key && a.index < b.index);
    });
    std::vector<std::size_t> order(values.size());
    for (std::size_t i = 0; i < order.size(); ++i) order[i] = entries[i].index;
    return order;
}

} // namespace tarvex
