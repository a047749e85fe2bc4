// The matrices of STATS over each pair's shared observations.
#include "kernels/stats_matrices.hpp"

#include "kernels/stats_order.hpp"
#include "numeric/qmath.hpp"

#include <algorithm>

namespace tarvex {

namespace {

Real ratio_or_zero(Real a, Real b) {
    return b > 0 ? a / b : Real(0);
}

} // namespace

bool same_observations(const StatsData& d) {
    for (const StatsVariable& v : d.vars)
        if (v.present != d.vars[0].present) return false;
    return !d.vars.empty();
}

StatsMatrices compute_matrices(const StatsData& d, const std::vector<CentredValues>& centred,
                               bool divide_by_n, bool raw, bool ranks) {
    const std::size_t k = d.vars.size();
    StatsMatrices m;
    // When every variable has the same observations each is centred and ranked once, not once
    // per pair.
    const bool shared = same_observations(d);
    std::vector<CentredValues> own_ranks;
    if (ranks && shared)
        for (std::size_t i = 0; i < k; ++i)
            own_ranks.push_back(centre(WeightedValues{average_ranks(d.plain(i)), {}}));
    for (auto* v : {&m.cprod, &m.cpdev, &m.cov, &m.corr, &m.rank}) v->assign(k * k, 0);
    m.n = -1;
    std::vector<Real> x, y, w;
    for (std::size_t i = 0; i < k; ++i)
        for (std::size_t j = 0; j <= i; ++j) {
            PairMoments p, r;
            if (shared) {
                p = pair_moments(centred[i], centred[j], raw);
                if (ranks) r = pair_moments(own_ranks[i], own_ranks[j], false);
            } else {
                d.pair(i, j, x, y, w);
                const CentredValues cx = centre(WeightedValues{x, w});
                const CentredValues cy = centre(WeightedValues{y, w});
                p = pair_moments(cx, i == j ? cx : cy, raw);
                if (ranks) {
                    const CentredValues rx = centre(WeightedValues{average_ranks(x), {}});
                    const CentredValues ry = centre(WeightedValues{average_ranks(y), {}});
                    r = pair_moments(rx, i == j ? rx : ry, false);
                }
            }
            m.n = m.n < 0 ? p.count : std::min(m.n, p.count);
            const Real divisor = divide_by_n ? p.n : p.n - 1;
            const Real corr = ratio_or_zero(p.dev, qm::sqrt(p.ssx * p.ssy));
            const Real rank = ranks ? ratio_or_zero(r.dev, qm::sqrt(r.ssx * r.ssy)) : Real(0);
            for (std::size_t at : {i * k + j, j * k + i}) {
                m.cprod[at] = p.raw;
                m.cpdev[at] = p.dev;
                m.cov[at] = ratio_or_zero(p.dev, divisor);
                m.corr[at] = corr;
                m.rank[at] = rank;
            }
        }
    return m;
}

} // namespace tarvex
