// Forecast-accuracy statistics of observed values y and predictions p (errors e = y - p):
// mean error, SSE, MSE, MAE, RMSE, the mean squared percentage error, Theil's inequality
// coefficient U and the two decompositions of the mean square error.
#pragma once

#include "numeric/exact_dot.hpp"
#include "numeric/real.hpp"

#include <memory>
#include <vector>

namespace tarvex {

struct FcastAccuracy {
    int n = 0;
    Real mean_error = 0, sse = 0, mse = 0, mae = 0, rmse = 0;
    // 100/m * sum (e/y)**2 over the m observations with y not zero (0 when there are none).
    Real mspe = 0;
    // Theil (1961): U = RMSE / (sqrt(mean y**2) + sqrt(mean p**2)), between 0 and 1.
    Real theil_u = 0;
    // MSE = (mean p - mean y)**2 + (s_p - s_y)**2 + 2(1 - r) s_p s_y
    //     = (mean p - mean y)**2 + (s_p - r s_y)**2 + (1 - r**2) s_y**2,
    // with standard deviations s (divisor n) and r the correlation of p and y; each part is
    // given as its proportion of MSE (all 0 when MSE is 0); the bias share is the same in both.
    Real bias = 0, variance = 0, covariance = 0;
    Real bias_second = 0, regression = 0, disturbance = 0; // second decomposition
};

FcastAccuracy forecast_accuracy(const std::vector<Real>& observed,
                                const std::vector<Real>& predicted);

// The same statistics from rows added a block at a time, or one row at a time: every sum is
// exact, so the result has the bits of forecast_accuracy over all the rows at once, wherever the
// blocks are cut and whichever thread added them. Each thread fills its own set (add_row) and the
// sets are merged (add_exact); clear, has_special and add_exact let split_accumulate fill one.
class FcastAccuracySums {
public:
    // The exact sums kept: of e, e**2, |e|, y, p, y**2, p**2, y p, and (e/y)**2 where y is not 0.
    enum Sum { SUM_E, SSE, SUM_ABS, SUM_Y, SUM_P, SUM_Y2, SUM_P2, SUM_YP, PERCENT, SUMS };
    FcastAccuracySums();
    ~FcastAccuracySums();
    FcastAccuracySums(const FcastAccuracySums&) = delete;
    FcastAccuracySums& operator=(const FcastAccuracySums&) = delete;
    void add(const Real* observed, const Real* predicted, std::size_t n);
    // One row: observed y, predicted p and the error e = y - p as the forecast formed it.
    void add_row(Real y, Real p, Real e);
    void clear();
    // Whether a NaN or an infinity entered a sum (they then follow IEEE rules, in order).
    bool has_special() const;
    // Adds the rows of `other` (both without NaN or infinite terms): exactly.
    void add_exact(const FcastAccuracySums& other);
    const ExactAccumulator& sum(Sum which) const;
    long long rows() const { return n_; }
    FcastAccuracy result() const;

private:
    struct Sums;
    std::unique_ptr<Sums> sums_;
    long long n_ = 0, nonzero_ = 0; // rows, and rows with y not zero
};
} // namespace tarvex
