// The exact dot product of binary128 vectors: every product is formed exactly (226 bits) and
// added into a fixed-point accumulator that spans the whole range of such products, and the sum
// is rounded once, to nearest with ties to even. The result is the correctly rounded value of
// the exact sum, however much the terms cancel, and is independent of their order.
// Positive and negative products go to separate accumulators, so that a sum changing sign never
// sends a borrow through the whole width; only the limbs the products have reached are cleared,
// compared and rounded, so that a short sum costs little more than its products.
#pragma once

#include "numeric/real.hpp"
#include "numeric/row_split.hpp"

#include <cstddef>
#include <cstdint>

namespace tarvex {

namespace limbs {
struct Product;
}

class ExactAccumulator {
public:
    // A finite value taken apart once, for the many products it enters (the rows of a fixed
    // matrix, the values of one observation).
    struct Factor {
        std::uint64_t low = 0, high = 0; // significand, implicit bit included
        int biased = 1;                  // biased exponent, 1 for subnormals
        bool negative = false;
    };
    // Takes a value apart; false for an infinity or a NaN, which only add_products takes.
    static bool decode(Real value, Factor& out);

    ExactAccumulator();
    // Copies hold the limbs in use only (a few of the thousand): the centred sums and the
    // residual statistics copy accumulators several times a command.
    ExactAccumulator(const ExactAccumulator& other);
    ExactAccumulator& operator=(const ExactAccumulator& other);
    void clear();
    // Adds a*b exactly. NaN or infinite terms make the result follow IEEE rules instead.
    void add_product(Real a, Real b);
    void add(Real a) { add_product(a, 1); }
    // Adds a[i]*b[i] for i < n.
    void add_products(const Real* a, const Real* b, std::size_t n);
    // Adds a * 2^scale exactly, for a value that, so scaled, lies within the products' range
    // (the rest a scaled result leaves, for instance).
    void add_scaled(Real a, int scale);
    // Adds a[i] for i < n.
    void add_values(const Real* a, std::size_t n);
    // Adds (or, with `negative`, subtracts) the integer held in five 64-bit limbs (lowest first)
    // times 2^weight: a sum of products formed exactly elsewhere on a common scale. Every set
    // bit must lie within the products' range (2^-32988 up to the spare bits above 2^32770).
    void add_five_limbs(const std::uint64_t* value, int weight, bool negative);
    // Adds a[i]*b[i] for i < n from decoded factors: the same sum as add_products, without
    // taking the values apart again. The accumulator must hold no infinite or NaN term.
    void add_decoded_products(const Factor* a, const Factor* b, std::size_t n);
    // Clears, adds a[i]*b[i] for i < n and returns the correctly rounded sum: the way to take
    // many dot products with one accumulator.
    Real dot(const Real* a, const Real* b, std::size_t n);
    // The correctly rounded sum so far (+inf or -inf when it exceeds the binary128 range).
    Real result() const { return result_scaled(0); }
    // The correctly rounded value of the sum times 2^scale: the sum brought into the binary128
    // range (or taken out of it) without a rounding on the way.
    Real result_scaled(int scale) const;
    // The binary exponent of the sum, floor(log2 |sum|), however far outside the binary128 range;
    // INT_MIN for a zero sum.
    int exponent() const;
    // Whether a NaN or infinite term has been added (the sum then follows IEEE rules).
    bool has_special() const { return special_; }
    // Adds the exact sum held by `other`. Both must hold finite terms only (has_special() false
    // for each): the merged sum is then exactly that of all their terms, in any order.
    void add_exact(const ExactAccumulator& other);

    // The accumulator's state as plain limbs, for carrying it to another process and merging it
    // there (parallel/exact_reduce.hpp): limbs low_limb() .. high_limb() of the positive and of
    // the negative sum hold the value (none when low_limb() > high_limb()); limb i weighs
    // 2^(64 i - OFFSET).
    int low_limb() const { return low_; }
    int high_limb() const { return high_; }
    std::uint64_t positive_limb(int i) const { return positive_[i]; }
    std::uint64_t negative_limb(int i) const { return negative_[i]; }
    // The IEEE sum kept once a NaN or infinite term was added (0 before).
    Real special_sum() const { return special_sum_; }
    // Makes the accumulator hold limbs low .. high of the two sums (0 <= low, high < LIMBS; no
    // limbs when high < low) and, with `special`, the IEEE sum `special_sum` instead.
    void assign_limbs(int low, int high, const std::uint64_t* positive,
                      const std::uint64_t* negative, bool special, Real special_sum);

    // Bits of the accumulator: products reach from 2^-32988 to below 2^32770; 64 bits spare
    // keep each of the two sums of up to 2^60 terms from overflowing.
    static constexpr int OFFSET = 32988;
    static constexpr int LIMBS = (OFFSET + 32770 + 64) / 64 + 1;

private:
    void accumulate(const Real* a, const Real* b);
    // Adds a 256-bit integer (four limbs, lowest first) at accumulator bit `position`, to the
    // negative sum when `negative`.
    void add_shifted(const limbs::Product& p, int position, bool negative);
    // Zeroes the limbs of both accumulators needed to make [first, last] part of the range.
    void widen(int first, int last);
    // Adds 1 at limb `index` and carries on upwards.
    void carry_into(std::uint64_t* limbs, int index);
    // Adds other's limbs low .. high into `limbs`, carrying on upwards.
    void add_limbs(std::uint64_t* limbs, const std::uint64_t* other, int low, int high);
    // Only limbs low_ .. high_ hold a value; the others are never read.
    std::uint64_t positive_[LIMBS];
    std::uint64_t negative_[LIMBS];
    int low_ = LIMBS, high_ = -1;
    bool special_ = false;
    Real special_sum_ = 0; // IEEE sum of the terms once a NaN or infinity appeared
};

// Sets `sums` to the exact sums of the terms that add(sums, begin, end) puts in for the rows
// [begin, end) of [0, n). A long range is taken in two halves on two threads (numeric/
// row_split.hpp) whose exact sums are merged, so the sums are the same as from one pass. When a
// NaN or an infinity appears the IEEE sum depends on the order of the terms, so the range is then
// summed again in one pass, in order. `Sums` is an ExactAccumulator, or a set of them filled in
// the same pass with the same three members: clear(), has_special() and add_exact(other).
template <class Sums, class AddTerms>
void split_accumulate(std::size_t n, Sums& sums, AddTerms add) {
    sums.clear();
    if (n < SPLIT_MIN_ROWS) {
        add(sums, std::size_t(0), n);
        return;
    }
    Sums upper;
    const bool split = split_rows(
        n, [&](std::size_t begin, std::size_t end) { add(begin == 0 ? sums : upper, begin, end); });
    if (!split) return;
    if (sums.has_special() || upper.has_special()) {
        sums.clear();
        add(sums, std::size_t(0), n);
        return;
    }
    sums.add_exact(upper);
}

// COUNT exact sums filled in the same pass over the rows, for split_accumulate.
template <int COUNT>
struct ExactSums {
    ExactAccumulator sums[COUNT];
    ExactAccumulator& operator[](int i) { return sums[i]; }
    const ExactAccumulator& operator[](int i) const { return sums[i]; }
    void clear() {
        for (ExactAccumulator& s : sums) s.clear();
    }
    bool has_special() const {
        for (const ExactAccumulator& s : sums)
            if (s.has_special()) return true;
        return false;
    }
    void add_exact(const ExactSums& other) {
        for (int i = 0; i < COUNT; ++i) sums[i].add_exact(other.sums[i]);
    }
};

// The sums below share long vectors between two threads in the same way.
// sum a[i]*b[i], correctly rounded.
Real exact_dot(const Real* a, const Real* b, std::size_t n);
// sum a[i], correctly rounded.
Real exact_sum(const Real* a, std::size_t n);
// sum a[i]^2, correctly rounded (no overflow or underflow in between).
Real exact_sum_of_squares(const Real* a, std::size_t n);

} // namespace tarvex
