// Moments of STATS in binary128: exact sums, deviations from the mean kept for the cross
// products, and the correction of the mean's rounding.
#include "kernels/stats_moments.hpp"

#include "numeric/exact_dot.hpp"
#include "numeric/qmath.hpp"

#include <algorithm>

namespace tarvex {

namespace {

// Decimal digits a binary128 value carries.
constexpr int FULL_DIGITS = 34;

} // namespace

void CompensatedSum::add(Real v) {
    const Real t = sum_ + v;
    if (fabsq(sum_) >= fabsq(v))
        correction_ += (sum_ - t) + v;
    else
        correction_ += (v - t) + sum_;
    sum_ = t;
}

Real WeightedValues::total_weight() const {
    if (w.empty()) return Real(x.size());
    CompensatedSum s;
    for (Real v : w) s.add(v);
    return s.value();
}

Real constant_digits(Real minimum, Real maximum) {
    const Real big = std::max(fabsq(minimum), fabsq(maximum));
    if (big == 0) return 0;
    if (maximum == minimum) return FULL_DIGITS;
    const Real digits = log10q(big / (maximum - minimum));
    return digits < 0 ? Real(0) : digits;
}

CentredValues centre(WeightedValues v) {
    CentredValues c;
    c.values = std::move(v);
    const std::vector<Real>& x = c.values.x;
    const std::vector<Real>& w = c.values.w;
    const std::size_t n = x.size();
    if (n == 0) return c;
    c.n = c.values.total_weight();
    c.sum = w.empty() ? exact_sum(x.data(), n) : exact_dot(w.data(), x.data(), n);
    c.mean = c.sum / c.n;
    c.dev.resize(n);
    for (std::size_t i = 0; i < n; ++i) c.dev[i] = x[i] - c.mean;
    if (!w.empty()) {
        c.weighted_dev.resize(n);
        for (std::size_t i = 0; i < n; ++i) c.weighted_dev[i] = w[i] * c.dev[i];
    }
    c.dev_sum = exact_sum(c.weighted_deviations(), n);
    c.dev_squares = exact_dot(c.weighted_deviations(), c.dev.data(), n);
    return c;
}

VariableSummary summary_from_sums(const MomentSums& m, bool divide_by_n, bool higher) {
    VariableSummary s;
    s.count = m.count;
    if (s.count == 0) return s;
    s.n = m.n;
    s.mean = m.mean;
    s.sum = m.sum;
    s.minimum = m.minimum;
    s.maximum = m.maximum;
    // The deviations of the rounded mean do not sum exactly to zero: remove their share.
    Real ss = m.dev_squares - m.dev_sum * m.dev_sum / s.n;
    if (ss < 0) ss = 0;
    const Real divisor = divide_by_n ? s.n : s.n - 1;
    s.variance = divisor > 0 ? ss / divisor : Real(0);
    s.stdev = qm::sqrt(s.variance);
    s.cv_defined = s.mean != 0;
    s.cv = s.cv_defined ? s.stdev / s.mean : Real(0);
    s.constant_digits = constant_digits(s.minimum, s.maximum);
    s.m2 = ss / s.n;
    if (higher) {
        s.m3 = m.dev_cubes / s.n;
        s.m4 = m.dev_fourths / s.n;
    }
    return s;
}

VariableSummary summarize(const CentredValues& c, bool divide_by_n, bool higher) {
    MomentSums m;
    const std::vector<Real>& x = c.values.x;
    m.count = (long long)x.size();
    if (m.count == 0) return VariableSummary{};
    m.n = c.n;
    m.mean = c.mean;
    m.sum = c.sum;
    m.minimum = m.maximum = x[0];
    for (const Real v : x) { // a new minimum cannot be a new maximum
        if (v < m.minimum)
            m.minimum = v;
        else if (v > m.maximum)
            m.maximum = v;
    }
    m.dev_sum = c.dev_sum;
    m.dev_squares = c.dev_squares;
    if (higher) {
        // w d^3 and w d^4 as (w d^2) d and (w d^2) d^2: one rounding before the exact sum.
        ExactAccumulator cube, fourth;
        const Real* wd = c.weighted_deviations();
        for (std::size_t i = 0; i < x.size(); ++i) {
            const Real d = c.dev[i];
            const Real wd2 = wd[i] * d;
            cube.add_product(wd2, d);
            fourth.add_product(wd2, d * d);
        }
        m.dev_cubes = cube.result();
        m.dev_fourths = fourth.result();
    }
    return summary_from_sums(m, divide_by_n, higher);
}

VariableSummary summarize(const WeightedValues& v, bool divide_by_n) {
    return summarize(centre(v), divide_by_n);
}

PairMoments pair_moments(const CentredValues& x, const CentredValues& y, bool raw) {
    PairMoments p;
    const std::size_t n = x.values.x.size();
    p.count = (long long)n;
    if (n == 0) return p;
    p.n = x.n;
    if (raw) {
        if (x.values.w.empty()) {
            p.raw = exact_dot(x.values.x.data(), y.values.x.data(), n);
        } else {
            ExactAccumulator sum;
            for (std::size_t i = 0; i < n; ++i)
                sum.add_product(x.values.w[i] * x.values.x[i], y.values.x[i]);
            p.raw = sum.result();
        }
    }
    const Real cross =
        &x == &y ? x.dev_squares : exact_dot(x.weighted_deviations(), y.dev.data(), n);
    p.dev = cross - x.dev_sum * y.dev_sum / p.n;
    p.ssx = std::max(Real(0), x.dev_squares - x.dev_sum * x.dev_sum / p.n);
    p.ssy = std::max(Real(0), y.dev_squares - y.dev_sum * y.dev_sum / p.n);
    return p;
}

PairMoments pair_moments(const std::vector<Real>& x, const std::vector<Real>& y,
                         const std::vector<Real>& w) {
    const CentredValues cx = centre(WeightedValues{x, w});
    const CentredValues cy = centre(WeightedValues{y, w});
    return pair_moments(cx, cy, true);
}

} // namespace tarvex
