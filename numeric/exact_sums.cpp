// Exact sums through the exact accumulator. A difference is never formed: (a - c)(b - d) is
// expanded to a*b - d*a - c*b + c*d, the products over the vector go into one accumulator, the
// plain sums into others, and each plain sum, an exact number of any length, is read back as a
// few binary128 parts (round, subtract the rounded part exactly, repeat) that are multiplied by
// the centre exactly. The n copies of c*d are added as n*c_high*d and n*c_low*d, where the
// halves of c hold at most 57 significant bits, so that n times a half is exact below n = 2^56.
#include "numeric/exact_sums.hpp"

#include "numeric/exact_dot.hpp"

#include <cstring>
#include <memory>

namespace tarvex {
namespace {

// The leading 56 bits of the significand of x (x itself when it has no more), so that
// x - high_half(x) is exact and has at most 57 significant bits.
Real high_half(Real x) {
    unsigned __int128 bits;
    std::memcpy(&bits, &x, sizeof bits);
    bits &= ~((static_cast<unsigned __int128>(1) << 57) - 1);
    Real high;
    std::memcpy(&high, &bits, sizeof high);
    return high;
}

// Adds count * a * b exactly.
void add_count_times(ExactAccumulator& sum, std::size_t count, Real a, Real b) {
    const Real high = high_half(a);
    sum.add_product(static_cast<Real>(count) * high, b);
    sum.add_product(static_cast<Real>(count) * (a - high), b);
}

// Adds scale times the exact value held in `source` (which is used up): its parts, each the
// rounded remainder of the ones before, are multiplied by scale exactly.
void add_scaled(ExactAccumulator& sum, ExactAccumulator& source, Real scale) {
    for (;;) {
        const Real part = source.result();
        if (part == 0) return;
        if (!finiteq(part)) { // an infinite or undefined sum stays so
            sum.add_product(part, scale);
            return;
        }
        sum.add_product(part, scale);
        source.add_product(part, -1);
    }
}

// sum a[i]*b[i] over [0, n), exactly, into `sum`.
void accumulate_products(ExactAccumulator& sum, const Real* a, const Real* b, std::size_t n) {
    split_accumulate(n, sum, [a, b](ExactAccumulator& part, std::size_t begin, std::size_t end) {
        part.add_products(a + begin, b + begin, end - begin);
    });
}

// sum a[i] over [0, n), exactly, into `sum`.
void accumulate_values(ExactAccumulator& sum, const Real* a, std::size_t n) {
    split_accumulate(n, sum, [a](ExactAccumulator& part, std::size_t begin, std::size_t end) {
        part.add_values(a + begin, end - begin);
    });
}

} // namespace

Real exact_abs_sum(const Real* v, std::size_t n) {
    ExactAccumulator sum;
    split_accumulate(n, sum, [v](ExactAccumulator& part, std::size_t begin, std::size_t end) {
        for (std::size_t i = begin; i < end; ++i) part.add(fabsq(v[i]));
    });
    return sum.result();
}

Real exact_centred_from_sums(ExactAccumulator products, ExactAccumulator sum_a,
                             ExactAccumulator sum_b, std::size_t n, Real centre_a, Real centre_b) {
    // sum a*b - cb sum a - ca sum b + n ca cb.
    add_scaled(products, sum_a, -centre_b);
    add_scaled(products, sum_b, -centre_a);
    add_count_times(products, n, centre_a, centre_b);
    return products.result();
}

std::vector<Real> exact_parts(ExactAccumulator sum) {
    std::vector<Real> parts;
    for (;;) {
        const Real part = sum.result();
        if (part == 0) return parts;
        parts.push_back(part);
        if (!finiteq(part)) return parts; // an infinite or undefined sum stays so
        sum.add_product(part, -1);
    }
}

Real exact_centred_from_parts(ExactAccumulator& products, const std::vector<Real>& parts_a,
                              const std::vector<Real>& parts_b, std::size_t n, Real centre_a,
                              Real centre_b) {
    for (const Real part : parts_a) products.add_product(part, -centre_b);
    for (const Real part : parts_b) products.add_product(part, -centre_a);
    add_count_times(products, n, centre_a, centre_b);
    return products.result();
}

Real exact_centred_squares(const Real* v, std::size_t n, Real centre) {
    auto sums = std::make_unique<ExactAccumulator[]>(2); // products, values
    accumulate_products(sums[0], v, v, n);
    accumulate_values(sums[1], v, n);
    return exact_centred_from_sums(sums[0], sums[1], sums[1], n, centre, centre);
}

MeanAndSquares exact_mean_and_centred_squares(const Real* v, std::size_t n) {
    MeanAndSquares out;
    if (n == 0) return out;
    auto sums = std::make_unique<ExactAccumulator[]>(2); // products, values
    accumulate_values(sums[1], v, n);
    out.mean = sums[1].result() / static_cast<Real>(n);
    accumulate_products(sums[0], v, v, n);
    out.centred_squares = exact_centred_from_sums(sums[0], sums[1], sums[1], n, out.mean, out.mean);
    return out;
}

Real exact_centred_products(const Real* a, const Real* b, std::size_t n, Real centre_a,
                            Real centre_b) {
    auto sums = std::make_unique<ExactAccumulator[]>(3); // products, values of a, values of b
    accumulate_products(sums[0], a, b, n);
    accumulate_values(sums[1], a, n);
    accumulate_values(sums[2], b, n);
    return exact_centred_from_sums(sums[0], sums[1], sums[2], n, centre_a, centre_b);
}

Real exact_lag_products(const Real* v, std::size_t n) {
    ExactAccumulator sum;
    if (n > 1) accumulate_products(sum, v + 1, v, n - 1);
    return sum.result();
}

Real exact_squared_differences(const Real* v, std::size_t n) {
    // sum (v[i] - v[i-1])^2 = 2 sum_{i>=1} v[i]^2 + v[0]^2 - v[n-1]^2 - 2 sum v[i] v[i-1].
    if (n < 2) return 0;
    ExactAccumulator squares, lag;
    accumulate_products(squares, v + 1, v + 1, n - 1);
    if (squares.has_special()) { // a NaN or an infinity: the IEEE sum of the squares, in order
        Real ieee = 0;
        for (std::size_t i = 1; i < n; ++i) ieee += (v[i] - v[i - 1]) * (v[i] - v[i - 1]);
        return ieee;
    }
    ExactAccumulator sum = squares;
    sum.add_exact(squares);
    sum.add_product(v[0], v[0]);
    sum.add_product(v[n - 1], -v[n - 1]);
    accumulate_products(lag, v + 1, v, n - 1);
    add_scaled(sum, lag, -2);
    return sum.result();
}

Real exact_squared_differences_from_sums(ExactAccumulator squares, ExactAccumulator lag,
                                         std::size_t n, Real first, Real last) {
    // 2 sum v[i]^2 - v[0]^2 - v[n-1]^2 - 2 sum v[i] v[i-1], every term exact.
    if (n < 2) return 0;
    ExactAccumulator sum = squares;
    sum.add_exact(squares);
    sum.add_product(first, -first);
    sum.add_product(last, -last);
    add_scaled(sum, lag, -2);
    return sum.result();
}

} // namespace tarvex
