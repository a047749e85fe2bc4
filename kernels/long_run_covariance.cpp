// The Bartlett weight, the long-run covariance of score vectors with exact lag sums, the
// long-run variance of one series and the sandwich product.
#include "kernels/long_run_covariance.hpp"

#include "kernels/row_threads.hpp"
#include "numeric/exact_dot.hpp"
#include "numeric/fast_arith.hpp"

#include <algorithm>

namespace tarvex {

namespace {

using ScoreFactors = std::vector<ExactAccumulator::Factor>;

// The scores of column c at the rows in use (the value exact_gram takes), taken apart once for
// the products of every lag; false at an infinity or a NaN.
bool decode_scores(const GramColumns& scores, int c, ScoreFactors& out) {
    const Real* column = scores.columns[c];
    const Real* scale = scores.row_scale;
    out.resize(scores.nobs);
    bool finite = true;
    for (std::size_t i = 0; i < scores.nobs; ++i) {
        const std::size_t r = scores.rows != nullptr ? scores.rows[i] : i;
        const Real v = column == nullptr  ? (scale == nullptr ? Real(1) : scale[r])
                       : scale == nullptr ? column[r]
                                          : fast_multiply(column[r], scale[r]);
        finite &= ExactAccumulator::decode(v, out[i]);
    }
    return finite;
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
    std::vector<Real> s(kk * kk, Real(0));
    const GramMatrix g0 = exact_gram(scores);
    if (!g0.finite) {
        s.assign(kk * kk, nanq(""));
        return s;
    }
    // Lags n and beyond have no pairs of rows.
    const std::size_t lags =
        bandwidth > 0 && n > 0 ? std::min<std::size_t>(std::size_t(bandwidth), n - 1) : 0;
    if (lags == 0) {
        for (int a = 0; a < k; ++a)
            for (int b = 0; b < k; ++b) s[std::size_t(a) * kk + b] = g0.at(a, b).hi;
        return s;
    }
    std::vector<ScoreFactors> factors(kk);
    for (int c = 0; c < k; ++c) decode_scores(scores, c, factors[c]); // finite: as in G_0
    std::vector<std::pair<int, int>> pairs;
    for (int b = 0; b < k; ++b)
        for (int a = 0; a <= b; ++a) pairs.emplace_back(a, b);
    // Each element is its own exact sum: the pairs are shared among threads, to the same bits.
    const std::size_t products_per_pair = 2 * n * lags;
    const std::size_t shares =
        row_shares(pairs.size(), 0, std::max<std::size_t>(1, ROWS_PER_THREAD / products_per_pair));
    run_row_shares(pairs.size(), shares, [&](std::size_t, std::size_t begin, std::size_t end) {
        ExactAccumulator lag_sum, total;
        for (std::size_t p = begin; p < end; ++p) {
            const int a = pairs[p].first, b = pairs[p].second;
            const ExactAccumulator::Factor *fa = factors[a].data(), *fb = factors[b].data();
            total.clear();
            const Wide zero_lag = g0.at(a, b);
            total.add(zero_lag.hi);
            total.add(zero_lag.lo);
            for (std::size_t j = 1; j <= lags; ++j) {
                // Element (a, b) of G_j + G_j': sum_t g_t,a g_t-j,b + g_t-j,a g_t,b.
                lag_sum.clear();
                lag_sum.add_decoded_products(fa + j, fb, n - j);
                lag_sum.add_decoded_products(fb + j, fa, n - j);
                const Wide both = rounded_pair(lag_sum);
                const Real w = bartlett_weight(int(j), bandwidth);
                total.add_product(w, both.hi);
                total.add_product(w, both.lo);
            }
            s[std::size_t(a) * kk + b] = s[std::size_t(b) * kk + a] = total.result();
        }
    });
    return s;
}

Real long_run_variance(const std::vector<Real>& e, int bandwidth) {
    GramColumns series;
    series.columns.push_back(nullptr); // the factors themselves
    series.nobs = e.size();
    series.row_scale = e.data();
    return long_run_covariance(series, bandwidth)[0] / Real(e.size());
}

std::vector<Real> sandwich_product(const std::vector<Real>& bread, const std::vector<Real>& meat,
                                   int k) {
    const std::size_t n = static_cast<std::size_t>(k);
    std::vector<Real> left(n * n, 0), out(n * n, 0);
    for (std::size_t i = 0; i < n; ++i)
        for (std::size_t j = 0; j < n; ++j)
            for (std::size_t l = 0; l < n; ++l)
                left[i * n + j] += bread[i * n + l] * meat[l * n + j];
    for (std::size_t i = 0; i < n; ++i)
        for (std::size_t j = 0; j < n; ++j)
            for (std::size_t l = 0; l < n; ++l)
                out[i * n + j] += left[i * n + l] * bread[l * n + j];
    return out;
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
