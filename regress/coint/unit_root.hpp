// The unit-root statistics of one series held at consecutive observations: the augmented
// Dickey-Fuller regression with its lag length given or chosen by an information criterion,
// the Phillips-Perron Z statistics and the KPSS statistic, each with the Bartlett-weighted
// (Newey-West) long-run variance where it applies. Estimators only: nothing here prints.
#pragma once

#include "numeric/real.hpp"

#include <cstddef>
#include <vector>

namespace tarvex {

// Deterministic terms of a test regression.
enum class Deterministic { NONE, CONSTANT, TREND };
// How the number of lagged differences is fixed.
enum class LagSelection { FIXED, AIC, BIC };

enum class UnitRootStatus {
    ok,
    too_few,  // fewer observations than the regression has coefficients (plus one)
    constant, // the series does not vary
    singular, // a regressor is a linear combination of the others (`failed_column`)
};

// dy(t) = rho y(t-1) + sum_j g_j dy(t-j) [+ delta t] [+ mu] + e(t), t from max_lag + 2 on.
// Every lag length 1..max_lag (as urca's ur.df; 0 only when max_lag is 0) is fitted on that same
// sample (the one of the longest), the criterion n log(SSE/n) + c k (c = 2 for AIC, log n for
// BIC) picks the first smallest, and the reported regression is the chosen one on that sample.
struct AdfFit {
    UnitRootStatus status = UnitRootStatus::ok;
    int failed_column = -1; // 0 the level, j the j-th difference, then the trend, the constant
    int lag = 0;            // lagged differences in the reported regression
    int n = 0, k = 0;       // observations and coefficients of the reported regression
    int first = 0;          // first observation of the regression (1-based within the series)
    // Coefficients in report order: y(t-1), dy(t-1) .. dy(t-lag), trend, constant.
    std::vector<Real> coef, se, tstat, cov; // cov K x K row-major
    Real sse = 0, sigma2 = 0;
    Real tau = 0;                // t-ratio of rho: the test statistic
    std::vector<Real> criterion; // per lag length tried (empty when FIXED)
};

// `y` holds the series (`count` values, consecutive observations).
AdfFit augmented_dickey_fuller(const Real* y, std::size_t count, Deterministic det, int max_lag,
                               LagSelection select);

// y(t) = alpha y(t-1) [+ delta (t - n/2)] + mu + e(t), t = 2 .. count (n = count - 1), and the
// statistics corrected with the long-run variance of e at truncation lag `bandwidth`.
struct PhillipsPerronFit {
    UnitRootStatus status = UnitRootStatus::ok;
    int n = 0, bandwidth = 0;
    Real alpha = 0, alpha_se = 0; // the coefficient of y(t-1) and its least-squares error
    Real short_run = 0;           // s = SSE / n
    Real long_run = 0;            // s + 2/n sum w_l sum e_t e_(t-l)
    Real z_tau = 0, z_alpha = 0;
};

// `det` is CONSTANT or TREND.
PhillipsPerronFit phillips_perron(const Real* y, std::size_t count, Deterministic det,
                                  int bandwidth);

// Residuals e of y on a constant (level) or on a constant and a trend, their partial sums S,
// and eta = sum S**2 / n**2 over the long-run variance of e.
struct KpssFit {
    UnitRootStatus status = UnitRootStatus::ok;
    int n = 0, bandwidth = 0;
    Real long_run = 0;
    Real eta = 0;
};

KpssFit kpss_statistic(const Real* y, std::size_t count, Deterministic det, int bandwidth);

// The default truncation lag trunc(c (n/100)**(1/4)), c = 4 (short) or 12 (long).
int default_bandwidth(int n, bool long_lag);

} // namespace tarvex
