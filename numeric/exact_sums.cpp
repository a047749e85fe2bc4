// Exact sums through the exact accumulator. A difference a - b is not formed: its square is
// expanded, (a - b)^2 = a*a - 2*a*b + b*b, and every product goes into the accumulator exactly
// (doubling is exact). The n copies of centre^2 in the centred sum are added as two products
// n*centre_high*centre and n*centre_low*centre, where the halves hold at most 57 significant bits
// each, so that n times a half is exact for any n below 2^56.
#include "numeric/exact_sums.hpp"

#include "numeric/exact_dot.hpp"

#include <cstdint>
#include <cstring>

namespace tarvex {
namespace {

// The leading 56 bits of the significand of x (x itself when it has no more), so that
// x - high_half(x) is exact and has at most 57 significant bits.
Real high_half(Real x)
{
    unsigned __int128 bits;
    std::memcpy(&bits, &x, sizeof bits);
    bits &= ~((static_cast<unsigned __int128>(1) << 57) - 1);
    Real high;
    std::memcpy(&high, &bits, sizeof high);
    return high;
}

// Adds count * a * b exactly.
void add_count_times(ExactAccumulator& sum, std::size_t count, Real a, Real b)
{
    const Real high = high_half(a);
    sum.add_product(static_cast<Real>(count) * high, b);
    sum.add_product(static_cast<Real>(count) * (a - high), b);
}

} // namespace

Real exact_sum(const Real* v, std::size_t n)
{
    ExactAccumulator sum;
    for (std::size_t i = 0; i < n; ++i)
        sum.add(v[i]);
    return sum.result();
}

Real exact_abs_sum(const Real* v, std::size_t n)
{
    ExactAccumulator sum;
    for (std::size_t i = 0; i < n; ++i)
        sum.add(fabsq(v[i]));
    return sum.result();
}

Real exact_centred_squares(const Real* v, std::size_t n, Real centre)
{
    ExactAccumulator sum;
    const Real minus_twice = -2 * centre;
    for (std::size_t i = 0; i < n; ++i) {
        sum.add_product(v[i], v[i]);
        sum.add_product(v[i], minus_twice);
    }
    add_count_times(sum, n, centre, centre);
    return sum.result();
}

Real exact_centred_products(const Real* a, const Real* b, std::size_t n, Real centre_a,
                            Real centre_b)
{
    // sum (a - ca)(b - cb) = sum a*b - cb*a - ca*b, plus n*ca*cb.
    ExactAccumulator sum;
    const Real minus_a = -centre_a, minus_b = -centre_b;
    for (std::size_t i = 0; i < n; ++i) {
        sum.add_product(a[i], b[i]);
        sum.add_product(a[i], minus_b);
        sum.add_product(b[i], minus_a);
    }
    add_count_times(sum, n, centre_a, centre_b);
    return sum.result();
}

Real exact_lag_products(const Real* v, std::size_t n)
{
    ExactAccumulator sum;
    for (std::size_t i = 1; i < n; ++i)
        sum.add_product(v[i], v[i - 1]);
    return sum.result();
}

Real exact_squared_differences(const Real* v, std::size_t n)
{
    // sum (v[i] - v[i-1])^2 = 2 sum v[i]^2 - v[0]^2 - v[n-1]^2 - 2 sum v[i] v[i-1].
    ExactAccumulator sum;
    if (n < 2)
        return 0;
    for (std::size_t i = 1; i < n; ++i) {
        sum.add_product(v[i], 2 * v[i]);
        sum.add_product(v[i], -2 * v[i - 1]);
    }
    sum.add_product(v[0], v[0]);
    sum.add_product(v[n - 1], -v[n - 1]);
    return sum.result();
}

} // namespace tarvex
