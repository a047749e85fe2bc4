// Deviations from period (and cross-section) means, and the effects they sweep out.
#include "regress/pool/pool_period.hpp"

#include <cstddef>

namespace tarvex {

namespace {

// The mean of v over each of `count` classes, row i in class index[i].
std::vector<Real> class_means(const std::vector<Real>& v, const std::vector<int>& index,
                              int count) {
    std::vector<Real> sum(std::size_t(count), Real(0)), rows(std::size_t(count), Real(0));
    for (std::size_t i = 0; i < v.size(); ++i) {
        sum[std::size_t(index[i])] += v[i];
        rows[std::size_t(index[i])] += 1;
    }
    for (std::size_t c = 0; c < sum.size(); ++c)
        if (rows[c] > 0) sum[c] /= rows[c];
    return sum;
}

Real overall_mean(const std::vector<Real>& v) {
    Real s = 0;
    for (Real x : v) s += x;
    return v.empty() ? Real(0) : s / Real(v.size());
}

} // namespace

std::vector<Real> period_deviations(const std::vector<Real>& v, const PoolData& d, bool two_way) {
    const std::vector<Real> by_period = class_means(v, d.period, d.periods);
    std::vector<Real> out(v.size());
    for (std::size_t i = 0; i < v.size(); ++i) out[i] = v[i] - by_period[std::size_t(d.period[i])];
    if (!two_way) return out;
    const std::vector<Real> by_cross = class_means(v, d.group, int(d.rows.size()));
    const Real mean = overall_mean(v);
    for (std::size_t i = 0; i < v.size(); ++i) out[i] += mean - by_cross[std::size_t(d.group[i])];
    return out;
}

std::vector<Real> period_effects(const std::vector<Real>& r, const PoolData& d, bool two_way) {
    std::vector<Real> periods = class_means(r, d.period, d.periods);
    if (!two_way) return periods;
    std::vector<Real> effects = class_means(r, d.group, int(d.rows.size()));
    const Real mean = overall_mean(r);
    for (Real g : periods) effects.push_back(g - mean);
    return effects;
}

} // namespace tarvex
