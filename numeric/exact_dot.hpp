// The exact dot product of binary128 vectors: every product is formed exactly (226 bits) and
// added into a fixed-point accumulator that spans the whole range of such products, and the sum
// is rounded once, to nearest with ties to even. The result is the correctly rounded value of
// the exact sum, however much the terms cancel, and is independent of their order.
#pragma once

#include "numeric/real.hpp"

#include <cstddef>
#include <cstdint>

namespace tarvex {

class ExactAccumulator {
public:
    ExactAccumulator();
    void clear();
    // Adds a*b exactly. NaN or infinite terms make the result follow IEEE rules instead.
    void add_product(Real a, Real b);
    void add(Real a) { add_product(a, 1); }
    // The correctly rounded sum so far (+inf or -inf when it exceeds the binary128 range).
    Real result() const;
    // Clears, adds a[i]*b[i] for i < n and returns the correctly rounded sum: the way to take
    // many dot products with one accumulator (clearing costs only the limbs last written).
    Real dot(const Real* a, const Real* b, std::size_t n);

    // Bits of the accumulator: products reach from 2^-32988 to below 2^32770; 64 bits spare
    // keep the sum of up to 2^60 terms from overflowing.
    static constexpr int OFFSET = 32988;
    static constexpr int LIMBS = (OFFSET + 32770 + 64) / 64 + 1;

private:
    void accumulate(const Real* a, const Real* b); // add_product, inlined into dot()
    // The positive and the negative products are summed apart, as magnitudes, so that a sum
    // changing sign never sends a borrow through the limbs above it; they meet in result().
    std::uint64_t positive_[LIMBS];
    std::uint64_t negative_[LIMBS];
    int low_ = LIMBS; // limbs low_ .. high_ may be nonzero (in either sum), all others are zero
    int high_ = -1;
    bool special_ = false;
    Real special_sum_ = 0; // IEEE sum of the terms once a NaN or infinity appeared
};

// sum a[i]*b[i], correctly rounded.
Real exact_dot(const Real* a, const Real* b, std::size_t n);
// sum a[i]^2, correctly rounded (no overflow or underflow in between).
Real exact_sum_of_squares(const Real* a, std::size_t n);

} // namespace tarvex
