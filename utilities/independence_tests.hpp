// Tests of independence of a two-way table of counts: Pearson's chi-square and the
// likelihood-ratio statistic G = 2 sum n log(n / e), with (r - 1)(c - 1) degrees of freedom over
// the rows and columns that hold any count. Pure: counts in, statistics out.
#pragma once

#include "numeric/real.hpp"

#include <vector>

namespace tarvex {

struct IndependenceTests {
    Real total = 0;
    Real pearson = 0, pearson_p = 1;
    Real likelihood_ratio = 0, likelihood_ratio_p = 1;
    int df = 0; // 0: fewer than two rows or columns hold counts, no test
};

// counts[i][j]: the count of row category i and column category j.
IndependenceTests independence_tests(const std::vector<std::vector<Real>>& counts);

} // namespace tarvex
