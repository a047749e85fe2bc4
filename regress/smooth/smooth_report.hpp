// Writing SMOOTH's results: the exponential smoothing report (parameters, sum of squared
// one-step errors, start and final states, forecasts) and the Hodrick-Prescott report.
#pragma once

#include "numeric/real.hpp"
#include "regress/smooth/holt_winters.hpp"
#include "regress/smooth/hp_filter.hpp"

#include <string>
#include <vector>

namespace tarvex {

struct Run;

// The series' name, its range and how it is smoothed.
struct SmoothedSeries {
    std::string name;
    int beg = 0, end = 0;
    SmoothMethod method = SmoothMethod::SIMPLE;
    int period = 0;
};

// The method's name as the report and the messages give it.
std::string smoothing_method_text(SmoothMethod method, int period);

void report_smoothing(Run& run, const SmoothedSeries& s, const SmoothingFit& fit,
                      const SmoothingForecast& forecast);

// The filter's summary from the sums over its cycle and trend.
void report_hp_filter(Run& run, const SmoothedSeries& s, Real lambda, const HpSummary& summary,
                      const std::vector<Real>& trend);

} // namespace tarvex
