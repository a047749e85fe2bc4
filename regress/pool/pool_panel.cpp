// Numbering the cross-sections of a panel.
#include "regress/pool/pool_panel.hpp"

#include <algorithm>
#include <unordered_map>

namespace tarvex {

namespace {

void count_rows(PanelGroups& g) {
    g.rows.assign(std::size_t(g.count), 0);
    for (int c : g.group) ++g.rows[std::size_t(c)];
    g.shortest = g.rows.empty() ? 0 : *std::min_element(g.rows.begin(), g.rows.end());
    g.longest = g.rows.empty() ? 0 : *std::max_element(g.rows.begin(), g.rows.end());
}

} // namespace

int PanelGroups::first_shorter_than(int least) const {
    for (std::size_t c = 0; c < rows.size(); ++c)
        if (rows[c] < least) return int(c);
    return -1;
}

bool groups_by_layout(const std::vector<int>& obs, int beg, int end, int ncross,
                      PanelGroups& groups) {
    const long long span = (long long)end - beg + 1;
    if (ncross < 1 || span < ncross || span % ncross != 0) return false;
    const long long periods = span / ncross;
    // Cross-sections left without an observation (every one skipped) are not counted: the
    // numbers close up so that the effects stay in step with the cross-sections estimated.
    std::vector<int> number(std::size_t(ncross), -1);
    groups.group.clear();
    groups.group.reserve(obs.size());
    groups.count = 0;
    for (int t : obs) {
        const std::size_t c = std::size_t((t - beg) / periods);
        if (number[c] < 0) number[c] = groups.count++;
        groups.group.push_back(number[c]);
    }
    count_rows(groups);
    return true;
}

void groups_by_id(const std::vector<Real>& ids, PanelGroups& groups) {
    struct RealHash {
        std::size_t operator()(Real v) const {
            if (v == 0) v = 0; // -0 and +0 are one value
            unsigned long long w[2];
            static_assert(sizeof w == sizeof v);
            __builtin_memcpy(w, &v, sizeof v);
            return std::hash<unsigned long long>()(w[0] * 0x9E3779B97F4A7C15ULL ^ w[1]);
        }
    };
    std::unordered_map<Real, int, RealHash> number;
    groups.group.clear();
    groups.group.reserve(ids.size());
    groups.count = 0;
    for (Real v : ids) {
        auto [it, added] = number.try_emplace(v, groups.count);
        if (added) ++groups.count;
        groups.group.push_back(it->second);
    }
    count_rows(groups);
}

} // namespace tarvex
