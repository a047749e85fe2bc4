// Exponential smoothing of one series: simple, Holt's linear trend and Holt-Winters with additive
// or multiplicative seasons. The start values, the one-step recursion, the choice of the
// smoothing parameters by least squares of the one-step errors and the forecasts with their
// standard errors. Pure functions: the series in, the numbers out.
//
// Start values. Simple smoothing starts the level at the first value and predicts from the
// second observation on; Holt's trend starts the level at the second value and the trend at the
// second less the first, and predicts from the third. The seasonal methods take the first two
// periods: their centred moving average of one period (weights 1/2s at the two ends when the
// period is even) gives the trend, whose least-squares line over its defined points gives the
// start level (intercept) and trend (slope); the series less (or divided by) that trend,
// averaged over each place in the period and centred to sum 0 (or to average 1), gives the start
// seasons; the predictions begin at observation s+1. These are the usual published starts, so
// that every value agrees with other programs that follow them.
#pragma once

#include "numeric/real.hpp"

#include <vector>

namespace tarvex {

enum class SmoothMethod { SIMPLE, HOLT, ADDITIVE, MULTIPLICATIVE };

inline bool has_trend(SmoothMethod m) {
    return m != SmoothMethod::SIMPLE;
}
inline bool has_season(SmoothMethod m) {
    return m == SmoothMethod::ADDITIVE || m == SmoothMethod::MULTIPLICATIVE;
}

// The fewest observations a method needs: two one-step errors after its start.
int smoothing_minimum_observations(SmoothMethod method, int period);

struct SmoothingStart {
    Real level = 0, trend = 0;
    std::vector<Real> season; // one per place in the period, from the first observation
    int first = 0;            // 0-based index of the first observation predicted
};
// The series must be at least smoothing_minimum_observations long.
SmoothingStart smoothing_start(const std::vector<Real>& x, SmoothMethod method, int period);

// Alpha (level), beta (trend) and gamma (seasons); those the method lacks are 0.
struct SmoothingParameters {
    Real alpha = 0, beta = 0, gamma = 0;
};

// The recursion's path over the observations first..n-1 (one entry each): the one-step
// prediction and the level, trend and season after the observation.
struct SmoothingPath {
    Real sse = 0;
    std::vector<Real> fitted, level, trend, season;
    Real final_level = 0, final_trend = 0;
    std::vector<Real> final_season; // the next period's seasons, in forecast order
};
// `keep` false computes only the sum of squared one-step errors.
SmoothingPath smoothing_path(const std::vector<Real>& x, SmoothMethod method, int period,
                             const SmoothingStart& start, const SmoothingParameters& p, bool keep);

// The parameters given (each in [0,1]) stay; the others minimise the sum of squared one-step
// errors within [0,1], started at alpha 0.3, beta 0.1, gamma 0.1, by projected Newton steps.
struct SmoothingChoice {
    SmoothingParameters value;
    bool alpha_given = false, beta_given = false, gamma_given = false;
};
struct SmoothingFit {
    SmoothingChoice parameters;
    SmoothingStart start;
    SmoothingPath path;
    int iterations = 0;
    bool converged = true;
};
SmoothingFit fit_smoothing(const std::vector<Real>& x, SmoothMethod method, int period,
                           const SmoothingChoice& choice, int max_iterations);

// Forecasts 1..h steps after the last observation, and (additive methods) their standard errors:
// the sample variance of the one-step errors times 1 + sum over j < h of psi(j)**2, psi(j) =
// alpha (1 + j beta) + gamma (1 - alpha) where j is a whole number of periods. The multiplicative
// method has no standard errors (se empty).
struct SmoothingForecast {
    std::vector<Real> value, se;
};
SmoothingForecast smoothing_forecast(const std::vector<Real>& x, SmoothMethod method, int period,
                                     const SmoothingFit& fit, int horizon);

} // namespace tarvex
