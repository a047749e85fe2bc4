// Moments of STATS in binary128 with compensated sums and two-pass deviations.
#include "regress/stats_moments.hpp"

#include "numeric/qmath.hpp"

#include <algorithm>

namespace tarvex {

namespace {

// Decimal digits a binary128 value carries.
constexpr int FULL_DIGITS = 34;

Real mean_of(const std::vector<Real>& x, const std::vector<Real>& w, Real n) {
    CompensatedSum s;
    for (std::size_t i = 0; i < x.size(); ++i)
        s.add(w.empty() ? x[i] : w[i] * x[i]);
    return s.value() / n;
}

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
    for (Real v : w)
        s.add(v);
    return s.value();
}

Real constant_digits(Real minimum, Real maximum) {
    const Real big = std::max(fabsq(minimum), fabsq(maximum));
    if (big == 0) return 0;
    if (maximum == minimum) return FULL_DIGITS;
    const Real digits = log10q(big / (maximum - minimum));
    return digits < 0 ? Real(0) : digits;
}

VariableSummary summarize(const WeightedValues& v, bool divide_by_n) {
    VariableSummary s;
    s.count = (long long)v.x.size();
    if (s.count == 0) return s;
    s.n = v.total_weight();
    s.mean = mean_of(v.x, v.w, s.n);
    CompensatedSum sum, dev, sq, cube, fourth;
    s.minimum = s.maximum = v.x[0];
    for (std::size_t i = 0; i < v.x.size(); ++i) {
        const Real wi = v.weight(i);
        const Real d = v.x[i] - s.mean;
        sum.add(wi * v.x[i]);
        dev.add(wi * d);
        sq.add(wi * d * d);
        cube.add(wi * d * d * d);
        fourth.add(wi * d * d * d * d);
        s.minimum = std::min(s.minimum, v.x[i]);
        s.maximum = std::max(s.maximum, v.x[i]);
    }
    s.sum = sum.value();
    // The deviations of the rounded mean do not sum exactly to zero: remove their share.
    Real ss = sq.value() - dev.value() * dev.value() / s.n;
    if (ss < 0) ss = 0;
    const Real divisor = divide_by_n ? s.n : s.n - 1;
    s.variance = divisor > 0 ? ss / divisor : Real(0);
    s.stdev = sqrtq(s.variance);
    s.cv_defined = s.mean != 0;
    s.cv = s.cv_defined ? s.stdev / s.mean : Real(0);
    s.constant_digits = constant_digits(s.minimum, s.maximum);
    s.m2 = ss / s.n;
    s.m3 = cube.value() / s.n;
    s.m4 = fourth.value() / s.n;
    return s;
}

PairMoments pair_moments(const std::vector<Real>& x, const std::vector<Real>& y,
                         const std::vector<Real>& w) {
    PairMoments p;
    p.count = (long long)x.size();
    if (p.count == 0) return p;
    if (w.empty()) {
        p.n = Real(p.count);
    } else {
        CompensatedSum s;
        for (Real v : w)
            s.add(v);
        p.n = s.value();
    }
    const Real mx = mean_of(x, w, p.n), my = mean_of(y, w, p.n);
    CompensatedSum raw, dev, dx, dy, sx, sy;
    for (std::size_t i = 0; i < x.size(); ++i) {
        const Real wi = w.empty() ? Real(1) : w[i];
        const Real a = x[i] - mx, b = y[i] - my;
        raw.add(wi * x[i] * y[i]);
        dev.add(wi * a * b);
        dx.add(wi * a);
        dy.add(wi * b);
        sx.add(wi * a * a);
        sy.add(wi * b * b);
    }
    p.raw = raw.value();
    p.dev = dev.value() - dx.value() * dy.value() / p.n;
    p.ssx = std::max(Real(0), sx.value() - dx.value() * dx.value() / p.n);
    p.ssy = std::max(Real(0), sy.value() - dy.value() * dy.value() / p.n);
    return p;
}

} // namespace tarvex
