// Packing, merging and unpacking exact sums (see exact_packing.hpp for the layout).
#include "parallel/exact_packing.hpp"

#include <algorithm>
#include <cstring>
#include <x86intrin.h>

namespace tarvex::parallel {

namespace {

constexpr std::size_t RECORD_HEADER = 4; // limb count, special flag, special sum (two words)

// The limbs a record holds for range pair (low, minus_high): from low to one above the highest
// in use, within the accumulator's width; 0 for an accumulator empty everywhere.
int packed_limbs(int low, int minus_high) {
    const int high = -minus_high;
    if (high < low) return 0;
    return std::min(high + 1, ExactAccumulator::LIMBS - 1) - low + 1;
}

std::uint64_t real_word(Real value, int half) {
    std::uint64_t words[2];
    std::memcpy(words, &value, sizeof value);
    return words[half];
}

Real word_real(const std::uint64_t* words) {
    Real value;
    std::memcpy(&value, words, sizeof value);
    return value;
}

void store_real(Real value, std::uint64_t* words) {
    std::memcpy(words, &value, sizeof value);
}

// a += b over n limbs, lowest first; the carry out of the top limb cannot occur (the record
// keeps a spare limb).
void add_limb_arrays(std::uint64_t* a, const std::uint64_t* b, std::size_t n) {
    unsigned char carry = 0;
    for (std::size_t i = 0; i < n; ++i) {
        unsigned long long sum;
        carry = _addcarry_u64(carry, a[i], b[i], &sum);
        a[i] = sum;
    }
}

} // namespace

std::vector<int> limb_ranges(const ExactAccumulator* sums, std::size_t n) {
    std::vector<int> ranges(2 * n);
    for (std::size_t i = 0; i < n; ++i) {
        const bool empty = sums[i].high_limb() < sums[i].low_limb();
        ranges[2 * i] = empty ? ExactAccumulator::LIMBS : sums[i].low_limb();
        ranges[2 * i + 1] = empty ? 1 : -sums[i].high_limb();
    }
    return ranges;
}

std::vector<std::uint64_t> pack_exact_sums(const ExactAccumulator* sums, std::size_t n,
                                           const std::vector<int>& ranges) {
    std::size_t words = 1;
    for (std::size_t i = 0; i < n; ++i)
        words += RECORD_HEADER + 2 * std::size_t(packed_limbs(ranges[2 * i], ranges[2 * i + 1]));
    std::vector<std::uint64_t> packed(words, 0);
    packed[0] = words;
    std::size_t at = 1;
    for (std::size_t i = 0; i < n; ++i) {
        const ExactAccumulator& s = sums[i];
        const int low = ranges[2 * i];
        const int m = packed_limbs(low, ranges[2 * i + 1]);
        packed[at] = std::uint64_t(m);
        packed[at + 1] = s.has_special() ? 1 : 0;
        packed[at + 2] = real_word(s.special_sum(), 0);
        packed[at + 3] = real_word(s.special_sum(), 1);
        std::uint64_t* positive = packed.data() + at + RECORD_HEADER;
        std::uint64_t* negative = positive + m;
        for (int k = s.low_limb(); k <= s.high_limb(); ++k) {
            positive[k - low] = s.positive_limb(k);
            negative[k - low] = s.negative_limb(k);
        }
        at += RECORD_HEADER + 2 * std::size_t(m);
    }
    return packed;
}

void merge_packed_sums(const std::uint64_t* in, std::uint64_t* inout) {
    const std::size_t words = inout[0];
    std::size_t at = 1;
    while (at < words) {
        const std::size_t m = inout[at];
        if (in[at + 1] != 0) {
            const Real incoming = word_real(in + at + 2);
            store_real(inout[at + 1] != 0 ? word_real(inout + at + 2) + incoming : incoming,
                       inout + at + 2);
            inout[at + 1] = 1;
        }
        std::uint64_t* limbs = inout + at + RECORD_HEADER;
        add_limb_arrays(limbs, in + at + RECORD_HEADER, m);         // positive sums
        add_limb_arrays(limbs + m, in + at + RECORD_HEADER + m, m); // negative sums
        at += RECORD_HEADER + 2 * m;
    }
}

void unpack_exact_sums(const std::uint64_t* packed, const std::vector<int>& ranges,
                       ExactAccumulator* sums, std::size_t n) {
    std::size_t at = 1;
    for (std::size_t i = 0; i < n; ++i) {
        const int m = static_cast<int>(packed[at]);
        const int low = ranges[2 * i];
        const std::uint64_t* positive = packed + at + RECORD_HEADER;
        sums[i].assign_limbs(low, low + m - 1, positive, positive + m, packed[at + 1] != 0,
                             word_real(packed + at + 2));
        at += RECORD_HEADER + 2 * std::size_t(m);
    }
}

} // namespace tarvex::parallel
