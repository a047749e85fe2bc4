// The Bartlett weight, the long-run covariance of score vectors with exact lag sums, the
// long-run variance of one series and the sandwich product.
#include "kernels/long_run_covariance.hpp"

#include "kernels/exact_gram_sums.hpp"
#include "kernels/row_threads.hpp"
#include "numeric/exact_block_products.hpp"
#include "numeric/exact_dot.hpp"
#include "numeric/fast_arith.hpp"

#include <algorithm>

namespace tarvex {

namespace {

// Rows of lag products taken apart per block: a block's own rows and the `lags` rows before it.
constexpr std::size_t LAG_BLOCK_ROWS = 256;

// Takes apart the scores of column c at the rows in use [first, first + length) (the value
// exact_gram takes: x * s rounded once); false at an infinity or a NaN.
bool decode_score_rows(const GramColumns& scores, int c, std::size_t first, std::size_t length,
                       ExactAccumulator::Factor* out) {
    const Real* column = scores.columns[c];
    const Real* scale = scores.row_scale;
    bool finite = true;
    for (std::size_t i = 0; i < length; ++i) {
        const std::size_t r = scores.rows != nullptr ? scores.rows[first + i] : first + i;
        const Real v = column == nullptr  ? (scale == nullptr ? Real(1) : scale[r])
                       : scale == nullptr ? column[r]
                                          : fast_multiply(column[r], scale[r]);
        finite &= ExactAccumulator::decode(v, out[i]);
    }
    return finite;
}

// One share of the rows: the exact sums of G_0 and of the lag terms over the rows t of the
// share (t - j may lie before it), with the pairs of columns a <= b packed as exact_gram packs
// them. At packed(a, b) sum_t g_t,a g_t,b; for lag j at j * pairs + packed(a, b)
// sum_t g_t,a g_t-j,b + g_t-j,a g_t,b, on the diagonal only half of that, sum_t g_t,a g_t-j,a,
// doubled once the shares are merged.
struct LagShare {
    std::vector<ExactAccumulator> sums;
    bool finite = true;
};

void lag_sums_of_rows(const GramColumns& scores, std::size_t lags, std::size_t begin,
                      std::size_t end, LagShare& share) {
    ExactAccumulator* const sums = share.sums.data();
    const int k = static_cast<int>(scores.columns.size());
    const std::size_t pairs = std::size_t(k) * (k + 1) / 2;
    const std::size_t stride = LAG_BLOCK_ROWS + lags;
    std::vector<ExactAccumulator::Factor> factors(stride * std::size_t(k));
    // Each column's block on its common scale (exact_block_products.hpp), at the same indices.
    std::vector<ScaledBlock> scaled(static_cast<std::size_t>(k));
    for (std::size_t first = begin; first < end; first += LAG_BLOCK_ROWS) {
        const std::size_t length = std::min(LAG_BLOCK_ROWS, end - first);
        // The block and the rows before it that its lags reach: factors[c][i] is row
        // first - before + i.
        const std::size_t before = std::min(lags, first);
        for (int c = 0; c < k; ++c) {
            ExactAccumulator::Factor* column = factors.data() + std::size_t(c) * stride;
            if (!decode_score_rows(scores, c, first - before, before + length, column)) {
                share.finite = false;
                return;
            }
            scaled[std::size_t(c)].assign(column, before + length);
        }
        const auto add = [&](ExactAccumulator& sum, int a, std::size_t a_at, int b,
                             std::size_t b_at, std::size_t count) {
            ScaledBlock::add_products(scaled[std::size_t(a)], a_at, scaled[std::size_t(b)], b_at,
                                      count, factors.data() + std::size_t(a) * stride + a_at,
                                      factors.data() + std::size_t(b) * stride + b_at, sum);
        };
        std::size_t pair = 0;
        for (int b = 0; b < k; ++b)
            for (int a = 0; a <= b; ++a, ++pair) add(sums[pair], a, before, b, before, length);
        for (std::size_t j = 1; j <= lags; ++j) {
            // Rows t >= j only: the first row of the data has no lag before it.
            const std::size_t skip = first >= j ? 0 : j - first;
            if (skip >= length) continue;
            const std::size_t count = length - skip, at = before + skip;
            ExactAccumulator* lag = sums + j * pairs;
            pair = 0;
            for (int b = 0; b < k; ++b)
                for (int a = 0; a <= b; ++a, ++pair) {
                    add(lag[pair], a, at, b, at - j, count);
                    if (a != b) add(lag[pair], b, at, a, at - j, count);
                }
        }
    }
}

// The sum held by `sum` as a double-binary128 pair: the correctly rounded sum, then the
// correctly rounded rest. Leaves `sum` holding the rest.
Wide rounded_pair(ExactAccumulator& sum) {
    const Real hi = sum.result();
    sum.add(-hi);
    return {hi, sum.result()};
}

} // namespace

Real bartlett_weight(int lag, int bandwidth) {
    return 1 - Real(lag) / (bandwidth + 1);
}

std::vector<Real> long_run_covariance(const GramColumns& scores, int bandwidth) {
    const int k = static_cast<int>(scores.columns.size());
    const std::size_t kk = static_cast<std::size_t>(k), n = scores.nobs;
    // Lags n and beyond have no pairs of rows.
    const std::size_t lags =
        bandwidth > 0 && n > 0 ? std::min<std::size_t>(std::size_t(bandwidth), n - 1) : 0;
    std::vector<Real> s(kk * kk, Real(0));
    if (lags == 0) {
        const GramMatrix g0 = exact_gram(scores);
        if (!g0.finite) {
            s.assign(kk * kk, nanq(""));
            return s;
        }
        for (int a = 0; a < k; ++a)
            for (int b = 0; b < k; ++b) s[std::size_t(a) * kk + b] = g0.at(a, b).hi;
        return s;
    }
    // One pass over the rows forms G_0 and every lag sum from the same decoded scores. Every
    // sum is exact: the rows are shared among threads, each with its own sums, and the merged
    // sums are the same to the bit however the rows were split.
    const std::size_t pairs = kk * (kk + 1) / 2;
    std::vector<LagShare> parts(row_shares(n, 0, ROWS_PER_THREAD));
    run_row_shares(n, parts.size(), [&](std::size_t share, std::size_t begin, std::size_t end) {
        parts[share].sums = std::vector<ExactAccumulator>(pairs * (lags + 1));
        lag_sums_of_rows(scores, lags, begin, end, parts[share]);
    });
    for (const LagShare& part : parts)
        if (!part.finite) {
            s.assign(kk * kk, nanq(""));
            return s;
        }
    std::vector<ExactAccumulator>& sums = parts[0].sums;
    for (std::size_t e = 0; e < sums.size(); ++e)
        for (std::size_t t = 1; t < parts.size(); ++t) sums[e].add_exact(parts[t].sums[e]);
    // G_0 rounded as exact_gram rounds it (its first `pairs` sums).
    std::vector<ExactAccumulator> zero_lag_sums(sums.begin(), sums.begin() + std::ptrdiff_t(pairs));
    const GramMatrix g0 = gram_from_exact_sums(zero_lag_sums, k);
    ExactAccumulator total, half;
    std::size_t pair = 0;
    for (int b = 0; b < k; ++b)
        for (int a = 0; a <= b; ++a, ++pair) {
            total.clear();
            const Wide zero_lag = g0.at(a, b);
            total.add(zero_lag.hi);
            total.add(zero_lag.lo);
            for (std::size_t j = 1; j <= lags; ++j) {
                // Element (a, b) of G_j + G_j'; on the diagonal twice the one sum.
                ExactAccumulator& lag_sum = sums[j * pairs + pair];
                if (a == b) {
                    half = lag_sum;
                    lag_sum.add_exact(half);
                }
                const Wide both = rounded_pair(lag_sum);
                const Real w = bartlett_weight(int(j), bandwidth);
                total.add_product(w, both.hi);
                total.add_product(w, both.lo);
            }
            s[std::size_t(a) * kk + b] = s[std::size_t(b) * kk + a] = total.result();
        }
    return s;
}

Real long_run_variance(const std::vector<Real>& e, int bandwidth) {
    GramColumns series;
    series.columns.push_back(nullptr); // the factors themselves
    series.nobs = e.size();
    series.row_scale = e.data();
    return long_run_covariance(series, bandwidth)[0] / Real(e.size());
}

std::vector<Real> carried_covariance(const std::vector<Real>& jac, const std::vector<Real>& cov,
                                     int k) {
    const std::size_t n = static_cast<std::size_t>(k);
    std::vector<Real> left(n * n, 0), out(n * n, 0);
    for (std::size_t i = 0; i < n; ++i)
        for (std::size_t j = 0; j < n; ++j)
            for (std::size_t l = 0; l < n; ++l) left[i * n + j] += jac[i * n + l] * cov[l * n + j];
    for (std::size_t i = 0; i < n; ++i)
        for (std::size_t j = 0; j < n; ++j)
            for (std::size_t l = 0; l < n; ++l) out[i * n + j] += left[i * n + l] * jac[j * n + l];
    return out;
}

std::vector<Real> sandwich_product(const std::vector<Real>& bread, const std::vector<Real>& meat,
                                   int k) {
    return carried_covariance(bread, meat, k);
}

namespace {

// Columns whose largest value lies beyond 2^+-1000 are scaled (see below); nearer 1 the data are
// used as they are.
constexpr int ROBUST_UNSCALED_LIMIT = 1000;

// The binary exponent of the largest |v_i|, 0 for zeros or non-finite values.
int largest_exponent(const Real* v, std::size_t n) {
    Real largest = 0;
    for (std::size_t i = 0; i < n; ++i) largest = std::max(largest, fabsq(v[i]));
    return largest > 0 && finiteq(largest) ? ilogbq(largest) : 0;
}

std::vector<Real> robust_covariance_as_given(const std::vector<Real>& x, const std::vector<Real>& e,
                                             const std::vector<Real>& bread, int n, int k,
                                             int bandwidth) {
    GramColumns scores;
    scores.nobs = static_cast<std::size_t>(n);
    scores.row_scale = e.data();
    for (int j = 0; j < k; ++j) scores.columns.push_back(x.data() + std::size_t(j) * n);
    return sandwich_product(bread, long_run_covariance(scores, bandwidth), k);
}

} // namespace

std::vector<Real> robust_least_squares_covariance(const std::vector<Real>& x,
                                                  const std::vector<Real>& e,
                                                  const std::vector<Real>& bread, int n, int k,
                                                  int bandwidth) {
    // Data far from 1 (scores x_t e_t whose squares overflow or underflow): each column of X by
    // 2^-s_j and e by 2^-s_e, exact, the bread by 2^(s_j + s_l); the result is then element
    // (j, l) times 2^(s_j + s_l - 2 s_e), scaled back.
    const std::size_t rows = static_cast<std::size_t>(n);
    std::vector<int> shift(static_cast<std::size_t>(k));
    bool far = false;
    const int se = largest_exponent(e.data(), rows);
    far = far || se <= -ROBUST_UNSCALED_LIMIT || se >= ROBUST_UNSCALED_LIMIT;
    for (int j = 0; j < k; ++j) {
        shift[j] = largest_exponent(x.data() + j * rows, rows);
        far = far || shift[j] <= -ROBUST_UNSCALED_LIMIT || shift[j] >= ROBUST_UNSCALED_LIMIT;
    }
    if (!far) return robust_covariance_as_given(x, e, bread, n, k, bandwidth);
    std::vector<Real> xs(x.begin(), x.begin() + std::ptrdiff_t(rows * k)), es(e);
    for (int j = 0; j < k; ++j)
        for (std::size_t i = 0; i < rows; ++i)
            xs[j * rows + i] = scalbnq(xs[j * rows + i], -shift[j]);
    for (Real& v : es) v = scalbnq(v, -se);
    std::vector<Real> bs(bread);
    const std::size_t kk = static_cast<std::size_t>(k);
    for (std::size_t j = 0; j < kk; ++j)
        for (std::size_t l = 0; l < kk; ++l)
            bs[j * kk + l] = scalbnq(bs[j * kk + l], shift[j] + shift[l]);
    std::vector<Real> v = robust_covariance_as_given(xs, es, bs, n, k, bandwidth);
    for (std::size_t j = 0; j < kk; ++j)
        for (std::size_t l = 0; l < kk; ++l)
            v[j * kk + l] = scalbnq(v[j * kk + l], 2 * se - shift[j] - shift[l]);
    return v;
}

} // namespace tarvex
