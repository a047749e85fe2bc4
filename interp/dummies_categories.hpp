// The categories of a variable DUMMIES splits: labels in order and, per observation, the
// category it belongs to.
#pragma once

#include "numeric/real.hpp"

#include <string>
#include <vector>

namespace tarvex {

struct Run;

inline constexpr int DUMMIES_MAX_CATEGORIES = 50; // of a series without labels

struct Categories {
    std::vector<std::string> labels; // category k + 1 is labels[k]
    std::vector<int> of_obs;         // per observation: the category index, -1 when missing
    enum class Source { LABELS, CHARACTERS, VALUES } source = Source::VALUES;
    long long distinct_values = 0; // of a series without labels, when they are too many
};

// The categories of the variable at `slot` (a series or a character variable): a coded series
// whose values are all codes 1..K of its labels, the sorted distinct texts of a character
// variable (blank: missing), else the sorted distinct values of the series. False when a
// series without labels has more than DUMMIES_MAX_CATEGORIES distinct values.
bool find_categories(Run& run, int slot, Categories& out);

} // namespace tarvex
