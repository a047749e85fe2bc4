// The data checks of CHECKOUT: missing codes, constants, duplicates, bounds, lengths and gaps.
#include "regress/checkout/checkout_findings.hpp"

#include <algorithm>

namespace tarvex {

int finding_count_slot(FindingKind kind) {
    switch (kind) {
    case FindingKind::MISSING:
        return 0;
    case FindingKind::CONSTANT:
        return 1;
    case FindingKind::DUPLICATE:
        return 2;
    case FindingKind::BELOW:
        return 3;
    case FindingKind::ABOVE:
        return 4;
    case FindingKind::LENGTH:
        return 5;
    case FindingKind::GAP:
        return 6;
    case FindingKind::VIF:
    case FindingKind::CONDITION:
        break;
    }
    return 7;
}

namespace {

// A count of observations with its first, for the missing codes and the bounds.
struct Tally {
    long long count = 0, first = 0;
    void add(long long t) {
        if (count++ == 0) first = t;
    }
};

// Two series are the same when every observation in use holds the same value in both (the
// missing code included), and at least one of them is a value.
bool same_values(const CheckedSeries& a, const CheckedSeries& b, const CheckSettings& s) {
    bool any_value = false;
    for (std::size_t i = 0; i < s.in_use.size(); ++i) {
        if (!s.in_use[i]) continue;
        if (a.values[i] != b.values[i]) return false;
        if (a.values[i] != s.missing_code) any_value = true;
    }
    return any_value;
}

void check_one_series(const std::vector<CheckedSeries>& series, int j, long long longest,
                      const CheckSettings& s, std::vector<Finding>& out) {
    const CheckedSeries& x = series[std::size_t(j)];
    Tally missing, below, above;
    long long values = 0;
    Real first_value = 0;
    bool constant = true;
    for (std::size_t i = 0; i < s.in_use.size(); ++i) {
        if (!s.in_use[i]) continue;
        const long long t = s.beg + (long long)i;
        if (t > x.length) continue; // told apart as the series' length
        const Real v = x.values[i];
        if (v == s.missing_code) {
            missing.add(t);
            continue;
        }
        if (values++ == 0)
            first_value = v;
        else if (v != first_value)
            constant = false;
        if (s.lower_given && v < s.lower) below.add(t);
        if (s.upper_given && v > s.upper) above.add(t);
    }
    auto add = [&](FindingKind kind, const Tally& tally, Real value) {
        Finding f;
        f.kind = kind, f.series = j, f.count = tally.count, f.first = tally.first, f.value = value;
        out.push_back(f);
    };
    if (missing.count > 0) add(FindingKind::MISSING, missing, 0);
    if (values >= 2 && constant) add(FindingKind::CONSTANT, Tally{values, 0}, first_value);
    for (int e = 0; e < j; ++e)
        if (same_values(series[std::size_t(e)], x, s)) {
            Finding f;
            f.kind = FindingKind::DUPLICATE, f.series = j, f.other = e;
            out.push_back(f);
            break;
        }
    if (below.count > 0) add(FindingKind::BELOW, below, s.lower);
    if (above.count > 0) add(FindingKind::ABOVE, above, s.upper);
    if (x.length < longest || x.length < s.end) {
        Finding f;
        f.kind = FindingKind::LENGTH, f.series = j, f.count = x.length, f.last = longest;
        out.push_back(f);
    }
}

} // namespace

std::vector<Finding> series_findings(const std::vector<CheckedSeries>& series,
                                     const CheckSettings& s) {
    long long longest = 0;
    for (const CheckedSeries& x : series) longest = std::max(longest, x.length);
    std::vector<Finding> out;
    for (int j = 0; j < int(series.size()); ++j) check_one_series(series, j, longest, s, out);
    return out;
}

std::vector<Finding> gap_findings(long long beg, const std::vector<bool>& outside) {
    std::vector<Finding> out;
    std::size_t i = 0;
    while (i < outside.size()) {
        if (!outside[i]) {
            ++i;
            continue;
        }
        std::size_t j = i;
        while (j + 1 < outside.size() && outside[j + 1]) ++j;
        Finding f;
        f.kind = FindingKind::GAP;
        f.first = beg + (long long)i, f.last = beg + (long long)j;
        f.count = (long long)(j - i + 1);
        out.push_back(f);
        i = j + 1;
    }
    return out;
}

} // namespace tarvex
