// What a plot draws: the listed variables over the observations in use, or the residuals and
// fitted values of the last estimation; and what is computed from them (the bars of a
// histogram, the least-squares line of a scatter, the normal density's mean and deviation).
#pragma once

#include "numeric/real.hpp"

#include <string>
#include <vector>

namespace tarvex {

struct Run;

struct PlotData {
    std::vector<std::string> names;         // one per column, without trailing blanks
    std::vector<int> obs;                   // the observations in use
    std::vector<std::vector<Real>> columns; // one per name, a value per observation
    // Under a calendar set by TIME (frequency > 0): each observation's date in years,
    // year + (period - 1) / frequency, the time axis of series and residual plots.
    int frequency = 0;
    std::vector<Real> dates;
};

// The variables of the scanned list (lags allowed) over BEG..END, a missing value as NaN (a gap
// in the plot); false when the range check stopped the command (reported there).
bool listed_data(Run& run, int beg, int end, PlotData& data);
// The residuals (column 0) and fitted values (column 1) of the last estimation at its
// observations; false when no estimation with residuals stands (not reported).
bool residual_data(const Run& run, PlotData& data);

struct Histogram {
    Real low = 0, width = 0;      // bar k covers [low + k width, low + (k+1) width)
    std::vector<int> counts;      // the last bar holds its upper end too
    Real mean = 0, deviation = 0; // of the values (deviation with n - 1)
    int n = 0;                    // the values counted
};
// `bins` bars (0: 1 + log2 n, rounded up) over the range of the values that are not NaN.
Histogram histogram_of(const std::vector<Real>& values, int bins);

struct StraightLine {
    bool fitted = false; // false: x has no spread
    Real intercept = 0, slope = 0;
};
// The least-squares line y = a + b x through the pairs without a NaN.
StraightLine least_squares_line(const std::vector<Real>& x, const std::vector<Real>& y);

} // namespace tarvex
