// Nadaraya-Watson and local linear kernel regression, and cross-validation of the bandwidth.
#include "regress/nonpar/kernel_regression.hpp"

#include "numeric/qmath.hpp"
#include "numeric/real_order.hpp"
#include "regress/nonpar/kernel_density.hpp"

#include <algorithm>
#include <numeric>

namespace tarvex {

namespace {

// Golden-section search for the minimum of the defined values of f on [a, b].
template <class F>
Real golden_cv_minimum(F f, Real a, Real b) {
    const Real ratio = (qm::sqrt(Real(5)) - 1) / 2;
    auto value = [&](Real h) {
        const SmoothedValue v = f(h);
        return v.defined ? v.value : Real(1e4000Q);
    };
    Real c = b - ratio * (b - a), d = a + ratio * (b - a);
    Real fc = value(c), fd = value(d);
    while (b - a > Real(1e-15Q) * (a + b)) {
        if (fc <= fd) {
            b = d, d = c, fd = fc;
            c = b - ratio * (b - a), fc = value(c);
        } else {
            a = c, c = d, fc = fd;
            d = a + ratio * (b - a), fd = value(d);
        }
    }
    return fc <= fd ? c : d;
}

} // namespace

RegressionSample group_by_regressor(const std::vector<Real>& x, const std::vector<Real>& y) {
    const std::vector<std::size_t> order = stable_order(x);
    RegressionSample s;
    s.group.resize(x.size());
    s.y = y;
    for (std::size_t i : order) {
        if (s.x.empty() || s.x.back() != x[i]) {
            s.x.push_back(x[i]);
            s.count.push_back(0);
            s.y_sum.push_back(0);
        }
        s.count.back() += 1;
        s.y_sum.back() += y[i];
        s.group[i] = s.x.size() - 1;
    }
    return s;
}

KernelSums kernel_sums_at(const RegressionSample& s, const Kernel& kernel, Real h, Real t,
                          std::size_t skip_group) {
    const auto begin = s.x.begin();
    const auto first = std::lower_bound(begin, s.x.end(), t - kernel.reach * h);
    const auto last = std::upper_bound(first, s.x.end(), t + kernel.reach * h);
    KernelSums k;
    for (std::size_t g = std::size_t(first - begin); g < std::size_t(last - begin); ++g) {
        if (g == skip_group) continue;
        const Real d = (s.x[g] - t) / h;
        const Real w = kernel.weight(d);
        const Real wc = w * s.count[g], wy = w * s.y_sum[g];
        k.s0 += wc, k.s1 += wc * d, k.s2 += wc * d * d;
        k.t0 += wy, k.t1 += wy * d;
    }
    return k;
}

SmoothedValue smoothed_value(const KernelSums& k, SmootherKind kind) {
    SmoothedValue v;
    if (!(k.s0 > 0)) return v;
    if (kind == SmootherKind::NADARAYA_WATSON) {
        v.value = k.t0 / k.s0, v.defined = true;
        return v;
    }
    const Real det = k.s0 * k.s2 - k.s1 * k.s1;
    // One distinct x in the window leaves the slope undetermined: the determinant is then
    // rounding noise of the size of s0 s2 times the precision.
    if (!(det > Real(1e-28Q) * k.s0 * k.s2)) return v;
    v.value = (k.s2 * k.t0 - k.s1 * k.t1) / det, v.defined = true;
    return v;
}

SmoothedValue kernel_fit_at(const RegressionSample& s, const Kernel& kernel, SmootherKind kind,
                            Real h, Real t) {
    return smoothed_value(kernel_sums_at(s, kernel, h, t), kind);
}

SmoothedValue leave_one_out_error(const RegressionSample& s, const Kernel& kernel,
                                  SmootherKind kind, Real h) {
    // The sums at each distinct value from the other values; an observation's twins (its
    // group less itself) then add at distance 0, where they weigh K(0) and add nothing to the
    // sums of d.
    const Real own = kernel.weight(0);
    std::vector<KernelSums> others(s.x.size());
    for (std::size_t g = 0; g < s.x.size(); ++g)
        others[g] = kernel_sums_at(s, kernel, h, s.x[g], g);
    Real sum = 0;
    for (std::size_t i = 0; i < s.y.size(); ++i) {
        const std::size_t g = s.group[i];
        KernelSums k = others[g];
        k.s0 += (s.count[g] - 1) * own;
        k.t0 += (s.y_sum[g] - s.y[i]) * own;
        const SmoothedValue m = smoothed_value(k, kind);
        if (!m.defined) return {};
        sum += (s.y[i] - m.value) * (s.y[i] - m.value);
    }
    return {sum / Real(s.y.size()), true};
}

CvChoice cross_validated_bandwidth(const RegressionSample& s, const Kernel& kernel,
                                   SmootherKind kind) {
    std::vector<Real> x(s.y.size());
    for (std::size_t i = 0; i < x.size(); ++i) x[i] = s.x[s.group[i]];
    const Real base = sample_deviation(x) * qm::pow(Real(x.size()), Real(-1) / 5);
    constexpr int steps = 25;
    auto candidate = [&](int k) {
        return base * Real(3) / 100 * qm::pow(Real(1000) / 3, Real(k) / (steps - 1));
    };
    auto error = [&](Real h) { return leave_one_out_error(s, kernel, kind, h); };
    CvChoice c;
    int best = -1;
    for (int k = 0; k < steps; ++k) {
        const SmoothedValue v = error(candidate(k));
        if (v.defined && (best < 0 || v.value < c.cv)) best = k, c.cv = v.value;
    }
    if (best < 0) return c;
    const Real lower = candidate(std::max(best - 1, 0)),
               upper = candidate(std::min(best + 1, steps - 1));
    c.h = golden_cv_minimum(error, lower, upper);
    SmoothedValue at = error(c.h);
    if (!at.defined) c.h = candidate(best), at = error(c.h);
    c.found = at.defined;
    c.cv = at.value;
    c.on_bound = best == 0 || best == steps - 1;
    return c;
}

} // namespace tarvex
