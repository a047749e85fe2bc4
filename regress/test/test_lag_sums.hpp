// The DLAG table of the regression report: for each variable entered with lags, the sum of its
// lag coefficients with its standard error and t-ratio, the mean lag, and the joint F test that
// all its lag coefficients are zero. The hypotheses are generated here, not typed. The tests are
// worked out with the estimation; the report writes them.
#pragma once

#include "numeric/real.hpp"
#include "regress/test/test_statistics.hpp"

#include <string>
#include <vector>

namespace tarvex {

struct Run;
struct OlsFit;

// The tests of one variable entered with lags.
struct LagSumTest {
    std::string name;      // the variable's name without the lag
    std::vector<int> lags; // the lag of each of its terms
    TestOutcome sum;       // the sum of its coefficients
    TestOutcome joint;     // its coefficients jointly
    Real mean_lag = 0;     // sum of lag * coefficient over the sum (0 for a zero sum)
};

// The tests of every variable entered with lags, in the order of the equation (none when no
// variable is). `asymptotic`: normal and chi-square p-values in place of t and F.
std::vector<LagSumTest> lag_sum_tests(const OlsFit& fit, bool asymptotic);

// Writes the table: a test that could not be done gives its warning in place of the line.
void write_lag_sum_tests(Run& run, const std::vector<LagSumTest>& tests);

} // namespace tarvex
