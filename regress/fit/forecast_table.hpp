// The table of forecasts an estimator's report ends with: the observation number, then one column
// per heading. Every value is G15.8 after a blank, so that a negative value in exponent form,
// which fills its whole field, stays apart from the value before it.
#pragma once

#include "numeric/real.hpp"

#include <string>
#include <vector>

namespace tarvex {

struct Run;

struct ForecastColumn {
    std::string heading; // right-aligned over the column
    const std::vector<Real>* values;
};

// One line of headings, then one line per forecast: observations first, first + 1, ... for as
// many values as the first column holds (every column holds as many).
void write_forecast_table(Run& run, long long first, const std::vector<ForecastColumn>& columns);

} // namespace tarvex
