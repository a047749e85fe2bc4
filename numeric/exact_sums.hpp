// Sums over a whole vector formed exactly and rounded once, for the moments and residual
// statistics of large samples: the sum of absolute values, sums of squares and cross products
// about given centres, and the lag-one products and differences. Each is the correctly rounded
// value of the exact sum of the stored values, so no order of summation and no cancellation
// costs digits. (The plain sum is exact_sum of numeric/exact_dot.hpp.)
#pragma once

#include "numeric/exact_dot.hpp"
#include "numeric/real.hpp"

#include <cstddef>
#include <vector>

namespace tarvex {

// sum |v[i]|, correctly rounded.
Real exact_abs_sum(const Real* v, std::size_t n);
// The mean of v (its correctly rounded sum divided by n) and sum (v[i] - mean)^2 with every
// difference exact, correctly rounded: the sum of the values is formed once for both.
struct MeanAndSquares {
    Real mean = 0;
    Real centred_squares = 0;
};
MeanAndSquares exact_mean_and_centred_squares(const Real* v, std::size_t n);
// sum (v[i] - centre)^2 with every difference exact, correctly rounded.
Real exact_centred_squares(const Real* v, std::size_t n, Real centre);
// sum (a[i] - centre_a) * (b[i] - centre_b) with every difference exact, correctly rounded.
Real exact_centred_products(const Real* a, const Real* b, std::size_t n, Real centre_a,
                            Real centre_b);
// sum (a[i] - centre_a) * (b[i] - centre_b) over n terms with every difference exact, correctly
// rounded, from the exact sums of a[i] * b[i], of a[i] and of b[i] formed beforehand.
Real exact_centred_from_sums(ExactAccumulator products, ExactAccumulator sum_a,
                             ExactAccumulator sum_b, std::size_t n, Real centre_a, Real centre_b);
// The exact sum `sum` holds as binary128 parts, largest first, whose exact sum it is (the
// correctly rounded sum, then that of the rest, ...): the form in which one column's sum enters
// the centred products of many pairs without a copy of its accumulator each time.
std::vector<Real> exact_parts(ExactAccumulator sum);
// exact_centred_from_sums with the sums of a and b as their parts; `products` is left holding
// the centred sum. The same correctly rounded value.
Real exact_centred_from_parts(ExactAccumulator& products, const std::vector<Real>& parts_a,
                              const std::vector<Real>& parts_b, std::size_t n, Real centre_a,
                              Real centre_b);
// sum v[i] * v[i-1] for i = 1..n-1, correctly rounded.
Real exact_lag_products(const Real* v, std::size_t n);
// sum (v[i] - v[i-1])^2 for i = 1..n-1 with every difference exact, correctly rounded.
Real exact_squared_differences(const Real* v, std::size_t n);
// The same sum for n values from sums gathered beforehand, without the values: the exact sums of
// v[i]^2 over all n values and of v[i] * v[i-1], and the end values v[0] and v[n-1]. Every term
// must be finite (then the value is that of exact_squared_differences).
Real exact_squared_differences_from_sums(ExactAccumulator squares, ExactAccumulator lag,
                                         std::size_t n, Real first, Real last);

} // namespace tarvex
