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

// Numbers the distinct values of `place` (row places or period values) 0, 1 ... in
// increasing order.
template <typename Value>
void number_periods(const std::vector<Value>& place, PanelGroups& g) {
    std::vector<Value> seen(place);
    std::sort(seen.begin(), seen.end());
    seen.erase(std::unique(seen.begin(), seen.end()), seen.end());
    g.periods = int(seen.size());
    g.period.clear();
    g.period.reserve(place.size());
    for (const Value& p : place)
        g.period.push_back(int(std::lower_bound(seen.begin(), seen.end(), p) - seen.begin()));
}

} // namespace

int PanelGroups::first_repeated_period() const {
    std::vector<std::pair<int, int>> cells;
    cells.reserve(group.size());
    for (std::size_t i = 0; i < group.size(); ++i) cells.emplace_back(group[i], period[i]);
    std::sort(cells.begin(), cells.end());
    const auto twice = std::adjacent_find(cells.begin(), cells.end());
    return twice == cells.end() ? -1 : twice->first;
}

bool PanelGroups::complete_grid() const {
    if ((long long)count * periods != (long long)group.size()) return false;
    std::vector<char> seen(group.size(), 0);
    for (std::size_t i = 0; i < group.size(); ++i) {
        char& cell = seen[std::size_t(group[i]) * std::size_t(periods) + std::size_t(period[i])];
        if (cell != 0) return false;
        cell = 1;
    }
    return true;
}

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
    std::vector<int> place;
    place.reserve(obs.size());
    for (int t : obs) {
        const std::size_t c = std::size_t((t - beg) / periods);
        if (number[c] < 0) number[c] = groups.count++;
        groups.group.push_back(number[c]);
        place.push_back(int((t - beg) % periods));
    }
    count_rows(groups);
    number_periods(place, groups);
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
    std::vector<int> place, seen_in_group;
    place.reserve(ids.size());
    for (Real v : ids) {
        auto [it, added] = number.try_emplace(v, groups.count);
        if (added) {
            ++groups.count;
            seen_in_group.push_back(0);
        }
        groups.group.push_back(it->second);
        place.push_back(seen_in_group[std::size_t(it->second)]++);
    }
    count_rows(groups);
    number_periods(place, groups);
}

void periods_by_time(const std::vector<Real>& times, PanelGroups& groups) {
    number_periods(times, groups);
}

} // namespace tarvex
