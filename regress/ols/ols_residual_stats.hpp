// The statistics of a fit's residuals that the report stores and OLSRES prints: Durbin-Watson,
// autocorrelation, runs, Durbin's h, moments, Jarque-Bera, the Hall-Pagan test and the
// goodness-of-fit counts of the residuals in normal classes.
#pragma once

#include "numeric/exact_dot.hpp"
#include "numeric/real.hpp"
#include "numeric/real_order.hpp"

#include <cstddef>

#include <vector>

namespace tarvex {

struct OlsFit;

struct ResidualStats {
    Real dw = 0, von_neumann = 0, rho = 0;
    Real sum = 0, variance = 0, abs_sum = 0;
    Real r2op = 0, r2op_antilog = 0;
    int runs = 0, pos = 0, zero = 0, neg = 0;
    Real runs_z = 0;
    bool durh_available = false;
    Real durh = 0;
    Real skew = 0, skew_se = 0, kurt = 0, kurt_se = 0, jb = 0, jb_p = 0;
    bool hp_available = false;
    Real hp_chi = 0, hp_p = 0;
    int hp_df = 0;
    // GF: the residuals over sigma counted in equally probable normal classes.
    std::vector<Real> gf_observed, gf_expected; // one per class (empty: not counted)
};

// `heteroskedasticity`: also the Hall-Pagan test (an auxiliary regression, LM only).
ResidualStats residual_stats(const OlsFit& fit, bool heteroskedasticity);

struct RunsCounter;

// The rounded sums over the residuals e_1 .. e_n, in observation order, that the serial
// statistics are formed from, however they were gathered.
struct ResidualTotals {
    Real squares = 0;     // sum e**2
    Real sum = 0;         // sum e
    Real abs_sum = 0;     // sum |e|
    Real differences = 0; // sum (e_t - e_(t-1))**2
    Real lag = 0;         // sum e_t e_(t-1)
    Real r2op = 0;        // squared correlation of the observed and predicted values
};

// Durbin-Watson, the von Neumann ratio, rho, the residual sum and variance sse/df, the sum of
// absolute errors, R-square between observed and predicted, and the runs test (from `runs`).
void set_serial_stats(ResidualStats& s, int n, Real df, Real sse, const ResidualTotals& t,
                      const RunsCounter& runs);

// The skewness, the excess kurtosis, their standard errors and the Jarque-Bera test from the
// residuals' second, third and fourth central moments m2, m3, m4 (sums over n).
void set_normality_tests(ResidualStats& s, Real n, Real m2, Real m3, Real m4);

// Adds the Hall-Pagan test to statistics computed without it.
void add_hall_pagan(const OlsFit& fit, ResidualStats& s);

// Adds the goodness-of-fit counts.
void add_goodness_of_fit(const OlsFit& fit, ResidualStats& s);

// Squared correlation of two series (0 when either is constant).
Real squared_correlation(const std::vector<Real>& a, const std::vector<Real>& b);

// The exact sums of two series a and b of n values that their squared correlation is formed
// from, gathered in one or several passes.
struct CorrelationSums {
    ExactAccumulator a, b, aa, bb, ab;
    void add(const Real* va, const Real* vb, std::size_t count);
    Real squared_correlation(std::size_t n) const;
};

// The runs test counted value after value, over one or several stretches of the residuals.
struct RunsCounter {
    int runs = 0, pos = 0, zero = 0, neg = 0;
    int first = 0; // sign of the first nonzero value
    int last = 0;  // sign of the last nonzero value
    void add(Real v);
    // Adds the counts of the stretch that follows this one: a run that goes on across the join
    // is counted once.
    void add_following(const RunsCounter& later);
    // The counts and the normal statistic into `s`.
    void finish(ResidualStats& s) const;
};

// The goodness-of-fit counts of residuals over sigma in the normal classes of n residuals.
class NormalClassCounts {
public:
    explicit NormalClassCounts(int n);
    void add(const Real* resid, std::size_t count, Real sigma);
    // The counts of every rank's residuals added together (a run over several ranks).
    void add_over_ranks();
    void finish(ResidualStats& s) const;

private:
    int n_, groups_;
    std::vector<OrderKey> bounds_;
    std::vector<long long> counts_;
};

} // namespace tarvex
