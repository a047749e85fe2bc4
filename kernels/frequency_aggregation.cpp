// Aggregation into periods and the two interpolations that need no model.
#include "kernels/frequency_aggregation.hpp"

#include "numeric/exact_dot.hpp"

namespace tarvex {

AggregatedSeries aggregate_periods(const std::vector<Real>& high, int ratio, int offset,
                                   PeriodAggregate how, Real missing) {
    AggregatedSeries out;
    const long long n = static_cast<long long>(high.size());
    if (ratio < 1 || n == 0) return out;
    const long long periods = (offset + n + ratio - 1) / ratio;
    for (long long j = 0; j < periods; ++j) {
        const long long first = j * ratio - offset;
        const long long last = first + ratio - 1;
        if (first < 0 || last >= n) {
            ++out.incomplete_periods;
            out.values.push_back(missing);
            continue;
        }
        bool has_missing = false;
        for (long long t = first; t <= last; ++t) has_missing = has_missing || high[t] == missing;
        if (has_missing) {
            ++out.missing_periods;
            out.values.push_back(missing);
            continue;
        }
        switch (how) {
        case PeriodAggregate::SUM:
            out.values.push_back(exact_sum(high.data() + first, std::size_t(ratio)));
            break;
        case PeriodAggregate::AVERAGE:
            out.values.push_back(exact_sum(high.data() + first, std::size_t(ratio)) / ratio);
            break;
        case PeriodAggregate::FIRST:
            out.values.push_back(high[first]);
            break;
        case PeriodAggregate::LAST:
            out.values.push_back(high[last]);
            break;
        }
    }
    return out;
}

std::vector<Real> repeat_periods(const std::vector<Real>& low, int ratio) {
    std::vector<Real> out;
    out.reserve(low.size() * std::size_t(ratio));
    for (Real v : low)
        for (int p = 0; p < ratio; ++p) out.push_back(v);
    return out;
}

std::vector<Real> interpolate_linear(const std::vector<Real>& low, int ratio, Real missing) {
    const long long n = static_cast<long long>(low.size());
    if (n == 1) return repeat_periods(low, ratio);
    std::vector<Real> out;
    out.reserve(std::size_t(n * ratio));
    for (long long t = 0; t < n * ratio; ++t) {
        // The line through the values of periods i and i+1, which sit at sub-periods
        // i*ratio + ratio - 1 and (i+1)*ratio + ratio - 1; each value is kept exactly.
        long long i = t < ratio - 1 ? 0 : (t - (ratio - 1)) / ratio;
        if (i > n - 2) i = n - 2;
        const Real a = low[i], b = low[i + 1];
        const long long from = i * ratio + ratio - 1;
        if (t == from)
            out.push_back(a);
        else if (t == from + ratio)
            out.push_back(b);
        else if (a == missing || b == missing)
            out.push_back(missing);
        else
            out.push_back(a + (b - a) * Real(t - from) / Real(ratio));
    }
    return out;
}

} // namespace tarvex
