// What CHECKOUT finds in the data: each finding one value (kind, series, counts, observations),
// worked out from the series' values over the sample without the run object, so that the
// report only writes them.
#pragma once

#include "numeric/real.hpp"

#include <string>
#include <vector>

namespace tarvex {

enum class FindingKind {
    MISSING,   // observations holding the missing-value code
    CONSTANT,  // every value the same
    DUPLICATE, // the same values as an earlier series
    BELOW,     // values below LOWER=
    ABOVE,     // values above UPPER=
    LENGTH,    // shorter than the longest series or than the sample
    GAP,       // observations between the ranges of the sample
    VIF,       // a regressor's variance inflation factor above VIFMAX=
    CONDITION, // the regressors' condition number above CONDMAX=
};
// The kinds counted apart in COUNTS= (VIF and CONDITION share the last entry).
inline constexpr int FINDING_COUNT_KINDS = 8;
int finding_count_slot(FindingKind kind);

struct Finding {
    FindingKind kind = FindingKind::MISSING;
    int series = -1;     // index of the series (or regressor); -1 for the sample
    long long count = 0; // observations concerned
    long long first = 0; // first observation concerned (a gap: its first)
    long long last = 0;  // a gap's last observation; LENGTH: the longest series
    int other = -1;      // DUPLICATE: the earlier series
    Real value = 0;      // CONSTANT: the value; BELOW/ABOVE: the bound; VIF, CONDITION
};

// One series over observations beg..end of the sample: values[t - beg]; observations past its
// length hold the missing-value code.
struct CheckedSeries {
    std::string name;
    std::vector<Real> values;
    long long length = 0;
};

struct CheckSettings {
    long long beg = 1, end = 0;
    std::vector<bool> in_use; // per observation beg..end: in the sample and not skipped
    Real missing_code = -99999;
    bool lower_given = false, upper_given = false;
    Real lower = 0, upper = 0;
};

// The findings of each series in order (missing codes, constant, duplicate, bounds, length).
std::vector<Finding> series_findings(const std::vector<CheckedSeries>& series,
                                     const CheckSettings& s);
// Runs of observations of beg..end that lie outside every range of the sample
// (outside[t - beg]).
std::vector<Finding> gap_findings(long long beg, const std::vector<bool>& outside);

} // namespace tarvex
