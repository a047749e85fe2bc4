// The numerics of DIAGNOSE: tests of a linear regression's stability and of its errors, on the
// rows of the estimation (x row after row, K values each; y one value per row). Pure functions:
// vectors in, results out; the command reads the data and writes the report.
#pragma once

#include "numeric/real.hpp"

#include <vector>

namespace tarvex {

// The least-squares residual sum of squares of rows [first, last) of the regression; false
// when those rows do not determine every coefficient.
bool rows_sse(const std::vector<Real>& x, const std::vector<Real>& y, int k, int first, int last,
              Real& sse);

// The Chow tests at a break before row `split` (0-based; rows before it are the first part).
struct ChowTests {
    bool breakpoint_done = false; // both parts determine the coefficients, with residual DF
    Real f_break = 0, df1_break = 0, df2_break = 0, p_break = 0;
    bool predictive_done = false; // the first part determines them with residual DF
    Real f_pred = 0, df1_pred = 0, df2_pred = 0, p_pred = 0;
    bool singular = false; // a part or the whole sample does not determine the coefficients
};

// Breakpoint: F = ((S - S1 - S2)/K) / ((S1 + S2)/(N - 2K)); predictive (forecast) test:
// F = ((S - S1)/N2) / (S1/(N1 - K)), S the whole sample's SSE, S1 and S2 those of the parts.
ChowTests chow_tests(const std::vector<Real>& x, const std::vector<Real>& y, int k, int split);

// The Quandt-Andrews sequence: the Chow statistic in its Wald form
// (S - S1 - S2) / ((S1 + S2)/(N - 2K)) for every break from row `lo` to row `hi` (inclusive; the
// first part holds rows before the break), and its largest value with its p-value under
// Andrews' distribution (Hansen's approximation; for K up to 40). The sums of squares of the
// parts come from the recursive residuals, O(N K**2) for all the breaks.
struct SupWald {
    std::vector<int> splits;
    std::vector<Real> stats;
    Real sup = 0;
    int at = -1; // split of the largest value
    bool p_done = false;
    Real lambda = 0, p = 0;
};
SupWald sup_wald(const std::vector<Real>& x, const std::vector<Real>& y, int k, int lo, int hi);

// Engle's ARCH test of order q: e(t)**2 on an intercept and e(t-1)**2 .. e(t-q)**2 over the
// rows t = q .. n-1. LM = (n-q) R**2, chi-square with q DF; F = (R**2/q)/((1-R**2)/(n-2q-1)).
struct ArchTest {
    bool done = false;
    int rows = 0; // n - q
    Real r2 = 0, lm = 0, p_lm = 0, f = 0, df2 = 0, p_f = 0;
};
ArchTest arch_test(const std::vector<Real>& e, int q);

} // namespace tarvex
