// Order statistics of STATS: SORTSH (median, quartiles and mode of the sorted non-missing
// values), ranks with ties averaged, the frequency table and the rows of a stem-and-leaf plot.
#pragma once

#include "numeric/real.hpp"

#include <string>
#include <vector>

namespace tarvex {

// Values closer than this (relative to the larger of 1 and the value) count as equal for the
// mode and the frequency table.
inline const Real EQUAL_VALUE_TOLERANCE = 1e-11Q;

bool nearly_equal(Real a, Real b);

struct OrderStatistics {
    long long n = 0;
    Real median = 0, lower_quartile = 0, upper_quartile = 0;
    Real mode = 0;
    long long mode_count = 0;
    bool mode_applicable = false; // some value occurs more than once
    bool multiple_modes = false;  // several values share the highest count
};

// SORTSH: sorts the values other than the missing-value code `xmiss` and returns the median
// (the middle value, or the mean of the two middle ones), the quartiles (interpolated at
// position (N+1)/4 from each end) and the mode (the largest of the most frequent values).
OrderStatistics SORTSH(std::vector<Real> values, Real xmiss);

// Ranks 1..n of the values, tied values sharing the mean of their ranks.
std::vector<Real> average_ranks(const std::vector<Real>& values);

// The sum over groups of tied values of t^3 - t (t values in the group), for tie corrections.
Real tie_sum(const std::vector<Real>& values);

struct FrequencyRow {
    Real value = 0;
    long long count = 0;
    Real percent = 0, cumulative = 0, remaining = 0; // remaining: above this value
};
std::vector<FrequencyRow> frequency_table(std::vector<Real> values);

struct StemRow {
    long long cumulative = 0;
    long long stem = 0;
    std::string leaves; // at most 60 digits
};
// Stems are floor(x / 10^digits), the leaf the next decimal digit below them. Empty when the
// plot would need more than `max_stems` stems.
inline constexpr int MAX_LEAVES = 60;
std::vector<StemRow> stem_and_leaf(std::vector<Real> values, int digits, long long max_stems,
                                   bool& too_many);

} // namespace tarvex
