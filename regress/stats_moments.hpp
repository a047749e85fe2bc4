// Moments of STATS: compensated sums, the summary of one variable (mean, standard deviation,
// variance, extremes, coefficient of variation, constant digits, central moments) and the
// cross products of a pair, all with optional weights.
#pragma once

#include "numeric/real.hpp"

#include <vector>

namespace tarvex {

// Neumaier's compensated sum: the running error of each addition is kept and added back.
class CompensatedSum {
  public:
    void add(Real v);
    Real value() const { return sum_ + correction_; }

  private:
    Real sum_ = 0, correction_ = 0;
};

// The observations of one variable in use: values and their effective weights (all 1 without
// a weight variable; the replication counts with REPLICAT; else weights scaled to sum to the
// number of observations).
struct WeightedValues {
    std::vector<Real> x;
    std::vector<Real> w; // empty: every weight is 1
    Real weight(std::size_t i) const { return w.empty() ? Real(1) : w[i]; }
    Real total_weight() const;
};

struct VariableSummary {
    long long count = 0; // observations used
    Real n = 0;          // the sum of the weights (count without weights)
    Real sum = 0, mean = 0, variance = 0, stdev = 0, minimum = 0, maximum = 0;
    Real cv = 0; // stdev / mean
    bool cv_defined = false;
    Real constant_digits = 0;
    Real m2 = 0, m3 = 0, m4 = 0; // central moments, divided by n
};

// Mean by a compensated sum, then the squared deviations in a second pass with the correction
// of the first pass's rounding. `divide_by_n`: variances divide by n instead of n - 1.
VariableSummary summarize(const WeightedValues& v, bool divide_by_n);

// The leading decimal digits that every value shares: log10(max |x| / (max - min)), at least 0;
// 34 (every digit the arithmetic carries) for a nonzero constant, 0 for a zero one.
Real constant_digits(Real minimum, Real maximum);

// Sums of a pair observed together: raw cross product, cross product in deviations from the
// pair's own means, and the two sums of squared deviations.
struct PairMoments {
    long long count = 0;
    Real n = 0;
    Real raw = 0, dev = 0, ssx = 0, ssy = 0;
};
PairMoments pair_moments(const std::vector<Real>& x, const std::vector<Real>& y,
                         const std::vector<Real>& w);

} // namespace tarvex
