// The observations STATS works on: one entry per analysed variable (a data vector, a lagged
// vector, a column of a matrix) holding its values over the range and which of them are in use,
// the weights by observation, and the collection of a variable's or a pair's observations.
#pragma once

#include "kernels/stats_moments.hpp"
#include "numeric/real.hpp"

#include <string>
#include <vector>

namespace tarvex {

struct StatsVariable {
    std::string name;          // 8 columns
    std::vector<Real> x;       // value at observation beg + i
    std::vector<char> present; // in use: in range, not skipped, not missing, weight usable
    long long count() const;
};

struct StatsData {
    int beg = 1, end = 0;
    std::vector<StatsVariable> vars;
    std::vector<Real> weight; // by observation (empty: unweighted)
    bool replicate = false;   // weights are replication counts, else scaled to sum to N

    // Restricts every variable to the observations where all of them are in use; returns
    // their number.
    long long keep_common_observations();
    // The values of one variable (and their effective weights).
    WeightedValues values(std::size_t var) const;
    // The observations a pair shares, with effective weights over the pair.
    void pair(std::size_t a, std::size_t b, std::vector<Real>& x, std::vector<Real>& y,
              std::vector<Real>& w) const;
    // Unweighted values of a variable, in observation order.
    std::vector<Real> plain(std::size_t var) const;
};

} // namespace tarvex
