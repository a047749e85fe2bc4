// ROBUST's estimators. Quantile regression (least absolute deviations at tau = 0.5) by the exact
// simplex of quantile_simplex, with the covariance of the estimates under independent errors
// (the sparsity estimated from the ordered residuals), by the kernel sandwich (a normal kernel
// with the Hall-Sheather bandwidth) or by resampling the observations (xy pairs); and the Huber
// and bisquare M-estimators by iteratively reweighted least squares with the residuals' median
// absolute deviation as the scale. Pure functions: data in, estimate out.
#pragma once

#include "numeric/real.hpp"
#include "regress/fit/model_result.hpp"

#include <cstddef>
#include <cstdint>
#include <vector>

namespace tarvex {

enum class RobustMethod { QUANTILE, HUBER, BISQUARE };
enum class QuantileCovariance { IID, KERNEL, BOOT };

struct RobustData {
    std::vector<const Real*> x; // k columns of n rows (null: the intercept)
    const Real* y = nullptr;
    std::size_t n = 0;
};

struct RobustControl {
    RobustMethod method = RobustMethod::QUANTILE;
    Real tau = 0.5Q;
    QuantileCovariance covariance = QuantileCovariance::IID;
    int replications = 200;
    std::int64_t seed = 1;
    Real tuning = 0; // the M-estimator's constant; 0: 1.345 (Huber) or 4.685 (bisquare)
    int max_iterations = 100;
    int max_pivots = 100000; // simplex steps of each stage of a quantile fit
    Real tolerance = 1e-20Q; // on the relative change of the residuals
};

enum class RobustEnd { DONE, DEGENERATE, PIVOT_LIMIT, ITERATION_LIMIT, ZERO_SCALE, NO_SPREAD };

struct RobustEstimate {
    RobustEnd end = RobustEnd::DONE;
    int pivots = 0;                 // simplex steps (quantile regression)
    int iterations = 0;             // reweighting steps (M-estimation)
    Real objective = 0;             // the sum of check losses (quantile), of squared residuals (M)
    Real scale = 0;                 // the scale of the last reweighting (M-estimation)
    Real sparsity = 0;              // the sparsity estimate (IID)
    Real bandwidth = 0;             // the Hall-Sheather bandwidth as a probability (IID, KERNEL)
    int replications = 0;           // bootstrap fits used
    std::vector<std::size_t> basis; // the observations the quantile fit interpolates
    // Coefficients, covariance, standard errors, t-ratios (t with N-K degrees of freedom for
    // quantile regression, normal for M-estimation), fitted values, residuals, N, K, df, SSE.
    ModelResult result;
};

RobustEstimate estimate_robust(const RobustData& data, const RobustControl& control);

// The Hall-Sheather bandwidth at quantile tau with n observations (size 0.05).
Real hall_sheather_bandwidth(Real tau, std::size_t n);

} // namespace tarvex

namespace tarvex {

// The parts estimate_robust puts together (each fills the estimate's result but its names).
RobustEstimate estimate_quantile(const RobustData& data, const RobustControl& control);
RobustEstimate estimate_m(const RobustData& data, const RobustControl& control);
// (X'W X)^-1 of the design with weights w (empty: all ones), K x K row-major; empty when
// singular.
std::vector<Real> robust_weighted_inverse(const RobustData& data, const std::vector<Real>& w);
// The element at `j` of a row-major design: x column j at row i.
inline Real robust_x(const RobustData& data, std::size_t j, std::size_t i) {
    return data.x[j] == nullptr ? Real(1) : data.x[j][i];
}
// Fills the record's coefficients, covariance, standard errors, ratios, p-values, fitted
// values, residuals and sizes, and the result scalars.
void fill_robust_result(const RobustData& data, const std::vector<Real>& coef,
                        const std::vector<Real>& cov, bool asymptotic, RobustEstimate& e);

} // namespace tarvex
