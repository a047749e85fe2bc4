// Moments of STATS: compensated sums, the deviations of a variable from its mean, the summary
// of one variable (mean, standard deviation, variance, extremes, coefficient of variation,
// constant digits, central moments) and the cross products of a pair, all with optional
// weights. Sums over observations are exact sums of exactly formed products, rounded once.
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

// A variable's values with their deviations from its mean, shared by its summary and by every
// cross product in deviations it enters.
struct CentredValues {
    WeightedValues values;
    Real n = 0;                     // the sum of the weights
    Real mean = 0;                  // exact weighted sum / n
    std::vector<Real> dev;          // x - mean, rounded
    std::vector<Real> weighted_dev; // w * (x - mean), rounded; empty without weights
    Real dev_sum = 0;               // sum of w * dev: what the rounding of the mean leaves over
    Real dev_squares = 0;           // sum of w * dev^2
    Real sum = 0;                   // sum of w * x
    // w * (x - mean) for every observation (the deviations themselves without weights).
    const Real* weighted_deviations() const {
        return weighted_dev.empty() ? dev.data() : weighted_dev.data();
    }
};
CentredValues centre(WeightedValues v);

struct VariableSummary {
    long long count = 0; // observations used
    Real n = 0;          // the sum of the weights (count without weights)
    Real sum = 0, mean = 0, variance = 0, stdev = 0, minimum = 0, maximum = 0;
    Real cv = 0; // stdev / mean
    bool cv_defined = false;
    Real constant_digits = 0;
    Real m2 = 0, m3 = 0, m4 = 0; // central moments, divided by n
};

// The sums one variable's summary is made from, however they were gathered (over a whole
// vector, or block by block over a series read from a file): the exact sums rounded once.
struct MomentSums {
    long long count = 0;
    Real n = 0, sum = 0, mean = 0, minimum = 0, maximum = 0;
    Real dev_sum = 0, dev_squares = 0;   // sums of w * dev and w * dev^2
    Real dev_cubes = 0, dev_fourths = 0; // sums of w * dev^3 and w * dev^4 (`higher` only)
};
VariableSummary summary_from_sums(const MomentSums& m, bool divide_by_n, bool higher);

// Mean from the exact sum, then the squared deviations in a second pass with the correction of
// the mean's rounding. `divide_by_n`: variances divide by n instead of n - 1; `higher`: also the
// third and fourth central moments (a third pass).
VariableSummary summarize(const CentredValues& c, bool divide_by_n, bool higher = true);
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
// Two variables observed at the same observations with the same weights; `raw`: also the raw
// cross product.
PairMoments pair_moments(const CentredValues& x, const CentredValues& y, bool raw);
PairMoments pair_moments(const std::vector<Real>& x, const std::vector<Real>& y,
                         const std::vector<Real>& w);

} // namespace tarvex
