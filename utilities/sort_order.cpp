// The stable multi-key ordering of SORT (see sort_order.hpp).
#include "utilities/sort_order.hpp"

#include "numeric/real_order.hpp"

#include <algorithm>
#include <utility>

namespace tarvex {

namespace {

bool sort_value_missing(Real v, Real missing_code) {
    return v != v || v == missing_code;
}

} // namespace

SortOrder sort_order(const std::vector<SortKey>& keys, Real missing_code) {
    SortOrder order;
    if (keys.empty()) return order;
    const std::size_t n = keys.front().values->size();
    std::vector<std::size_t> complete;
    std::vector<std::size_t> incomplete;
    complete.reserve(n);
    for (std::size_t r = 0; r < n; ++r) {
        bool lacks = false;
        for (const SortKey& key : keys)
            lacks = lacks || sort_value_missing((*key.values)[r], missing_code);
        (lacks ? incomplete : complete).push_back(r);
    }
    // Integer keys that order as the values do (a zero of either sign is one key), so the sort
    // compares integers rather than calling the soft-float comparison; a descending key is
    // complemented.
    std::vector<std::vector<OrderKey>> ordered(keys.size());
    for (std::size_t k = 0; k < keys.size(); ++k) {
        ordered[k].resize(n);
        for (std::size_t r : complete) {
            const Real v = (*keys[k].values)[r];
            const OrderKey key = order_key(v == 0 ? Real(0) : v);
            ordered[k][r] = keys[k].descending ? ~key : key;
        }
    }
    if (keys.size() == 1) {
        // One key: sort (key, row) pairs, which keeps the comparisons in one array.
        std::vector<std::pair<OrderKey, std::size_t>> pairs;
        pairs.reserve(complete.size());
        for (std::size_t r : complete) pairs.emplace_back(ordered[0][r], r);
        std::stable_sort(pairs.begin(), pairs.end(),
                         [](const auto& a, const auto& b) { return a.first < b.first; });
        for (std::size_t i = 0; i < pairs.size(); ++i) complete[i] = pairs[i].second;
    } else {
        std::stable_sort(complete.begin(), complete.end(), [&](std::size_t a, std::size_t b) {
            for (const std::vector<OrderKey>& key : ordered)
                if (key[a] != key[b]) return key[a] < key[b];
            return false;
        });
    }
    order.missing = incomplete.size();
    order.rows = std::move(complete);
    order.rows.insert(order.rows.end(), incomplete.begin(), incomplete.end());
    return order;
}

} // namespace tarvex
