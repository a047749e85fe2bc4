// Exact sums through the exact accumulator. A difference is never formed: (a - c)(b - d) is
// expanded to a*b - d*a - c*b + c*d, the products over the vector go into one accumulator, the
// plain sums into others, and each plain sum, an exact number of any length, is read back as a
// few binary128 parts (round, subtract the rounded part exactly, repeat) that are multiplied by
// the centre exactly. The n copies of c*d are added as n*c_high*d and n*c_low*d, where the
// halves of c hold at most 57 significant bits, so that n times a half is exact below n = 2^56.
#include "numeric/exact_sums.hpp"

#include "numeric/exact_dot.hpp"

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

// Adds scale times the exact value held in `source` (which is used up): its parts, each the
// rounded remainder of the ones before, are multiplied by scale exactly.
void add_scaled(ExactAccumulator& sum, ExactAccumulator& source, Real scale)
{
    for (;;) {
        const Real part = source.result();
        if (part == 0)
            return;
        if (!finiteq(part)) { // an infinite or undefined sum stays so
            sum.add_product(part, scale);
            return;
        }
        sum.add_product(part, scale);
        source.add_product(part, -1);
    }
}

} // namespace

Real exact_abs_sum(const Real* v, std::size_t n)
{
    ExactAccumulator sum;
    for (std::size_t i = 0; i < n; ++i)
        sum.add(fabsq(v[i]));
    return sum.result();
}

Real exact_centred_squares(const Real* v, std::size_t n, Real centre)
{
    // sum v^2 - 2c sum v + n c^2.
    ExactAccumulator sum, plain;
    sum.add_products(v, v, n);
    plain.add_values(v, n);
    add_scaled(sum, plain, -2 * centre);
    add_count_times(sum, n, centre, centre);
    return sum.result();
}

Real exact_centred_products(const Real* a, const Real* b, std::size_t n, Real centre_a,
                            Real centre_b)
{
    // sum a*b - cb sum a - ca sum b + n ca cb.
    ExactAccumulator sum, plain;
    sum.add_products(a, b, n);
    plain.add_values(a, n);
    add_scaled(sum, plain, -centre_b);
    plain.clear();
    plain.add_values(b, n);
    add_scaled(sum, plain, -centre_a);
    add_count_times(sum, n, centre_a, centre_b);
    return sum.result();
}

Real exact_lag_products(const Real* v, std::size_t n)
{
    ExactAccumulator sum;
    if (n > 1)
        sum.add_products(v + 1, v, n - 1);
    return sum.result();
}

Real exact_squared_differences(const Real* v, std::size_t n)
{
    // sum (v[i] - v[i-1])^2 = 2 sum_{i>=1} v[i]^2 + v[0]^2 - v[n-1]^2 - 2 sum v[i] v[i-1].
    if (n < 2)
        return 0;
    ExactAccumulator sum, lag;
    sum.add_products(v + 1, v + 1, n - 1);
    sum.add_products(v + 1, v + 1, n - 1);
    sum.add_product(v[0], v[0]);
    sum.add_product(v[n - 1], -v[n - 1]);
    lag.add_products(v + 1, v, n - 1);
    add_scaled(sum, lag, -2);
    return sum.result();
}

} // namespace tarvex
