// Kernel density estimation: bandwidth rules and the estimate at given points.
#include "regress/nonpar/kernel_density.hpp"

#include "numeric/qmath.hpp"

#include <algorithm>

namespace tarvex {

namespace {

Real fifth_root_inverse(std::size_t n) {
    return qm::pow(Real(n), Real(-1) / 5);
}

// min(s, IQR / 1.34), the spread both normal-reference rules scale.
Real reference_spread(const std::vector<Real>& sorted, bool fall_back_to_deviation) {
    const Real s = sample_deviation(sorted);
    const Real iqr = (sorted_quantile(sorted, Real(3) / 4) - sorted_quantile(sorted, Real(1) / 4));
    const Real quartile_spread = iqr / Real(134) * 100;
    const Real spread = std::min(s, quartile_spread);
    return spread == 0 && fall_back_to_deviation ? s : spread;
}

// Golden-section search for the minimum of f on [a, b], to a relative width of 1e-15.
template <class F>
Real golden_minimum(F f, Real a, Real b) {
    const Real ratio = (qm::sqrt(Real(5)) - 1) / 2;
    Real c = b - ratio * (b - a), d = a + ratio * (b - a);
    Real fc = f(c), fd = f(d);
    while (b - a > Real(1e-15Q) * (qm::abs(a) + qm::abs(b))) {
        if (fc <= fd) {
            b = d, d = c, fd = fc;
            c = b - ratio * (b - a), fc = f(c);
        } else {
            a = c, c = d, fc = fd;
            d = a + ratio * (b - a), fd = f(d);
        }
    }
    return fc <= fd ? c : d;
}

} // namespace

Real sorted_quantile(const std::vector<Real>& sorted, Real p) {
    const Real at = Real(sorted.size() - 1) * p;
    const std::size_t below = std::size_t(qm::floor(at));
    if (below + 1 >= sorted.size()) return sorted.back();
    return sorted[below] + (at - Real(below)) * (sorted[below + 1] - sorted[below]);
}

Real sample_deviation(const std::vector<Real>& values) {
    Real sum = 0;
    for (Real v : values) sum += v;
    const Real mean = sum / Real(values.size());
    Real squares = 0;
    for (Real v : values) squares += (v - mean) * (v - mean);
    return qm::sqrt(squares / Real(values.size() - 1));
}

Real silverman_bandwidth(const std::vector<Real>& sorted) {
    return Real(9) / 10 * reference_spread(sorted, true) * fifth_root_inverse(sorted.size());
}

Real scott_bandwidth(const std::vector<Real>& sorted) {
    return Real(106) / 100 * reference_spread(sorted, false) * fifth_root_inverse(sorted.size());
}

Real ucv_criterion(const std::vector<Real>& sorted, Real h) {
    // Pairs further apart than 20 h add less than exp(-100) to a term: the sorted window stops
    // there.
    const Real root_eight = qm::sqrt(Real(8));
    const Real reach = 20 * h;
    const std::size_t n = sorted.size();
    Real pairs = 0;
    for (std::size_t i = 0; i < n; ++i)
        for (std::size_t j = i + 1; j < n && sorted[j] - sorted[i] < reach; ++j) {
            const Real u = (sorted[j] - sorted[i]) / h;
            const Real delta = u * u;
            pairs += qm::exp(-delta / 4) - root_eight * qm::exp(-delta / 2);
        }
    return (Real(1) / 2 + pairs / Real(n)) / (Real(n) * h * qm::sqrt(qm::PI));
}

UcvChoice ucv_bandwidth(const std::vector<Real>& sorted) {
    UcvChoice c;
    c.upper = Real(1144) / 1000 * sample_deviation(sorted) * fifth_root_inverse(sorted.size());
    c.lower = c.upper / 10;
    c.h = golden_minimum([&](Real h) { return ucv_criterion(sorted, h); }, c.lower, c.upper);
    c.ucv = ucv_criterion(sorted, c.h);
    const Real edge = Real(1e-9Q) * c.upper;
    c.on_bound = c.h - c.lower < edge || c.upper - c.h < edge;
    return c;
}

std::vector<Real> density_at(const std::vector<Real>& sorted, const Kernel& kernel, Real h,
                             const std::vector<Real>& points) {
    std::vector<Real> f;
    f.reserve(points.size());
    const Real scale = 1 / (Real(sorted.size()) * h);
    for (Real t : points) {
        auto first = std::lower_bound(sorted.begin(), sorted.end(), t - kernel.reach * h);
        const auto last = std::upper_bound(first, sorted.end(), t + kernel.reach * h);
        Real sum = 0;
        for (; first != last; ++first) sum += kernel.weight((t - *first) / h);
        f.push_back(sum * scale);
    }
    return f;
}

std::vector<Real> density_grid(const std::vector<Real>& sorted, Real h, int count) {
    const Real from = sorted.front() - 3 * h, to = sorted.back() + 3 * h;
    std::vector<Real> grid(static_cast<std::size_t>(count));
    for (int i = 0; i < count; ++i)
        grid[std::size_t(i)] = count == 1 ? from : from + Real(i) * (to - from) / Real(count - 1);
    return grid;
}

} // namespace tarvex
