// Deviations from period (and cross-section) means, and the effects they sweep out.
#include "regress/pool/pool_period.hpp"

#include "kernels/gram_cholesky.hpp"
#include "kernels/least_squares.hpp"

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

// v less the mean of its row's cross-section.
std::vector<Real> within_cross_sections(const std::vector<Real>& v, const PoolData& d) {
    const std::vector<Real> by_cross = class_means(v, d.group, int(d.rows.size()));
    std::vector<Real> out(v.size());
    for (std::size_t i = 0; i < v.size(); ++i) out[i] = v[i] - by_cross[std::size_t(d.group[i])];
    return out;
}

// Every cross-section observed exactly once in every period.
bool every_cell_once(const PoolData& d) {
    const std::size_t periods = std::size_t(d.periods);
    if (d.rows.size() * periods != d.y.size()) return false;
    std::vector<char> seen(d.y.size(), 0);
    for (std::size_t i = 0; i < d.y.size(); ++i) {
        char& cell = seen[std::size_t(d.group[i]) * periods + std::size_t(d.period[i])];
        if (cell != 0) return false;
        cell = 1;
    }
    return true;
}

} // namespace

PeriodSweep::PeriodSweep(const PoolData& d, bool two_way) : data_(d), two_way_(two_way) {
    if (!two_way_) return;
    complete_ = every_cell_once(d);
    if (complete_) return;
    for (int p = 1; p < d.periods; ++p) {
        std::vector<Real> dummy(d.y.size());
        for (std::size_t i = 0; i < dummy.size(); ++i) dummy[i] = d.period[i] == p ? 1 : 0;
        dummies_.push_back(within_cross_sections(dummy, d));
    }
}

bool PeriodSweep::dummy_fit(const std::vector<Real>& within, std::vector<Real>& coef) const {
    GramColumns g;
    for (const auto& z : dummies_) g.columns.push_back(z.data());
    g.columns.push_back(within.data());
    g.nobs = within.size();
    const GramFit r = gram_least_squares(g, DEPENDENCE_RATIO);
    if (!r.ok()) return false;
    coef = r.coef;
    return true;
}

std::vector<Real> PeriodSweep::deviations(const std::vector<Real>& v) const {
    const PoolData& d = data_;
    if (two_way_ && !complete_) {
        std::vector<Real> out = within_cross_sections(v, d), coef;
        if (dummies_.empty()) return out;
        if (!dummy_fit(out, coef)) return {};
        for (std::size_t p = 0; p < dummies_.size(); ++p)
            for (std::size_t i = 0; i < out.size(); ++i) out[i] -= coef[p] * dummies_[p][i];
        return out;
    }
    const std::vector<Real> by_period = class_means(v, d.period, d.periods);
    std::vector<Real> out(v.size());
    for (std::size_t i = 0; i < v.size(); ++i) out[i] = v[i] - by_period[std::size_t(d.period[i])];
    if (!two_way_) return out;
    const std::vector<Real> by_cross = class_means(v, d.group, int(d.rows.size()));
    const Real mean = overall_mean(v);
    for (std::size_t i = 0; i < v.size(); ++i) out[i] += mean - by_cross[std::size_t(d.group[i])];
    return out;
}

std::vector<Real> PeriodSweep::effects(const std::vector<Real>& r) const {
    const PoolData& d = data_;
    if (two_way_ && !complete_) {
        std::vector<Real> periods(std::size_t(d.periods), Real(0)), coef;
        if (!dummies_.empty() && dummy_fit(within_cross_sections(r, d), coef))
            for (std::size_t p = 0; p < coef.size(); ++p) periods[p + 1] = coef[p];
        std::vector<Real> net(r.size());
        for (std::size_t i = 0; i < r.size(); ++i)
            net[i] = r[i] - periods[std::size_t(d.period[i])];
        std::vector<Real> effects = class_means(net, d.group, int(d.rows.size()));
        const Real shift = overall_mean(periods);
        for (Real& a : effects) a += shift;
        for (Real g : periods) effects.push_back(g - shift);
        return effects;
    }
    std::vector<Real> periods = class_means(r, d.period, d.periods);
    if (!two_way_) return periods;
    std::vector<Real> effects = class_means(r, d.group, int(d.rows.size()));
    const Real mean = overall_mean(r);
    for (Real g : periods) effects.push_back(g - mean);
    return effects;
}

} // namespace tarvex
