// Collecting the observations of STATS variables and pairs.
#include "kernels/stats_data.hpp"

namespace tarvex {

namespace {

// Effective weights: replication counts as given, other weights scaled to sum to the number of
// observations they weight.
void scale_weights(std::vector<Real>& w, bool replicate) {
    if (replicate || w.empty()) return;
    CompensatedSum s;
    for (Real v : w) s.add(v);
    const Real factor = Real(w.size()) / s.value();
    for (Real& v : w) v *= factor;
}

} // namespace

long long StatsVariable::count() const {
    long long n = 0;
    for (char p : present) n += p ? 1 : 0;
    return n;
}

long long StatsData::keep_common_observations() {
    if (vars.empty()) return 0;
    const std::size_t n = vars[0].present.size();
    long long common = 0;
    for (std::size_t i = 0; i < n; ++i) {
        bool all = true;
        for (const StatsVariable& v : vars) all = all && v.present[i];
        for (StatsVariable& v : vars) v.present[i] = all;
        common += all ? 1 : 0;
    }
    return common;
}

WeightedValues StatsData::values(std::size_t var) const {
    WeightedValues out;
    const StatsVariable& v = vars[var];
    const std::size_t count = std::size_t(v.count());
    out.x.reserve(count);
    if (!weight.empty()) out.w.reserve(count);
    for (std::size_t i = 0; i < v.x.size(); ++i) {
        if (!v.present[i]) continue;
        out.x.push_back(v.x[i]);
        if (!weight.empty()) out.w.push_back(weight[i]);
    }
    scale_weights(out.w, replicate);
    return out;
}

void StatsData::pair(std::size_t a, std::size_t b, std::vector<Real>& x, std::vector<Real>& y,
                     std::vector<Real>& w) const {
    x.clear();
    y.clear();
    w.clear();
    const StatsVariable& u = vars[a];
    const StatsVariable& v = vars[b];
    for (std::size_t i = 0; i < u.x.size(); ++i) {
        if (!u.present[i] || !v.present[i]) continue;
        x.push_back(u.x[i]);
        y.push_back(v.x[i]);
        if (!weight.empty()) w.push_back(weight[i]);
    }
    scale_weights(w, replicate);
}

std::vector<Real> StatsData::plain(std::size_t var) const {
    std::vector<Real> out;
    const StatsVariable& v = vars[var];
    out.reserve(std::size_t(v.count()));
    for (std::size_t i = 0; i < v.x.size(); ++i)
        if (v.present[i]) out.push_back(v.x[i]);
    return out;
}

} // namespace tarvex
