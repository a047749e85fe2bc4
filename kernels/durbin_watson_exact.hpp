// The exact Durbin-Watson test of the Householder method: the statistic d = e'Ae / e'e for
// residual differences of a given order (leaving out the differences across a gap), the
// eigenvalues of M·A, and P(d <= d_obs) under independent normal errors, or under first-order
// autocorrelated errors with a given rho, by numerical integration of the characteristic
// function of the quadratic form (Imhof's inversion formula).
#pragma once

#include "kernels/householder.hpp"

#include <vector>

namespace tarvex {

// Which residual differences enter the statistic: e_t - e_{t-order} for every t, except those
// whose two observations lie on either side of the gap (`gap` = the observation number, from 1,
// after which the gap falls; 0 for none). `missing` observations are absent in the gap: they
// lengthen the time between the two sides, which only the autocorrelated errors (rho) see.
struct DifferenceScheme {
    int order = 1;
    int gap = 0;
    int missing = 0;
};

// Sum of the squared differences over the sum of squares; 0 when every residual is 0.
Real durbin_watson_statistic(const std::vector<Real>& residuals, const DifferenceScheme& scheme);

// The difference matrix A (N by N, column-major) with e'Ae the sum of the squared differences.
std::vector<Real> difference_matrix(int nobs, const DifferenceScheme& scheme);

enum class DwStatus {
    ok,
    too_few_degrees_of_freedom, // fewer than two residual degrees of freedom
    integration_error,          // the integral failed to give a probability
    insufficient_space,         // the N by N work matrices could not be allocated
};

// Binary128 words of work space the exact test needs for N observations and K regressors (the
// N by N matrices it reduces, twice with autocorrelation, and the (N-K) by (N-K) forms); the
// caller compares it with the work area before asking for the test.
long long durbin_watson_work_words(int nobs, int nregs, bool autocorrelated);

// The forms of the test in the basis of the residual space (the last N-K columns Q2 of the
// Householder Q): B = Q2'AQ2, whose eigenvalues are those of M·A, and, with autocorrelation,
// G = Q2'VQ2 for the AR(1) correlation matrix V (V_ij = rho^|i-j|).
struct DurbinWatsonForms {
    DwStatus status = DwStatus::ok; // insufficient_space when memory ran out
    int size = 0;                   // N - K
    std::vector<Real> b;
    std::vector<Real> g;     // empty when rho = 0
    std::vector<Real> roots; // eigenvalues of B, ascending (empty if they could not be found)
};

DurbinWatsonForms durbin_watson_forms(const DataMatrix& factored, const HouseholderFactor& factor,
                                      const DifferenceScheme& scheme, Real rho = 0);

// The N-K eigenvalues of M·A on the residual space, ascending.
DwStatus durbin_watson_roots(const DurbinWatsonForms& forms, std::vector<Real>& roots);

struct DwProbability {
    DwStatus status = DwStatus::ok;
    Real lower = 0; // P(d <= d_obs): the p-value against positive autocorrelation
    Real upper = 0; // P(d >= d_obs): against negative autocorrelation
};

DwProbability durbin_watson_probability(const DurbinWatsonForms& forms, Real d_obs);

// The value d* with P(d <= d*) = alpha (0 < alpha < 1), to about 1e-12, by regula falsi with
// the Illinois correction on the probability between the smallest and largest root.
DwStatus durbin_watson_critical_value(const DurbinWatsonForms& forms, Real alpha, Real& critical);

// P(sum of w_i z_i^2 <= 0) for independent standard normal z_i: the core of the test, by the
// trapezoidal rule on Imhof's integral in the variable s = log u, accurate to about 1e-20.
// The cost is about 300 evaluations of sum(atan) and sum(log) over the weights.
DwStatus quadratic_form_lower_probability(const std::vector<Real>& weights, Real& probability);

} // namespace tarvex
