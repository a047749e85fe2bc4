// Frequency conversion without a model: a high-frequency series summed, averaged or sampled into
// its low-frequency periods, and a low-frequency series repeated or interpolated linearly over
// the sub-periods. `ratio` is the number of sub-periods in a period (3, 4 or 12). The missing
// code passes through: a period holding a missing value aggregates to the missing code.
#pragma once

#include "numeric/real.hpp"

#include <vector>

namespace tarvex {

enum class PeriodAggregate { SUM, AVERAGE, FIRST, LAST };

struct AggregatedSeries {
    std::vector<Real> values;
    int missing_periods = 0;    // periods holding a missing value
    int incomplete_periods = 0; // the first or last period, when the series covers it in part
};

// Period j covers high[j*ratio - offset .. (j+1)*ratio - offset - 1]; `offset` (0..ratio-1) is
// the number of sub-periods of the first period that come before high[0]. Every period that
// holds at least one value is made; one the series does not cover whole is the missing code.
// SUM is the correctly rounded exact sum, AVERAGE that sum divided by the ratio.
AggregatedSeries aggregate_periods(const std::vector<Real>& high, int ratio, int offset,
                                   PeriodAggregate how, Real missing);

// Each low value repeated over its `ratio` sub-periods.
std::vector<Real> repeat_periods(const std::vector<Real>& low, int ratio);

// Straight lines between the low values, each placed at the last sub-period of its period (as
// a stock at the period's end), so that the last sub-period of every period holds its value.
// The sub-periods before the first value continue the first line backwards; one value alone is
// repeated. A line with a missing end is missing.
std::vector<Real> interpolate_linear(const std::vector<Real>& low, int ratio, Real missing);

} // namespace tarvex
